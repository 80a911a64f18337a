#pragma once

#include <QtGlobal>
#include <chrono>

class Cpu;

// The machine's time, in the timer chip's input clocks (1,193,182 a second)
// since the program was loaded. It moves only while the machine runs: while
// the debugger holds a program, time stands still.
//
// Wall: it follows the host's clock while a run goes on (F5's window, the
// debugger). Instructions: it is the count of instructions run, one clock
// each, so that the BIOS's 18.2 Hz tick comes every 65,536 instructions and
// two runs of a program see the same times (hidden and repeatable runs).
class MachineClock
{
public:
    enum class Kind { Wall, Instructions };

    void reset(Kind kind, Cpu *cpu);
    Kind kind() const { return kind_; }
    qint64 now() const;
    // Wall time runs from here until pause().
    void resume();
    void pause();
    // Time that passed with the CPU idle (a HLT waiting for the next
    // interrupt), where time is counted by instructions.
    void skip(qint64 clocks);
    // Host time until the machine's clock reads `at`, in a wall run.
    std::chrono::nanoseconds until(qint64 at) const;
    // The time gone by as the clock keeps it (on the wall: ns; by
    // instructions: the clocks skipped beside them), read and put back.
    qint64 elapsed() const;
    void setElapsed(qint64 elapsed);

private:
    using Steady = std::chrono::steady_clock;
    Kind kind_ = Kind::Wall;
    Cpu *cpu_ = nullptr;
    qint64 before_ = 0; // ns of earlier runs
    Steady::time_point since_{};
    bool running_ = false;
    qint64 skipped_ = 0;
};
