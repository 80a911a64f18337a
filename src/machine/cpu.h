#pragma once

#include "machine/guestmemory.h"

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

struct uc_struct;

// The 8086's registers as a program and a debugger see them.
struct Registers
{
    quint16 ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0, bp = 0, sp = 0;
    quint16 cs = 0, ds = 0, es = 0, ss = 0, ip = 0, flags = 0x0202;
};

enum class Reg { AX, BX, CX, DX, SI, DI, BP, SP, CS, DS, ES, SS, IP, Flags };

// Unicorn in 16-bit mode over 1 MB of memory, which the rest of the machine
// reaches only through its GuestMemory. The 64 KB above 1 MB show the first
// 64 KB again, as a PC with its A20 line off does: packed programs loaded
// low rely on that wrap.
class Cpu
{
public:
    static constexpr quint32 memorySize = 0x100000;

    Cpu();
    ~Cpu();
    Cpu(const Cpu &) = delete;
    Cpu &operator=(const Cpu &) = delete;

    // The flags word as an 8086 pushes it: bits 12 to 15 set, bit 1 set,
    // bits 3 and 5 clear (a 386 pushes its IOPL and NT there instead).
    static quint16 flagsImage(quint16 flags) { return quint16((flags & 0x0FD5) | 0xF002); }

    bool ok() const { return uc_ != nullptr; }
    GuestMemory &memory() { return guest_; }
    const GuestMemory &memory() const { return guest_; }

    quint16 reg(Reg r) const;
    void setReg(Reg r, quint16 value);
    Registers registers() const;
    void setRegisters(const Registers &r);
    void setCarry(bool on);
    void setZero(bool on);

    // Called for every interrupt (INT n and CPU exceptions) instead of the
    // interrupt itself: IP points past an INT instruction.
    std::function<void(int)> onInterrupt;
    std::function<void()> onInvalidInstruction;
    // IN and OUT, a byte at a time (a word is two ports).
    std::function<quint8(quint16 port)> onPortIn;
    std::function<void(quint16 port, quint8 value)> onPortOut;

    // Called before each instruction of a watched run with its linear
    // address; true stops the run before that instruction. A call per
    // instruction: for stepping, never for running at full speed.
    using Watch = std::function<bool(quint32 linear)>;

    // Runs from CS:IP until stop(), a breakpoint (before its instruction),
    // a fence, the watch or the instruction count (0 for none) ends it. A
    // breakpoint at CS:IP itself is passed. Returns Unicorn's error, 0 for none.
    int run(quint64 instructionCount, const Watch &watch = {});
    // From a hook, on the running thread: the run ends after the current
    // instruction.
    void stop();
    // Any thread: the run ends at the start of the next block of code. (The
    // emulator's own stop, called from another thread, can leave a DOS
    // program's run corrupted when it goes on.)
    void stopSoon();
    void flushCode(quint32 linear, quint32 size);

    bool addBreakpoint(quint32 linear);
    void removeBreakpoint(quint32 linear);
    bool hasBreakpoint(quint32 linear) const;
    // The last run() ended because its instruction budget was used up.
    bool budgetSpent() const { return lastRunSpentBudget_; }
    // The last run() ended because its watch asked.
    bool watchStopped() const { return watchStopped_; }

    // Linear ranges (first, last) where running code stops a run before its
    // instruction; code elsewhere runs at full speed.
    void setFences(const std::vector<std::pair<quint32, quint32>> &ranges);
    // The last run() ended at a fence.
    bool fenced() const { return fenced_; }
    // Notes each block of code run that starts within [first, last]; the
    // last one noted, as (linear address, size in bytes).
    void traceBlocks(quint32 first, quint32 last);
    std::pair<quint32, quint32> lastBlock() const { return lastBlock_; }

    // Linear ranges (first, last) whose bytes are watched: the first
    // instruction that changes one ends the run right after it. None: no
    // hooks, and no cost.
    void watchWrites(const std::vector<std::pair<quint32, quint32>> &ranges);
    bool watchesWrites() const { return !watched_.empty(); }
    // What changed watched bytes last: the range, the instruction (or the
    // INT of a service) that wrote, and the range's bytes before and after.
    struct WriteSeen
    {
        quint32 first = 0, last = 0;
        quint32 writer = 0;
        QByteArray before, after;
    };
    const WriteSeen &writeSeen() const { return writeSeen_; }
    // The last run() ended after a change of watched bytes.
    bool writeStopped() const { return writeStopped_; }
    // From a service, on the running thread: when the watched bytes differ
    // from what they were, the run ends as for an instruction's write, with
    // writer (the service's INT) named. True when it does.
    bool checkWrites(quint32 writer);

    // Time by instructions: from now on every instruction run is counted (a
    // call per instruction), and a run stops before the instruction that
    // would pass the alarm.
    void countInstructions();
    bool countsInstructions() const { return clockHook_ != 0; }
    quint64 instructions() const { return clock_; }
    void setInstructions(quint64 count) { clock_ = count; }
    void setAlarm(quint64 at) { alarm_ = at; }
    // The last run() ended at the alarm.
    bool alarmed() const { return alarmed_; }
    // The last run() ended for stopSoon().
    bool stoppedSoon() const { return blockStopped_; }

