#pragma once

#include "platform/launcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

// Where a hidden run stands for a caller that bounds it: still going, ended
// by itself, or stopped (by a bound of its own, or by the caller's: no
// progress for boundMs; the run is ended then). idle is the caller's clock of
// the time without progress.
enum class RunState { Going, Ended, Stopped };
RunState checkRun(LaunchedRun &run, QElapsedTimer &idle, int boundMs, RunStop *stop);

// What the user is told of a tool that was stopped: toolKind is "编译程序" or
// "连接程序", program the tool's path.
QString runStopMessage(const QString &toolKind, const QString &program, const RunStop &stop);

// One wait of a toolchain command (the listing of an assembly, a view waiting
// for its file, Run waiting for the linker). Each wait checks on a timer of
// its own, so no wait ever holds another up, and owns what it needs: copies of
// names and paths in its callbacks, and the tool run it waits for. It is a
// child of the main window and goes with it; dropping a wait ends its run.
class ToolWait : public QObject
{
    Q_OBJECT
public:
    explicit ToolWait(QObject *owner);
    ~ToolWait() override;

    // The hidden tool run waited for: the wait holds until it has ended.
    std::unique_ptr<LaunchedRun> run;
    // What else must hold before the wait ends; none: only the run.
    std::function<bool()> ready;
    // Runs once when the wait ends.
    std::function<void()> then;
    // A run without progress for boundMs is ended; a run stopped by that or
    // by a bound of its own calls expired instead of then.
    int boundMs = 0;
    std::function<void(const RunStop &)> expired;

    // The wait ends quietly, running nothing, when object goes.
    void dependOn(QObject *object);
    void start(int intervalMs = 20);
    // Ends the wait quietly now; its run is ended with it.
    void cancel();

private:
    void check();

    QTimer timer_;
    QElapsedTimer idle_;
};
