#include "machine/machinethread.h"

#include <memory>

MachineThread::MachineThread(const Machine::Setup &setup, QObject *parent)
    : QObject(parent), machine_(std::make_unique<Machine>(setup)), worker_(new MachineWorker(this))
{
}

MachineThread::~MachineThread()
{
    machine_->requestStop();
    // The worker goes (and waits for the run) before the machine does.
    delete worker_;
}

bool MachineThread::start(const Machine::Bounds &bounds)
{
    return start([bounds](Machine &m) { return m.run(bounds); });
}

bool MachineThread::start(std::function<MachineStop(Machine &)> work)
{
    if (running_)
        return false;
    Machine *m = machine_.get();
    auto stop = std::make_shared<MachineStop>();
    if (!worker_->start([m, work = std::move(work), stop] { *stop = work(*m); },
                        [this, stop] {
                            running_ = false;
                            emit stopped(*stop);
                        }))
        return false;
    running_ = true;
    return true;
}

void MachineThread::pause()
{
    if (running_)
        machine_->requestStop();
}