    // Keeps the journal of every instruction run and every byte the CPU
    // writes (nullptr: none, and no cost). While it is kept, a run also
    // ends after each interrupt and port access, and after at most
    // journalStretch instructions: what a run does in between depends on
    // memory and registers alone, so that it can be run again.
    void keepJournal(Journal *journal);
    static constexpr quint32 journalStretch = 65536;
    // The last run() ended for the journal (an interrupt, a port, a stretch).
    bool journalEnded() const { return journalEnded_ || stretchEnded_; }
    // Runs count instructions from CS:IP again, past breakpoints: a part of
    // a run the journal has, between its interrupts and ports.
    int runAgain(quint64 count);
    // From the interrupt hook.
    void endForJournal();
    // From each code hook that counts or watches, before all else: the
    // journal ends the run before this instruction (after a port access, or
    // a stretch); true when it does.
    bool journalStop(uc_struct *uc, quint64 address);
    // Instructions the last run() ran, where it counted them (a budget, or
    // the instruction clock).
    quint64 lastRunCount() const { return lastRunCount_; }

    struct Budget
    {
        Cpu *cpu = nullptr;
        bool counting = false;
        qint64 left = 0;
        bool spent = false;
        const Watch *watch = nullptr;
        bool watched = false;
        quint16 stoppedAt = 0;
    };

private:
    static void writeHook(uc_struct *uc, int type, quint64 address, int size, qint64 value,
                          void *user);
    static void writeCheckHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    // Compares the watched bytes with their copies, notes the first change
    // and takes the new bytes as the copies.
    bool changed(quint32 writer);
    struct Watched
    {
        quint32 first = 0, last = 0;
        QByteArray bytes;
    };
    std::vector<Watched> watched_;
    std::vector<size_t> writeHooks_;
    bool written_ = false;
    // A rewind's run forward to its place: what it writes was written
    // before, and stops nothing.
    bool replaying_ = false;
    quint32 writer_ = 0;
    quint32 lastInstruction_ = 0;
    bool writeStopped_ = false;
    bool writeStoppedInCode_ = false;
    quint16 writeStoppedAt_ = 0;
    WriteSeen writeSeen_;
    static void fenceHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    static void traceHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    static void clockHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    static void blockHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    static void journalHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    static void journalWriteHook(uc_struct *uc, int type, quint64 address, int size,
                                 qint64 value, void *user);
    Journal *journal_ = nullptr;
    size_t journalHook_ = 0;
    size_t journalWriteHook_ = 0;
    quint32 stretch_ = 0;
    bool journalEnded_ = false;
    bool stretchEnded_ = false;
    bool portTouched_ = false;
    quint16 stretchEndedAt_ = 0;
    std::atomic<bool> stopSoon_{false};
    bool blockStopped_ = false;
    quint16 blockStoppedAt_ = 0;
    static quint32 portInHook(uc_struct *uc, quint32 port, int size, void *user);
    static void portOutHook(uc_struct *uc, quint32 port, int size, quint32 value, void *user);
    size_t clockHook_ = 0;
    quint64 clock_ = 0;
    quint64 alarm_ = ~quint64(0);
    bool alarmed_ = false;
    quint16 alarmedAt_ = 0;
    quint64 lastRunCount_ = 0;
    // What fence and trace hooks write, from inside a run.
    bool fenced_ = false;
    quint16 fencedAt_ = 0;
    std::pair<quint32, quint32> lastBlock_{0, 0};
    uc_struct *uc_ = nullptr;
    // Page-aligned: the emulator's address translation keeps flags in the
    // low bits of host addresses.
    struct Free
    {
        void operator()(quint8 *p) const;
    };
    std::unique_ptr<quint8, Free> memory_;
    GuestMemory guest_;
    // Breakpoints are Unicorn's exits: it stops before their instruction.
    void setExits(quint32 except);
    // A control call to Unicorn that failed (an exit, a flush, a hook) leaves
    // the next run unsafe: its error ends that run before it starts.
    void note(int error);
    int controlError_ = 0;
    std::vector<quint64> breakpoints_;
    std::atomic<bool> stopped_{false};
    bool lastRunSpentBudget_ = false;
    bool watchStopped_ = false;
    std::vector<size_t> fenceHooks_;
    size_t traceHook_ = 0;

    // PUSHF pushes the 8086's flags image. The emulator pushes a 386's: each
    // block of code that holds the PUSHF opcode gets a hook, which notes a
    // PUSHF about to run, and the word it pushed is mended before anything
    // else runs (the next instruction, the next block, the end of the run).
    // A block found running without its hook is run again from its start.
    static void flagsHook(uc_struct *uc, quint64 address, quint32 size, void *user);
    bool hookFlagsImage(quint32 address, quint32 size);
    void mendPushedFlags();
    // uc_emu_start, run again from a block that got its hook on the way.
    int start(quint32 address);
    std::unordered_set<quint32> flagBlocks_;
    std::vector<size_t> flagHooks_;
    bool imagePending_ = false;
    quint16 imageSs_ = 0, imageSp_ = 0;
    bool restart_ = false;
    quint16 restartAt_ = 0;
    std::pair<quint32, quint32> restartBlock_{0, 0};
};

quint32 linear(quint16 segment, quint16 offset);
