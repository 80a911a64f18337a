#pragma once

#include "machine/cpu.h"
#include "machine/drives.h"
#include "machine/machineclock.h"
#include "machine/machinestop.h"
#include "machine/screenpicture.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

struct MachineState;
class MachineRecord;

// An 8086 PC with 640 KB, a VGA and the DOS a program sees: C: is the
// tool folder (and the current drive), D: the source's folder, and nothing
// else on the host can be reached. One thread drives it (load, run, step,
// registers, memory); requestStop() may come from any thread.
class Machine
{
public:
    struct Setup
    {
        QString toolFolder;
        // Empty (or the tool folder itself): no D:, and no INCLUDE in the
        // environment.
        QString sourceFolder;
        // Receives standard output as "> FILE" would; empty: the screen.
        QString consoleFile;
        // Gives standard input as "< FILE" would; empty: the keyboard.
        QString inputFile;
        qint64 fileSizeLimit = qint64(64) * 1024 * 1024;
        // All bytes written to files in one run.
        qint64 writeLimit = qint64(256) * 1024 * 1024;
        // What the program may change in C:: a student's program may not
        // touch the tools, a tool's run only its own outputs.
        Drives::ToolFolderWrites toolFolderWrites = Drives::ToolFolderWrites::Any;
        QStringList toolOutputs;
        // How the machine's time passes (see MachineClock): the host's clock
        // for a program a user watches, instructions for a repeatable run.
        MachineClock::Kind clock = MachineClock::Kind::Wall;
        // The date and time the machine's clock starts at; invalid: the
        // host's, now. The program sees time move on from it.
        QDateTime clockStart;
    };

    // Where the machine keeps code of its own beside the interrupt stubs
    // (F000:0000-07FF): the BIOS's hardware interrupt routines, as linear
    // addresses (first, last).
    static constexpr std::pair<quint32, quint32> biosCode{0xF0900, 0xF093F};

    explicit Machine(const Setup &setup);
    ~Machine();
    Machine(const Machine &) = delete;
    Machine &operator=(const Machine &) = delete;

    // Loads a DOS program from the host as if started from C:\ with this
    // command tail. On failure returns false and says why.
    bool load(const QString &hostProgram, const QByteArray &tail, QString *error);

    struct Bounds
    {
        // Stop as Stalled after this much of the running thread's CPU time
        // without output; 0 for no bound.
        qint64 idleMs = 0;
        // Stop as BudgetSpent after this many instructions; 0 for no bound
        // (counting instructions slows the machine down).
        quint64 instructions = 0;
    };
    // Runs from CS:IP until something stops it; a stop at a breakpoint or
    // for input may be resumed with another run().
    MachineStop run(const Bounds &bounds);
    MachineStop step();
    // As run() without bounds, asking the watch before each instruction
    // (slow: for stepping through a program).
    MachineStop runWatched(const Cpu::Watch &watch);
    void requestStop();
    // Drops a requestStop() that came after the run it was meant for ended,
    // so that it cannot stop the next run at once.
    void cancelStopRequest();
    const MachineStop &lastStop() const;

    Registers registers() const;
    void setRegisters(const Registers &registers);
    QByteArray readMemory(quint32 address, int size) const;
    // Between runs: the bytes written from a linear address on, within the
    // first megabyte (false, and nothing written, past it). Code already
    // translated there is run anew.
    bool writeMemory(quint32 address, const QByteArray &bytes);
    // Between runs: a port of the devices as IN and OUT reach it; nothing
    // (false) where no device answers, and the program goes on unstopped.
    std::optional<quint8> readPort(quint16 port);
    bool writePort(quint16 port, quint8 value);
    bool addBreakpoint(quint32 address);
    void removeBreakpoint(quint32 address);
    // Linear ranges (first, last) whose bytes a run watches: an instruction
    // or a service of the machine's (INT 21h's line read, a file read) that
    // changes them ends the run right after it, as DataWritten; lastWrite()
    // says which bytes, what wrote and what they were. None: no cost.
    void watchWrites(const std::vector<std::pair<quint32, quint32>> &ranges);
    const Cpu::WriteSeen &lastWrite() const;
    // Linear ranges (first, last) where a run stops as Fenced: where a
    // program's code has no business; code elsewhere runs at full speed.
    void setFences(const std::vector<std::pair<quint32, quint32>> &ranges);
    // The last block of code run that started within [first, last], as
    // (linear address, size), so that a run at full speed can tell where it
    // came from.
    void traceBlocks(quint32 first, quint32 last);
    std::pair<quint32, quint32> lastBlock() const;
    quint16 reg(Reg r) const;
    // The first megabyte, read in place (between runs, or from a watch).
    const GuestMemory &memory() const;

