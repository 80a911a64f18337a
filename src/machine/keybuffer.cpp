#include "machine/keybuffer.h"

namespace {

constexpr quint16 bda = 0x40;

// The buffer's bounds from 0040:0080 and 0040:0082, as the AT BIOS keeps
// them; bounds a program broke fall back to the usual ones.
std::pair<quint16, quint16> bounds(const GuestMemory &m)
{
    const quint16 start = m.word(bda, 0x80), end = m.word(bda, 0x82);
    if (start < 0x1E || end > 0x100 || end <= start + 2 || (start & 1) || (end & 1))
        return {0x1E, 0x3E};
    return {start, end};
}

quint16 next(const GuestMemory &m, quint16 at)
{
    const auto [start, end] = bounds(m);
    at = quint16(at + 2);
    return at >= end ? start : at;
}

// A pointer a program left outside the buffer reads as its start.
quint16 pointer(const GuestMemory &m, quint16 offset)
{
    const auto [start, end] = bounds(m);
    const quint16 p = m.word(bda, offset);
    return p < start || p >= end || (p & 1) != (start & 1) ? start : p;
}

} // namespace

namespace KeyBuffer {

void reset(GuestMemory &memory)
{
    memory.setWord(bda, 0x80, 0x1E);
    memory.setWord(bda, 0x82, 0x3E);
    clear(memory);
}

void clear(GuestMemory &memory)
{
    memory.setWord(bda, 0x1A, bounds(memory).first);
    memory.setWord(bda, 0x1C, bounds(memory).first);
}

bool empty(const GuestMemory &memory)
{
    return pointer(memory, 0x1A) == pointer(memory, 0x1C);
}

bool full(const GuestMemory &memory)
{
    return next(memory, pointer(memory, 0x1C)) == pointer(memory, 0x1A);
}

quint16 peek(const GuestMemory &memory)
{
    return empty(memory) ? 0 : memory.word(bda, pointer(memory, 0x1A));
}

quint16 take(GuestMemory &memory)
{
    if (empty(memory))
        return 0;
    const quint16 head = pointer(memory, 0x1A);
    const quint16 key = memory.word(bda, head);
    memory.setWord(bda, 0x1A, next(memory, head));
    return key;
}

bool put(GuestMemory &memory, quint16 key)
{
    if (full(memory))
        return false;
    const quint16 tail = pointer(memory, 0x1C);
    memory.setWord(bda, tail, key);
    memory.setWord(bda, 0x1C, next(memory, tail));
    return true;
}

} // namespace KeyBuffer
