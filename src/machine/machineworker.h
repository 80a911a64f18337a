#pragma once

#include <QObject>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>

// The one way the machine's work leaves the window's thread: a thread of its
// own, on which jobs (a tool's run, a build, a program's run or steps) run
// one at a time. A job's end is told on the thread that made the worker,
// through its event loop, never from the worker.
class MachineWorker : public QObject
{
    Q_OBJECT
public:
    explicit MachineWorker(QObject *parent = nullptr);
    // Waits for a job still going: whoever started it asks it to stop first.
    ~MachineWorker() override;

    // Runs job on the worker, then done on this object's thread unless this
    // object is gone by then. False while a job still runs.
    bool start(std::function<void()> job, std::function<void()> done = {});
    // From start() until the job has returned (its done may still be due).
    bool busy() const;
    // Blocks until the job going has returned.
    void wait();

private:
    QThread thread_;
    QObject *context_ = nullptr;
    mutable std::mutex lock_;
    std::condition_variable idle_;
    bool busy_ = false;
};
