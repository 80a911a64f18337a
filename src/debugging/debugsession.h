#pragma once

#include "debugging/breakpoint.h"
#include "debugging/debugview.h"
#include "toolchain/linkmap.h"
#include "debugging/listing.h"
#include "debugging/sourceline.h"
#include "rules/symboltable.h"
#include "machine/machine.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class MachineThread;
struct ArmedBreakpoints;
struct BreakpointVerdict;
class SourceMap;
class StepWatch;
class QTemporaryDir;

// Why a run of the program under the debugger stopped, in words.
struct DebugStop
{
    enum Kind { Stepped, Breakpoint, Paused, WaitingForKey, Ended, Fault };
    Kind kind = Stepped;
    SourceLine line; // where CS:IP is now (invalid outside the program's code)
    // Names the source line for Paused, WaitingForKey, Ended and Fault;
    // empty for plain steps.
    QString message;
    int exitCode = 0;
};

// The program loaded on the machine and stopped at its first instruction;
// the debugger's commands run it on the machine's worker thread.
class DebugSession : public QObject
{
    Q_OBJECT
public:
    // What DebugBuild hands over: the program built, where its lines are,
    // and the folder it was built in (kept while the session lives).
    struct Program
    {
        Machine::Setup setup;
        QString image; // host path of the .EXE or .COM
        bool com = false;
        ProgramListing listing;
        LinkMap map;
        QString mainFile;
        std::shared_ptr<QTemporaryDir> folder;
        // The command tail, as typed after the program's name.
        QByteArray tail;
        QList<ListedSymbol> symbols;
        QHash<QString, int> segmentLengths;
    };
    // Loads the program; on failure *error says why and the session is unusable.
    DebugSession(const Program &program, QString *error, QObject *parent = nullptr);
    ~DebugSession() override;

    bool running() const;
    bool ended() const;
    SourceLine currentLine() const;

    void continueRun();
    void stepInto();
    void stepOver();
    void stepOut();
    // Exactly one instruction of the program's (the machine's own services run whole).
    void stepInstruction();
    // Runs to the first address of the line (a breakpoint or the end may come
    // first); a line without code stops at once with a message.
    void runTo(const SourceLine &line);
    // Runs until one of these linear addresses (or a breakpoint, or the end).
    void runToAny(const QList<quint32> &addresses);
    // A running command stops within 100 ms: stopped(Paused) names where.
    void pause();

    // Stepping back over what ran under the debugger, steps and runs alike
    // (the last million instructions at least): registers, memory, the
    // screen and the devices as they were, and the keys the program read
    // given again as it comes to them. Files it wrote stay as they are.
    // Also after the program's end.
    bool canStepBack() const;
    // Back to where the line run before this one began; after 单步一条指令,
    // back one instruction as it went.
    void stepBack();
    // Back one instruction (one pass of a REP string instruction).
    void stepBackInstruction();
    // Back to the last breakpoint the program passed, or to the start of
    // what was kept.
    void runBack();

    // False when the line holds no instruction (see lineWithCode).
    bool setBreakpoint(const SourceLine &line, bool on);
    QList<SourceLine> breakpoints() const;
    // A breakpoint at the linear address of an instruction, with or without
    // source there (code the program copied elsewhere, the machine's own);
    // an empty condition stops at every hit. Its id, or 0 when the condition
    // cannot be read (*error says why).
    int addAddressBreakpoint(quint32 linear, const QString &condition = {},
                             QString *error = nullptr);
    // The same from segment:offset, kept as given for the list.
    int addAddressBreakpoint(quint16 segment, quint16 offset, const QString &condition = {},
                             QString *error = nullptr);
    // A data breakpoint: the program stops right after the instruction or
    // the machine's service that changes one of these bytes. False (0) for
    // a range past the first megabyte or of no bytes.
    int addDataBreakpoint(quint16 segment, quint16 offset, int length,
                          const QString &condition = {}, QString *error = nullptr);
    // The same on the bytes of a variable of the program (all its elements).
    int addDataBreakpoint(const QString &variable, const QString &condition = {},
                          QString *error = nullptr);
    bool removeBreakpoint(int id);
    bool setBreakpointEnabled(int id, bool on);
    // False, and *error, when the condition cannot be read; empty: always.
    bool setBreakpointCondition(int id, const QString &condition, QString *error = nullptr);
    // Stop on this hit only; 0: on every one.
    bool setBreakpointHitTarget(int id, int target);
    // In the order they were set, with their hits so far.
    QList<Breakpoint> breakpointList() const;
    // The id of the line's breakpoint, 0 for none.
    int breakpointAt(const SourceLine &line) const;
    // Why the condition cannot be read with the program's names; empty when it can.
    QString conditionError(const QString &condition) const;
    // Where the breakpoint is, for people: "第 12 行", "地址 0000:0200", "COUNT（2 字节）".
    QString placeText(const Breakpoint &b) const;
    // The first line at or after this one in its file that holds an
    // instruction; invalid if none.
    SourceLine lineWithCode(const SourceLine &line) const;

