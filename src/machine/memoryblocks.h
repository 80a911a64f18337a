#pragma once

#include "machine/guestmemory.h"

#include <QList>
#include <QtGlobal>

// DOS's chain of memory control blocks, kept in the machine's own memory
// where programs (and DOS's own walkers) can read it: each block is one
// paragraph of header ('M', or 'Z' for the last; owner, 0 when free; size in
// paragraphs) before the block itself. Segments given and returned are those
// of the blocks, one paragraph after their headers, as INT 21h speaks.
class MemoryBlocks
{
public:
    explicit MemoryBlocks(GuestMemory &memory) : memory_(memory) {}

    // One free block from the header at firstHeader up to the paragraph end.
    void reset(quint16 firstHeader, quint16 end);

    struct Result
    {
        quint16 error = 0; // DOS error code, 0 for success
        quint16 segment = 0;
        quint16 largest = 0; // on error 8: the most that could be had
    };
    // First fit, as DOS's default strategy.
    Result allocate(quint16 paragraphs, quint16 owner);
    quint16 release(quint16 segment);
    // Growing takes the free blocks after it; when they do not suffice the
    // block is made as large as they allow and error 8 names that size.
    Result resize(quint16 segment, quint16 paragraphs);
    void releaseOwnedBy(quint16 owner);
    // Names the block as DOS 4 and later do (the program's name, up to 8
    // characters).
    void setName(quint16 segment, const QByteArray &name);

    struct Block
    {
        quint16 segment = 0;
        quint16 size = 0;
        quint16 owner = 0;
        bool operator==(const Block &) const = default;
    };
    // The chain as it stands; empty when it is broken.
    QList<Block> blocks() const;
    quint16 firstHeader() const { return first_; }

private:
    quint8 type(quint16 headerSegment) const { return memory_.byte(headerSegment, 0); }
    void setType(quint16 headerSegment, quint8 type) { memory_.setByte(headerSegment, 0, type); }
    quint16 word(quint16 headerSegment, int offset) const
    {
        return memory_.word(headerSegment, quint16(offset));
    }
    void setWord(quint16 headerSegment, int offset, quint16 value)
    {
        memory_.setWord(headerSegment, quint16(offset), value);
    }
    bool valid(quint16 headerSegment) const;
    // Joins the free blocks that follow a header into it.
    void mergeFreeAfter(quint16 headerSegment);
    void split(quint16 headerSegment, quint16 paragraphs);

    GuestMemory &memory_;
    quint16 first_ = 0;
};
