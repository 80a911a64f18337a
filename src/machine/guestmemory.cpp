#include "machine/guestmemory.h"

#include <algorithm>
#include <cstring>

namespace {

// A run of bytes in at most two pieces: up to the end of the megabyte, then
// on from its start.
template <typename Piece> void inPieces(quint32 address, int count, Piece piece)
{
    for (int done = 0; done < count;) {
        const quint32 start = (address + quint32(done)) % GuestMemory::size;
        const int n = int(std::min<quint32>(quint32(count - done), GuestMemory::size - start));
        piece(start, done, n);
        done += n;
    }
}

} // namespace

quint32 GuestMemory::dword(quint16 segment, quint16 offset) const
{
    const quint32 at = linear(segment, offset);
    return wordAt(at) | (quint32(wordAt(at + 2)) << 16);
}

void GuestMemory::setDword(quint16 segment, quint16 offset, quint32 value)
{
    const quint32 at = linear(segment, offset);
    setWordAt(at, quint16(value));
    setWordAt(at + 2, quint16(value >> 16));
}

QByteArray GuestMemory::asciiz(quint16 segment, quint16 offset, int max) const
{
    QByteArray text;
    const quint32 at = linear(segment, offset);
    for (int i = 0; i < max; ++i) {
        const quint8 c = byteAt(at + quint32(i));
        if (c == 0)
            break;
        text.append(char(c));
    }
    return text;
}

quint16 GuestMemory::wordAt(quint32 address) const
{
    return quint16(byteAt(address) | (byteAt(address + 1) << 8));
}

void GuestMemory::setWordAt(quint32 address, quint16 value)
{
    setByteAt(address, quint8(value));
    setByteAt(address + 1, quint8(value >> 8));
}

QByteArray GuestMemory::readAt(quint32 address, int count) const
{
    QByteArray out(std::max(count, 0), Qt::Uninitialized);
    inPieces(address, int(out.size()), [&](quint32 start, int done, int n) {
        std::copy_n(bytes_ + start, n, out.data() + done);
    });
    return out;
}

bool GuestMemory::holds(quint32 address, int count, quint8 value) const
{
    bool found = false;
    inPieces(address, count, [&](quint32 start, int, int n) {
        found = found || std::memchr(bytes_ + start, value, size_t(n)) != nullptr;
    });
    return found;
}

void GuestMemory::writeAt(quint32 address, const char *data, int count)
{
    if (journal_ && count > 0)
        journal_->noteWrite(address % size, quint32(count), *this);
    inPieces(address, count,
             [&](quint32 start, int done, int n) { std::copy_n(data + done, n, bytes_ + start); });
}

void GuestMemory::fillAt(quint32 address, quint8 value, int count)
{
    if (journal_ && count > 0)
        journal_->noteWrite(address % size, quint32(count), *this);
    inPieces(address, count,
             [&](quint32 start, int, int n) { std::fill_n(bytes_ + start, n, value); });
}
