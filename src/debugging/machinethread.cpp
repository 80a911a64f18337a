#include "debugging/machinethread.h"

#include <QPointer>

MachineThread::MachineThread(const Machine::Setup &setup, QObject *parent)
    : QObject(parent), machine_(std::make_unique<Machine>(setup))
{
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

MachineThread::~MachineThread()
{
    machine_->requestStop();
    thread_.quit();
    thread_.wait();
}

bool MachineThread::start(const Machine::Bounds &bounds)
{
    return start([bounds](Machine &m) { return m.run(bounds); });
}

bool MachineThread::start(std::function<MachineStop(Machine &)> work)
{
    if (running_)
        return false;
    running_ = true;
    Machine *m = machine_.get();
    QPointer<MachineThread> self(this);
    QMetaObject::invokeMethod(worker_, [m, work = std::move(work), self] {
        const MachineStop stop = work(*m);
        // Back on the owner's thread; a destroyed owner has joined the worker
        // before the machine went, and drops the call.
        QMetaObject::invokeMethod(
            self.data(),
            [self, stop] {
                if (!self)
                    return;
                self->running_ = false;
                emit self->stopped(stop);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void MachineThread::pause()
{
    if (running_)
        machine_->requestStop();
}
