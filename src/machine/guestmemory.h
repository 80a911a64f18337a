#pragma once

#include "machine/journal.h"

#include <QByteArray>
#include <QtGlobal>

// The one door to the machine's first megabyte for everything that is not
// the CPU itself. segment:offset is turned into a linear address as the 8086
// does, and a run of bytes goes on from there; past the megabyte it wraps to
// the start (the A20 line is off), so no segment, offset or length a program
// passes can reach outside the buffer. A run that crosses the end of its
// segment goes on into the next 64 KB, as the services of DOS (and DOSBox)
// copy their buffers.
class GuestMemory
{
public:
    static constexpr quint32 size = 0x100000;

    explicit GuestMemory(quint8 *bytes) : bytes_(bytes) {}

    static quint32 linear(quint16 segment, quint16 offset)
    {
        return ((quint32(segment) << 4) + offset) % size;
    }

    quint8 byte(quint16 segment, quint16 offset) const { return byteAt(linear(segment, offset)); }
    quint16 word(quint16 segment, quint16 offset) const { return wordAt(linear(segment, offset)); }
    quint32 dword(quint16 segment, quint16 offset) const;
    void setByte(quint16 segment, quint16 offset, quint8 value)
    {
        setByteAt(linear(segment, offset), value);
    }
    void setWord(quint16 segment, quint16 offset, quint16 value)
    {
        setWordAt(linear(segment, offset), value);
    }
    void setDword(quint16 segment, quint16 offset, quint32 value);

    QByteArray read(quint16 segment, quint16 offset, int count) const
    {
        return readAt(linear(segment, offset), count);
    }
    void write(quint16 segment, quint16 offset, const char *data, int count)
    {
        writeAt(linear(segment, offset), data, count);
    }
    void write(quint16 segment, quint16 offset, const QByteArray &data)
    {
        writeAt(linear(segment, offset), data.constData(), int(data.size()));
    }
    void fill(quint16 segment, quint16 offset, quint8 value, int count)
    {
        fillAt(linear(segment, offset), value, count);
    }
    // A string up to its NUL (not included), at most max bytes.
    QByteArray asciiz(quint16 segment, quint16 offset, int max) const;

    // The same by linear address (the debugger's and the loader's view).
    quint8 byteAt(quint32 address) const { return bytes_[address % size]; }
    void setByteAt(quint32 address, quint8 value)
    {
        if (journal_)
            journal_->noteWrite(address % size, 1, *this);
        bytes_[address % size] = value;
    }
    quint16 wordAt(quint32 address) const;
    void setWordAt(quint32 address, quint16 value);
    QByteArray readAt(quint32 address, int count) const;
    void writeAt(quint32 address, const char *data, int count);
    void fillAt(quint32 address, quint8 value, int count);
    // Whether the count bytes from address hold value.
    bool holds(quint32 address, int count, quint8 value) const;

    // While a record is kept, every write notes the bytes it replaces.
    void setJournal(Journal *journal) { journal_ = journal; }
    Journal *journal() const { return journal_; }

private:
    quint8 *bytes_;
    Journal *journal_ = nullptr;
};
