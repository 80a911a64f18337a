#pragma once

#include "machine/machine.h"
#include "machine/machineworker.h"

#include <QObject>
#include <functional>
#include <memory>

// A machine that runs on a worker thread of its own, so that a program that
// runs for long leaves the window free and can be paused. Between runs the
// machine belongs to the thread that made this object, which may then read
// and change it (registers, memory, breakpoints, keys) through machine().
class MachineThread : public QObject
{
    Q_OBJECT
public:
    explicit MachineThread(const Machine::Setup &setup, QObject *parent = nullptr);
    // Stops a run still going and waits for the worker.
    ~MachineThread() override;

    // Null while a run goes on.
    Machine *machine() { return running_ ? nullptr : machine_.get(); }
    bool running() const { return running_; }

    // Starts run(bounds) on the worker; stopped() tells its end. False when a
    // run still goes on.
    bool start(const Machine::Bounds &bounds);
    // Starts any work on the machine on the worker (runs, single steps);
    // stopped() tells the stop it returns. False when a run still goes on.
    bool start(std::function<MachineStop(Machine &)> work);
    // Asks a run to stop soon; it then ends as StopRequested.
    void pause();
    // A key typed, whether or not a run goes on: a running program gets it
    // through the keyboard's interrupt at once, a stopped one when it runs.
    void pushKey(quint16 key) { machine_->pushKey(key); }
    // What the monitor showed lately, while a run goes on too.
    ScreenPicture recentScreen() const { return machine_->recentScreen(); }
    // The speaker's tone now (0: silent), while a run goes on too.
    int speakerHz() const { return machine_->speakerHz(); }

signals:
    void stopped(const MachineStop &stop);

private:
    std::unique_ptr<Machine> machine_;
    MachineWorker *worker_;
    bool running_ = false;
};