    // What the monitor shows now.
    ScreenPicture screenPicture() const;
    // What it showed at most a tenth of a second ago while a run goes on:
    // any thread, without stopping the run.
    ScreenPicture recentScreen() const;
    // The active page: character in the low byte, attribute in the high.
    quint16 screenCell(int row, int column) const;
    int cursorRow() const;
    int cursorColumn() const;
    // A key press: scan code in the high byte, character in the low. Any
    // thread, while the machine runs too: the key reaches the program
    // through the keyboard's interrupt at once.
    void pushKey(quint16 key);
    // Keys pushed that the program has not been given yet. Any thread.
    bool keysTyped();
    // The speaker's tone now in Hz, 0 while silent. Any thread.
    int speakerHz() const;
    // The vectors the hardware calls (the timer's 08h, the keyboard's 09h,
    // and INT 1Ch) that point at the program's own routines: after its end
    // those are still there and working, as a resident program's are.
    QList<int> residentVectors() const;
    // After the program's end: where it left routines of its own in those
    // vectors, the machine goes on as DOS's prompt would (keys read and
    // echoed), so that they keep running; false where it left none.
    bool stayAtPrompt();
    // Steps by source line (runWatched) take the timer's and the keyboard's
    // interrupts too, stopping in a handler with source; off, time stands
    // still during such a step.
    void setStepIntoInterrupts(bool on);

    quint16 psp() const;
    // Instructions run since the load, where the clock counts them
    // (MachineClock::Kind::Instructions); 0 otherwise.
    quint64 instructionsRun() const;
    // The bytes of the program loaded: a .COM's whole file, an .EXE's load
    // module (the file less its header).
    quint32 imageSize() const;
    // Host paths of what the program created, wrote, deleted or renamed
    // since it was loaded.
    QStringList changedFiles() const;

    // Stepping back. While the record is on, the machine keeps the last
    // instructions it ran (MachineRecord::kept at least) with what each
    // changed, and can be put back as it was before any of them. Positions
    // count instructions run since the record began (a REP string
    // instruction's repeats one each). Off: no cost at all.
    void setRecording(bool on);
    bool recording() const;
    // The first position the record can go back to, and the position now.
    quint64 recordStart() const;
    quint64 recordEnd() const;
    // The instruction run at a position: its linear address, and whether it
    // is a repeat of the REP string instruction before it.
    quint32 recordedAddress(quint64 position) const;
    bool recordedRepeat(quint64 position) const;
    struct Rewound
    {
        bool done = false;
        // Files the program wrote in the span gone back over: they are not
        // put back.
        bool filesChanged = false;
    };
    // Puts registers, memory and devices back as they were before the
    // instruction at the position ran. The keys the program was given
    // after it come again, by themselves, as it runs on to where it took
    // them.
    Rewound rewindTo(quint64 position);
    // The bytes the record holds now.
    quint64 recordBytes() const;

private:
    bool loadFile(const QString &hostProgram, const QByteArray &tail, QString *error);
    // On the run's own thread, now and then: the picture recentScreen() gives.
    void publishScreen();
    mutable std::mutex screenLock_;
    ScreenPicture recent_;
    std::chrono::steady_clock::time_point recentAt_{};
    void interrupt(int number);
    void service(int number);
    MachineStop runFor(const Bounds &bounds, quint64 count, const Cpu::Watch &watch = {});
    MachineStop runEnded(int error, bool stalled, const Bounds &bounds, bool budgetSpent);
    void classify(int error, bool stalled, const Bounds &bounds, bool budgetSpent);
    int runWithWatchdog(const Bounds &bounds, bool ticking, std::atomic<bool> &stalled,
                        const std::function<int()> &runCpu);
    // The emulator's run ended on a HLT.
    bool halted() const;
    void checkPlanarWrites();
    // Keys pushed from any thread go to the keyboard.
    void takeTypedKeys();
    // Devices brought up to time, a hardware interrupt taken where the CPU
    // lets one in; true when one was.
    bool takeEvents(bool live, quint64 alarmCap);
    // The CPU waits (HLT, or a service waiting for keys) for the next
    // interrupt; false when none can come.
    bool waitForInterrupt();

    Setup setup_;
    std::unique_ptr<MachineState> s_;
    std::unique_ptr<MachineRecord> record_;
    std::atomic<bool> stopRequested_{false};
    bool stepIntoInterrupts_ = false;
    // Keys typed from other threads, and what wakes a waiting run or its
    // ticker: a key, a stop request, the end of the run.
    std::mutex wakeLock_;
    std::condition_variable wake_;
    QList<quint16> inbox_;
    std::atomic<bool> keysArrived_{false};
    // For the ticker of a run on the wall clock: the clock of the devices'
    // next event (-1 none), and whether they want looking at soon anyway.
    std::atomic<qint64> nextEvent_{-1};
    std::atomic<bool> devicesBusy_{false};
    std::atomic<bool> devicesDue_{false};
};
