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
    DataWritten,   // an instruction or a service changed watched bytes (Machine::watchWrites)
};

// What kind of fault stopped the CPU, for a Fault.
enum class FaultKind {
    None,
    DivideOverflow,     // INT 0: a divisor of 0 or a quotient too large
    InvalidInstruction, // bytes that are no 8086 instruction, or INT 6
    BoundRange,         // BOUND's fault, INT 5
    StackOverflow,      // the stack ran past its segment and overwrote the program
    HaltForEver,        // HLT with interrupts disabled
    CpuException,       // another exception below 8 (vector)
    CpuError,           // the emulator gave up (detail has its words)
};

// What the machine lacks, for Unsupported.
enum class Lack {
    None,
    Service,     // an interrupt or a function of one (detail names it)
    VideoMode,   // a BIOS video mode (number)
    Port,        // a port no device answers (number)
    VideoMemory, // a picture drawn straight into planar video memory (number: the mode)
};

struct MachineStop
{
    StopReason reason = StopReason::None;
    int exitCode = 0;
    QString detail;
    QString file;
    qint64 fileSize = 0;
    FaultKind fault = FaultKind::None;
    Lack lack = Lack::None;
    // The exception's number for CpuException; the mode or the port of a Lack.
    int number = 0;
};
