#pragma once

#include "toolchain/buildsteps.h"

#include <QObject>
#include <QPointer>

#include "toolchain/toolwait.h"


// Runs the steps of a build as hidden runs of the launcher given (the
// window's, which may hand a tool to DOSBox; or one that keeps to the
// built-in machine) and tells, by a signal, what each came to. A step
// starts at once and its signal comes later, never from inside the call.
// One step of each kind runs at a time: starting one ends the one before it,
// which then never signals. Each step first removes the files it reads back
// (listing, console), so that only its own make its outcome.
class ProgramBuilder : public QObject
{
    Q_OBJECT
public:
    explicit ProgramBuilder(Launcher &launcher, QObject *parent = nullptr);
    ~ProgramBuilder() override;

    // A step without progress (writing its files) this long is stopped: a
    // linker that asks the console for a missing library waits for ever.
    int boundMs = 30000;

    // What could not be started is returned at once (and nothing is signalled).
    LaunchResult assemble(const AssembleStep &step);
    LaunchResult link(const LinkStep &step);
    LaunchResult makeCom(const ComStep &step);

    bool assembling() const { return assembly_; }
    // The linker or EXE2BIN is running: the program is not there yet.
    bool linking() const { return link_ || com_; }
    // Ends the assembly running, quietly.
    void cancelAssembly();
    // Ends every step running, quietly.
    void cancel();

signals:
    void assembled(const AssembleResult &result);
    void linked(const LinkResult &result);
    void comMade(const ComResult &result);

private:
    LaunchResult start(QPointer<ToolWait> &slot, const QString &commandLine, const QString &folder,
                       const QString &console, const QString &includeFolder,
                       std::function<void(const RunStop &)> ended);

    Launcher &launcher_;
    QPointer<ToolWait> assembly_;
    QPointer<ToolWait> link_;
    QPointer<ToolWait> com_;
};