    bool waitingForKey() const { return waitingForKey_; }
    // A key (scan code << 8 | character). Waiting for one, the command that
    // was going on goes on; running, the program finds it in the keyboard
    // buffer.
    void typeKey(quint16 key);
    // Steps by line take the hardware's interrupts and stop in a handler of
    // the program's; off (the default), time stands still during a step.
    void setStepIntoInterrupts(bool on) { stepIntoInterrupts_ = on; }

    // While stopped, the user's own changes: kept until the program or the
    // user changes them again, and shown as changed. False while running or
    // after the end.
    bool setRegister(Reg reg, quint16 value);
    bool writeMemory(quint32 address, const QByteArray &bytes);
    bool setRegisters(const Registers &registers);
    // While not running: the machine as it is, and its devices' ports.
    Registers registers() const;
    QByteArray memory() const;
    std::optional<quint8> readPort(quint16 port);
    bool writePort(quint16 port, quint8 value);

    // While not running.
    DebugView view() const;
    // "第 12 行" or "MACROS.INC 第 3 行".
    QString lineText(const SourceLine &line) const;

signals:
    // A command that may take long began (emitted 50 ms into it).
    void started();
    void stopped(const DebugStop &stop);
    // What the monitor shows while the program runs, ten times a second.
    void screenWhileRunning(const ScreenPicture &picture);
    // A breakpoint came, went or changed, or its hits did at a stop.
    void breakpointsChanged();

private:
    using Work = std::function<MachineStop(Machine &)>;
    void begin(Work work);
    // Starts the work on the worker, going on past breakpoints whose
    // condition or hit target says not to stop.
    void launch(const Work &work);
    Breakpoint *find(int id);
    int add(Breakpoint b);
    void changed();
    void finished(const MachineStop &stop);
    DebugStop describe(const MachineStop &stop) const;
    QString where(quint32 address, const SourceLine &line) const;
    // Why the program stopped at a breakpoint, where that says more than the line.
    QString breakpointMessage(quint32 at, const SourceLine &line) const;
    QString dataMessage() const;
    void step(int mode);
    void back(int how);
    // What the next stop is compared with: the registers and memory now.
    void remember();
    void syncMachine();
    void rearm();

    std::unique_ptr<MachineThread> thread_;
    std::shared_ptr<SourceMap> map_;
    std::shared_ptr<QTemporaryDir> folder_;
    Registers previous_;
    QByteArray previousMemory_;
    QList<WatchSymbol> symbols_;
    // Where the program's stack began: the words above it were never pushed.
    quint16 stackSegment_ = 0;
    quint32 stackTop_ = 0x10000;
    // Each with its count of hits, which the worker raises.
    struct Entry
    {
        Breakpoint b;
        std::shared_ptr<std::atomic<int>> hits;
    };
    QList<Entry> breakpoints_;
    int nextId_ = 1;
    // What the worker checks at a breakpoint: the enabled breakpoints as
    // the machine last got them, and what it found at the last stop.
    std::shared_ptr<const ArmedBreakpoints> armed_;
    std::shared_ptr<BreakpointVerdict> verdict_;
    QSet<quint32> applied_; // breakpoints the machine has
    // Where a run to a line or an address stops besides the breakpoints.
    QSet<quint32> runToAddresses_;
    std::vector<std::pair<quint32, quint32>> watched_; // data ranges the machine has
    // The step going on (kept across a stop for a key).
    std::shared_ptr<StepWatch> watch_;
    Work resume_;
    // What a step back found, for its stop's message.
    struct Backed
    {
        bool toStart = false;
        bool filesChanged = false;
    };
    std::shared_ptr<Backed> back_;
    // Breakpoints or keys that changed while running wait for the machine:
    // the run is paused for them and goes on.
    bool rearm_ = false;
    bool pauseAsked_ = false;
    bool waitingForKey_ = false;
    bool ended_ = false;
    bool stepIntoInterrupts_ = false;
    bool lastStepSingle_ = false;
    QTimer startedTimer_;
    // While running, the screen as the machine last showed it.
    QTimer refreshTimer_;
};
