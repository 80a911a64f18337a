#pragma once

#include <QString>

// Why a run of the machine came to a stop.
enum class StopReason {
    None,
    Exited,        // the program ended (exitCode)
    Fault,         // division overflow, invalid instruction, a CPU error
    Unsupported,   // an interrupt or function the machine lacks (detail names it)
    InputWanted,   // a read of the keyboard found no key waiting; IP is back on the INT
    Breakpoint,    // CS:IP reached a breakpoint; its instruction has not run
    BudgetSpent,   // the instruction budget of run() is used up
    StopRequested, // requestStop()
    Stalled,       // no output for the idle bound
    OutputLimit,   // a file reached the size limit (file, fileSize)
    Watched,       // the watch of runWatched() asked to stop before CS:IP
    Fenced,        // CS:IP reached a fence (setFences); its instruction has not run
};

struct MachineStop
{
    StopReason reason = StopReason::None;
    int exitCode = 0;
    QString detail;
    QString file;
    qint64 fileSize = 0;
};
