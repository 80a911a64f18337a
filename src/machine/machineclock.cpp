#include "machine/machineclock.h"

#include "machine/cpu.h"
#include "machine/pit.h"

#include <algorithm>

void MachineClock::reset(Kind kind, Cpu *cpu)
{
    kind_ = kind;
    cpu_ = cpu;
    before_ = 0;
    running_ = false;
    skipped_ = 0;
    if (kind == Kind::Instructions && cpu) {
        cpu->countInstructions();
        cpu->setInstructions(0);
    }
}

qint64 MachineClock::now() const
{
    if (kind_ == Kind::Instructions)
        return qint64(cpu_ ? cpu_->instructions() : 0) + skipped_;
    qint64 ns = before_;
    if (running_)
        ns += std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - since_).count();
    // 128-bit free: ns * hz overflows past 89 days of running, so split.
    return ns / 1000000000 * Pit::hz + ns % 1000000000 * Pit::hz / 1000000000;
}

void MachineClock::resume()
{
    if (running_)
        return;
    since_ = Steady::now();
    running_ = true;
}

void MachineClock::pause()
{
    if (!running_)
        return;
    before_ += std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - since_).count();
    running_ = false;
}

void MachineClock::skip(qint64 clocks)
{
    skipped_ += std::max<qint64>(0, clocks);
}

std::chrono::nanoseconds MachineClock::until(qint64 at) const
{
    const qint64 left = at - now();
    if (left <= 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(left / Pit::hz * 1000000000 + left % Pit::hz * 1000000000 / Pit::hz);
}

qint64 MachineClock::elapsed() const
{
    if (kind_ == Kind::Instructions)
        return skipped_;
    if (!running_)
        return before_;
    return before_ +
           std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - since_).count();
}

void MachineClock::setElapsed(qint64 elapsed)
{
    if (kind_ == Kind::Instructions) {
        skipped_ = elapsed;
        return;
    }
    before_ = elapsed;
    if (running_)
        since_ = Steady::now();
}
