#include "machine/memoryblocks.h"

namespace {
constexpr quint8 middle = 'M';
constexpr quint8 last = 'Z';
constexpr quint16 errArenaTrashed = 7;
constexpr quint16 errNoMemory = 8;
constexpr quint16 errBadBlock = 9;
} // namespace

void MemoryBlocks::reset(quint16 firstHeader, quint16 end)
{
    first_ = firstHeader;
    memory_.fill(firstHeader, 0, 0, 16);
    setType(firstHeader, last);
    setWord(firstHeader, 1, 0);
    setWord(firstHeader, 3, quint16(end - firstHeader - 1));
}

bool MemoryBlocks::valid(quint16 h) const
{
    for (const Block &b : blocks())
        if (b.segment == quint16(h + 1))
            return true;
    return false;
}

QList<MemoryBlocks::Block> MemoryBlocks::blocks() const
{
    QList<Block> chain;
    quint32 h = first_;
    while (h < 0xA000) {
        const quint8 type = this->type(quint16(h));
        if (type != middle && type != last)
            return {};
        chain.append({quint16(h + 1), word(quint16(h), 3), word(quint16(h), 1)});
        if (type == last)
            return chain;
        h += 1 + word(quint16(h), 3);
    }
    return {};
}

void MemoryBlocks::mergeFreeAfter(quint16 h)
{
    while (type(h) == middle) {
        const quint16 next = quint16(h + 1 + word(h, 3));
        if (word(next, 1) != 0)
            return;
        setType(h, type(next));
        setWord(h, 3, quint16(word(h, 3) + 1 + word(next, 3)));
    }
}

void MemoryBlocks::split(quint16 h, quint16 paragraphs)
{
    const quint16 size = word(h, 3);
    if (size <= paragraphs)
        return;
    const quint16 rest = quint16(h + 1 + paragraphs);
    memory_.fill(rest, 0, 0, 16);
    setType(rest, type(h));
    setWord(rest, 1, 0);
    setWord(rest, 3, quint16(size - paragraphs - 1));
    setType(h, middle);
    setWord(h, 3, paragraphs);
    mergeFreeAfter(rest);
}

MemoryBlocks::Result MemoryBlocks::allocate(quint16 paragraphs, quint16 owner)
{
    Result result;
    if (blocks().isEmpty())
        return {errArenaTrashed, 0, 0};
    quint32 h = first_;
    for (;;) {
        const auto seg = quint16(h);
        if (word(seg, 1) == 0) {
            mergeFreeAfter(seg);
            const quint16 size = word(seg, 3);
            if (size >= paragraphs) {
                split(seg, paragraphs);
                setWord(seg, 1, owner);
                return {0, quint16(seg + 1), 0};
            }
            result.largest = std::max(result.largest, size);
        }
        if (type(seg) == last)
            break;
        h += 1 + word(seg, 3);
    }
    result.error = errNoMemory;
    return result;
}

quint16 MemoryBlocks::release(quint16 segment)
{
    const auto h = quint16(segment - 1);
    if (!valid(h))
        return errBadBlock;
    setWord(h, 1, 0);
    return 0;
}

MemoryBlocks::Result MemoryBlocks::resize(quint16 segment, quint16 paragraphs)
{
    const auto h = quint16(segment - 1);
    if (!valid(h))
        return {errBadBlock, 0, 0};
    mergeFreeAfter(h);
    const quint16 size = word(h, 3);
    if (size >= paragraphs) {
        split(h, paragraphs);
        return {0, segment, 0};
    }
    return {errNoMemory, 0, size};
}

void MemoryBlocks::releaseOwnedBy(quint16 owner)
{
    for (const Block &b : blocks())
        if (b.owner == owner)
            setWord(quint16(b.segment - 1), 1, 0);
}

void MemoryBlocks::setName(quint16 segment, const QByteArray &name)
{
    QByteArray field = name.left(8);
    field.append(QByteArray(8 - field.size(), '\0'));
    memory_.write(quint16(segment - 1), 8, field);
}
