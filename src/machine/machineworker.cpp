#include "machine/machineworker.h"

#include <QPointer>

MachineWorker::MachineWorker(QObject *parent) : QObject(parent)
{
    context_ = new QObject;
    context_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
    thread_.start();
}

MachineWorker::~MachineWorker()
{
    thread_.quit();
    thread_.wait();
}

bool MachineWorker::start(std::function<void()> job, std::function<void()> done)
{
    {
        std::lock_guard guard(lock_);
        if (busy_)
            return false;
        busy_ = true;
    }
    QPointer<MachineWorker> self(this);
    QMetaObject::invokeMethod(context_, [this, self, job = std::move(job),
                                         done = std::move(done)] {
        job();
        {
            // The owner waits in its destructor for this thread, so this
            // object outlives the job.
            std::lock_guard guard(lock_);
            busy_ = false;
        }
        idle_.notify_all();
        if (!done)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, done] {
                if (self)
                    done();
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool MachineWorker::busy() const
{
    std::lock_guard guard(lock_);
    return busy_;
}

void MachineWorker::wait()
{
    std::unique_lock guard(lock_);
    idle_.wait(guard, [this] { return !busy_; });
}
