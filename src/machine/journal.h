#pragma once

#include <QtGlobal>
#include <vector>

class GuestMemory;

// While the machine keeps a record: the linear address of every instruction
// run, and the old value of every byte of the first megabyte before anything
// (the CPU or a service) wrote it. Positions count instructions from the
// record's start; a REP string instruction's repeats are positions of their
// own, marked as such, so that a step back can pass them as one.
class Journal
{
public:
    static constexpr quint32 repeatMark = 0x80000000u;

    // Before count bytes from a linear address are written.
    void noteWrite(quint32 address, quint32 count, const GuestMemory &memory);
    void noteInstruction(quint32 linear, const GuestMemory &memory);
    // Undoes the writes noted since the mark (a writes() value), newest
    // first, and forgets them.
    void undoWrites(quint64 mark, GuestMemory &memory);
    void dropInstructionsFrom(quint64 position);

    quint64 start() const { return start_; }
    quint64 end() const { return start_ + at_.size(); }
    quint64 writes() const { return writeStart_ + old_.size(); }
    // The linear address of the instruction at a position of the record.
    quint32 address(quint64 position) const { return at_[position - start_] & ~repeatMark; }
    bool repeats(quint64 position) const { return at_[position - start_] & repeatMark; }
    // Forgets what came before these marks.
    void dropBefore(quint64 position, quint64 writeMark);
    void clear();
    // Bytes the record holds.
    quint64 bytes() const;

private:
    // A REP or REPNE prefix before a string instruction (after any segment
    // prefix): the same address run again is the instruction repeating.
    static bool isRepeat(quint32 linear, const GuestMemory &memory);

    quint64 start_ = 0;
    quint64 writeStart_ = 0;
    std::vector<quint32> at_;
    // (address << 8) | old byte.
    std::vector<quint32> old_;
};
