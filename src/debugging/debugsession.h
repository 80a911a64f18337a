#pragma once

#include "debugging/debugview.h"
#include "toolchain/linkmap.h"
#include "debugging/listing.h"
#include "debugging/sourceline.h"
#include "rules/symboltable.h"
#include "machine/machine.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>
#include <memory>

class MachineThread;
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

private:
    using Work = std::function<MachineStop(Machine &)>;
    void begin(Work work);
    void finished(const MachineStop &stop);
    DebugStop describe(const MachineStop &stop) const;
    QString where(quint32 address, const SourceLine &line) const;
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
    QSet<SourceLine> breakpoints_;
    QSet<quint32> applied_; // breakpoints the machine has
    quint32 runToAddress_ = ~0u;
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
