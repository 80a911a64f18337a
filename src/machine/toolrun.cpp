#include "machine/toolrun.h"

#include "machine/machine.h"
#include "machine/machineworker.h"

#include <atomic>
#include <mutex>

namespace {

ToolRunEnd endOf(StopReason reason)
{
    switch (reason) {
    case StopReason::Exited:
        return ToolRunEnd::Exited;
    case StopReason::Unsupported:
        return ToolRunEnd::Unsupported;
    case StopReason::InputWanted:
        return ToolRunEnd::InputWanted;
    case StopReason::Stalled:
        return ToolRunEnd::Stalled;
    case StopReason::OutputLimit:
        return ToolRunEnd::OutputLimit;
    case StopReason::StopRequested:
        return ToolRunEnd::Cancelled;
    default:
        return ToolRunEnd::Fault;
    }
}

} // namespace

struct ToolRun::Worker
{
    ToolRunRequest request;
    std::unique_ptr<Machine> machine;
    MachineWorker worker;
    std::atomic<bool> done{false};
    std::atomic<bool> cancelled{false};
    std::mutex lock; // guards machine's lifetime against cancel()
    ToolRunOutcome outcome;

    void work()
    {
        Machine::Setup setup;
        setup.toolFolder = request.toolFolder;
        setup.sourceFolder = request.sourceFolder;
        setup.consoleFile = request.consoleFile;
        setup.fileSizeLimit = request.fileSizeLimit;
        if (request.outputs) {
            setup.toolFolderWrites = Drives::ToolFolderWrites::Outputs;
            setup.toolOutputs = *request.outputs;
        }
        {
            std::lock_guard guard(lock);
            machine = std::make_unique<Machine>(setup);
        }
        ToolRunOutcome result;
        QString error;
        if (!machine->load(request.program, request.tail.toLocal8Bit(), &error)) {
            result.end = ToolRunEnd::LoadFailed;
            result.detail = error;
        } else if (cancelled) {
            result.end = ToolRunEnd::Cancelled;
        } else {
            const MachineStop stop = machine->run({request.idleBoundMs, 0});
            result.end = endOf(stop.reason);
            result.exitCode = stop.exitCode;
            result.detail = stop.detail;
            result.file = stop.file;
            result.fileSize = stop.fileSize;
        }
        {
            std::lock_guard guard(lock);
            machine.reset(); // closes the console file and every file left open
        }
        outcome = result;
        done = true;
    }
};

ToolRun::ToolRun(ToolRunRequest request) : worker_(std::make_unique<Worker>())
{
    worker_->request = std::move(request);
    Worker *w = worker_.get();
    w->worker.start([w] { w->work(); });
}

ToolRun::~ToolRun()
{
    cancel();
}

bool ToolRun::finished() const
{
    return worker_->done;
}

void ToolRun::cancel()
{
    worker_->cancelled = true;
    {
        std::lock_guard guard(worker_->lock);
        if (worker_->machine)
            worker_->machine->requestStop();
    }
    worker_->worker.wait();
}

ToolRunOutcome ToolRun::outcome() const
{
    return worker_->outcome;
}
