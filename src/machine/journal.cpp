#include "machine/journal.h"

#include "machine/guestmemory.h"

#include <algorithm>

void Journal::noteWrite(quint32 address, quint32 count, const GuestMemory &memory)
{
    for (quint32 i = 0; i < count; ++i) {
        const quint32 at = (address + i) % GuestMemory::size;
        old_.push_back((at << 8) | memory.byteAt(at));
    }
}

void Journal::noteInstruction(quint32 linear, const GuestMemory &memory)
{
    linear %= GuestMemory::size;
    if (!at_.empty() && (at_.back() & ~repeatMark) == linear && isRepeat(linear, memory))
        linear |= repeatMark;
    at_.push_back(linear);
}

void Journal::undoWrites(quint64 mark, GuestMemory &memory)
{
    Journal *const kept = memory.journal();
    memory.setJournal(nullptr);
    while (writes() > mark && !old_.empty()) {
        const quint32 entry = old_.back();
        memory.setByteAt(entry >> 8, quint8(entry));
        old_.pop_back();
    }
    memory.setJournal(kept);
}

void Journal::dropInstructionsFrom(quint64 position)
{
    if (position >= start_ && position < end())
        at_.resize(position - start_);
}

void Journal::dropBefore(quint64 position, quint64 writeMark)
{
    if (position > start_) {
        const quint64 n = std::min<quint64>(position - start_, at_.size());
        at_.erase(at_.begin(), at_.begin() + qint64(n));
        start_ += n;
    }
    if (writeMark > writeStart_) {
        const quint64 n = std::min<quint64>(writeMark - writeStart_, old_.size());
        old_.erase(old_.begin(), old_.begin() + qint64(n));
        writeStart_ += n;
    }
}

void Journal::clear()
{
    start_ = 0;
    writeStart_ = 0;
    at_.clear();
    old_.clear();
    at_.shrink_to_fit();
    old_.shrink_to_fit();
}

quint64 Journal::bytes() const
{
    return (at_.capacity() + old_.capacity()) * sizeof(quint32);
}

bool Journal::isRepeat(quint32 linear, const GuestMemory &memory)
{
    bool rep = false;
    for (int i = 0; i < 4; ++i) {
        const quint8 b = memory.byteAt(linear + quint32(i));
        if (b == 0xF2 || b == 0xF3) {
            rep = true;
        } else if (b == 0x26 || b == 0x2E || b == 0x36 || b == 0x3E) {
            continue;
        } else {
            // MOVS, CMPS, STOS, LODS, SCAS, INS, OUTS
            return rep && ((b >= 0xA4 && b <= 0xA7) || (b >= 0xAA && b <= 0xAF) ||
                           (b >= 0x6C && b <= 0x6F));
        }
    }
    return false;
}
