#pragma once

#include "platform/launcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

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
    // A run still going after boundMs is ended and expired runs instead.
    int boundMs = 0;
    std::function<void()> expired;

    // The wait ends quietly, running nothing, when object goes.
    void dependOn(QObject *object);
    void start(int intervalMs = 50);
    // Ends the wait quietly now; its run is ended with it.
    void cancel();

private:
    void check();

    QTimer timer_;
    QElapsedTimer clock_;
};
