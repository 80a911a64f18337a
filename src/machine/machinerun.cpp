// The run loop: the CPU runs until something stops it; between its runs
// the devices are brought up to time and hardware interrupts are taken.
#include "machine/machine.h"

#include "machine/machinerecord.h"
#include "machine/machinestate.h"
#include "machine/threadclock.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace {

// The 8086 takes no interrupt right after MOV SS or POP SS, so that the
// next instruction can set SP. Bytes that only look like one of them put
// the interrupt off until the next look, which does no harm. (STI's own
// delay is not kept: a loop label right after an STI would look like it
// at every pass.)
bool inShadow(const MachineState &m)
{
    const GuestMemory &g = m.cpu.memory();
    const quint16 cs = m.r(Reg::CS), ip = m.r(Reg::IP);
    const quint8 last = g.byte(cs, quint16(ip - 1));
    if (last == 0x17)
        return true;
    if (g.byte(cs, quint16(ip - 2)) == 0x8E && (last & 0xF8) == 0xD0)
        return true;
    return g.byte(cs, quint16(ip - 4)) == 0x8E && g.byte(cs, quint16(ip - 3)) == 0x16;
}

// DIV or IDIV (F6/F7 /6, /7), after any prefixes.
bool isDivide(const MachineState &m)
{
    const GuestMemory &g = m.cpu.memory();
    const quint16 cs = m.r(Reg::CS);
    quint16 ip = m.r(Reg::IP);
    for (int i = 0; i < 4; ++i) {
        const quint8 b = g.byte(cs, ip);
        if (b != 0x26 && b != 0x2E && b != 0x36 && b != 0x3E)
            break;
        ++ip;
    }
    const quint8 op = g.byte(cs, ip);
    const quint8 reg = (g.byte(cs, quint16(ip + 1)) >> 3) & 7;
    return (op == 0xF6 || op == 0xF7) && reg >= 6;
}

// How soon, in instructions, a run by instructions looks again at devices
// that have something on its way.
constexpr qint64 pollInstructions = 200;

} // namespace

bool Machine::takeEvents(bool live, quint64 alarmCap)
{
    MachineState &m = *s_;
    Devices &d = m.devices;
    takeTypedKeys();
    updateDevices(m);
    bool taken = false;
    // A service waiting for keys has the BIOS's interrupts on.
    const bool enabled = (m.r(Reg::Flags) & 0x0200) || m.idle;
    if (live && enabled && !inShadow(m)) {
        const int irq = d.pic.pending();
        if (irq >= 0) {
            m.enterVector(d.pic.acknowledge(irq));
            taken = true;
        }
    }
    const qint64 next = nextDeviceEvent(m);
    const bool busy = devicesBusy(m);
    nextEvent_ = next;
    devicesBusy_ = busy;
    if (d.clock.kind() == MachineClock::Kind::Instructions) {
        quint64 alarm = next >= 0 && live ? quint64(next) : ~quint64(0);
        if (busy && live)
            alarm = std::min(alarm, quint64(d.clock.now() + pollInstructions));
        // The clock counts instructions only: time skipped in a HLT is not
        // on the CPU's count.
        const quint64 skipped = quint64(d.clock.now()) - m.cpu.instructions();
        m.cpu.setAlarm(std::min(alarmCap, alarm == ~quint64(0) ? alarm : alarm - skipped));
    }
    return taken;
}

bool Machine::waitForInterrupt()
{
    MachineState &m = *s_;
    Devices &d = m.devices;
    if (devicesBusy(m))
        return true; // something is on its way already
    const qint64 next = nextDeviceEvent(m);
    if (d.clock.kind() == MachineClock::Kind::Instructions) {
        if (next < 0)
            return false;
        d.clock.skip(next - d.clock.now());
        return true;
    }
    std::unique_lock guard(wakeLock_);
    const auto woken = [&] { return keysArrived_ || stopRequested_; };
    if (next < 0)
        wake_.wait_for(guard, std::chrono::milliseconds(50), woken);
    else
        wake_.wait_for(guard, d.clock.until(next), woken);
    return true;
}

MachineStop Machine::runFor(const Bounds &bounds, quint64 count, const Cpu::Watch &watch)
{
    MachineState &m = *s_;
    m.stop = {};
    m.idle = false;
    if (stopRequested_.exchange(false)) {
        m.stop.reason = StopReason::StopRequested;
        return m.stop;
    }
    Devices &d = m.devices;
    const bool byInstructions = d.clock.kind() == MachineClock::Kind::Instructions;
    // A single step stands time still; a step by source line runs without
    // the hardware's interrupts unless asked to take them.
    const bool live = count != 1 && (!watch || stepIntoInterrupts_);
    // A budget by instructions is the instruction clock's alarm.
    const quint64 budgetEnd = m.cpu.instructions() + count;
    quint64 left = count;
    std::atomic<bool> stalled{false};
    bool budgetSpent = false;

    // A run that starts on a breakpoint passes its instruction before an
    // interrupt comes in: one taken there would come back to the breakpoint
    // and stop the run on it again, as if reached anew.
    bool leaving = m.cpu.hasBreakpoint(linear(m.r(Reg::CS), m.r(Reg::IP)));
    const auto runCpu = [&] {
        int error = 0;
        // A run the record ended (an interrupt, a port) goes on as if it
        // had not ended: the devices are looked at when they would have been.
        bool eventsDue = true;
        for (;;) {
            publishScreen();
            const bool events = std::exchange(eventsDue, true);
            // The record keeps the machine as the last run left it, and as
            // the next one starts.
            if (record_ && events)
                record_->mark();
            const bool interrupts = live && !std::exchange(leaving, false);
            if (events && takeEvents(interrupts, count ? budgetEnd : ~quint64(0)) &&
                m.cpu.hasBreakpoint(linear(m.r(Reg::CS), m.r(Reg::IP)))) {
                m.stop.reason = StopReason::Breakpoint; // the handler's first line
                return 0;
            }
            m.idle = false;
            devicesDue_ = false;
            if (record_)
                record_->mark();
            error = m.cpu.run(byInstructions ? 0 : left, watch);
            if (error || m.stop.reason != StopReason::None || stalled || stopRequested_)
                return error;
            if (byInstructions && count && m.cpu.instructions() >= budgetEnd) {
                budgetSpent = true;
                return 0;
            }
            if (!byInstructions && count) {
                left -= std::min(left, m.cpu.lastRunCount());
                if (m.cpu.budgetSpent() || left == 0) {
                    // Its last instruction may have ended the CPU's run
                    // itself (a service, a port).
                    budgetSpent = true;
                    return 0;
                }
            }
            if (m.cpu.writeStopped() || m.cpu.fenced() || m.cpu.watchStopped() ||
                m.cpu.hasBreakpoint(linear(m.r(Reg::CS), m.r(Reg::IP))))
                return 0;
            const bool hlt = halted();
            if (m.idle || (hlt && (m.r(Reg::Flags) & 0x0200))) {
                if (!live || !waitForInterrupt())
                    return 0;
                continue;
            }
            if (hlt)
                return 0;
            if (m.cpu.alarmed() || devicesDue_ || m.cpu.stoppedSoon())
                continue;
            if (m.cpu.journalEnded()) {
                eventsDue = !live;
                continue;
            }
            // A third divide error is a 386's triple fault, and the emulator
            // just stops on the DIV: deliver it as the 8086 would.
            if (isDivide(m)) {
                interrupt(0);
                if (m.stop.reason != StopReason::None)
                    return 0;
                continue;
            }
            return 0;
        }
    };
    d.clock.resume();
    int error = 0;
    // A few instructions need no watchdog: a thread per single step would
    // cost more than the step.
    if (count > 0 && count <= 1000 && bounds.idleMs == 0 && !watch) {
        error = runCpu();
    } else {
        error = runWithWatchdog(bounds, live && !byInstructions, stalled, runCpu);
    }
    d.clock.pause();
    return runEnded(error, stalled, bounds, budgetSpent);
}

int Machine::runWithWatchdog(const Bounds &bounds, bool ticking, std::atomic<bool> &stalled,
                             const std::function<int()> &runCpu)
{
    // Beside the run, a watchdog stops the CPU when asked to, when the
    // program has written nothing for the idle bound, and (on the wall
    // clock) when a device has something for it: the timer's tick, a key.
    MachineState &m = *s_;
    const ThreadClock clock;
    bool over = false;
    std::thread watchdog([&] {
        using namespace std::chrono;
        qint64 last = m.progress;
        qint64 since = clock.ms();
        std::unique_lock guard(wakeLock_);
        while (!over) {
            nanoseconds wait = milliseconds(10);
            const qint64 next = nextEvent_;
            if (ticking && devicesBusy_)
                wait = std::min<nanoseconds>(wait, milliseconds(1));
            if (ticking && next >= 0)
                wait = std::min(wait, m.devices.clock.until(next));
            wake_.wait_for(guard, wait);
            if (over)
                break;
            const qint64 now = clock.ms();
            if (m.progress != last) {
                last = m.progress;
                since = now;
            } else if (bounds.idleMs > 0 && now - since >= bounds.idleMs) {
                stalled = true;
            }
            const bool due = ticking && (keysArrived_ || devicesBusy_ ||
                                         (next >= 0 && m.devices.clock.now() >= next));
            if (stalled || stopRequested_) {
                m.cpu.stopSoon();
            } else if (due) {
                devicesDue_ = true;
                m.cpu.stopSoon();
            }
        }
    });
    const int error = runCpu();
    {
        std::lock_guard guard(wakeLock_);
        over = true;
    }
    wake_.notify_all();
    watchdog.join();
    return error;
}

MachineStop Machine::runEnded(int error, bool stalled, const Bounds &bounds, bool budgetSpent)
{
    MachineState &m = *s_;
    classify(error, stalled, bounds, budgetSpent);
    // A runaway recursion ends in whatever its stack overwrote: the cause
    // the student needs is the stack.
    if ((m.stop.reason == StopReason::Fault || m.stop.reason == StopReason::Fenced) &&
        m.stackOverflowed()) {
        m.stop.reason = StopReason::Fault;
        m.stop.fault = FaultKind::StackOverflow;
        m.stop.detail = QStringLiteral("stack overflow (SS:SP %1:%2)")
                            .arg(hex(m.r(Reg::SS), 4), hex(m.r(Reg::SP), 4));
    }
    return m.stop;
}

void Machine::classify(int error, bool stalled, const Bounds &bounds, bool budgetSpent)
{
    MachineState &m = *s_;
    // A program that drew straight into planar memory and ended showed a
    // picture the machine never saw.
    if (m.stop.reason == StopReason::None || m.stop.reason == StopReason::Exited)
        checkPlanarWrites();
    if (m.stop.reason != StopReason::None)
        return;
    if (m.cpu.writeStopped()) {
        m.stop.reason = StopReason::DataWritten;
    } else if (stalled) {
        m.stop.reason = StopReason::Stalled;
        m.stop.detail = QStringLiteral("no output for %1 ms").arg(bounds.idleMs);
    } else if (stopRequested_.exchange(false)) {
        m.stop.reason = StopReason::StopRequested;
    } else if (error != 0) {
        m.stop.reason = StopReason::Fault;
        m.stop.fault = FaultKind::CpuError;
        m.stop.detail = QStringLiteral("CPU error %1").arg(error);
    } else if (budgetSpent || m.cpu.budgetSpent()) {
        m.stop.reason = StopReason::BudgetSpent;
    } else if (m.cpu.fenced()) {
        m.stop.reason = StopReason::Fenced;
        m.stop.detail = hex(m.r(Reg::CS), 4) + QLatin1Char(':') + hex(m.r(Reg::IP), 4);
    } else if (m.cpu.watchStopped()) {
        m.stop.reason = StopReason::Watched;
    } else if (m.cpu.hasBreakpoint(linear(m.r(Reg::CS), m.r(Reg::IP)))) {
        m.stop.reason = StopReason::Breakpoint;
    } else if (m.idle) {
        // A key read in a step: the step waits for the key like a run.
        m.stop.reason = StopReason::InputWanted;
        m.stop.detail = QStringLiteral("keyboard");
    } else if (halted()) {
        m.stop.reason = StopReason::Fault;
        m.stop.fault = FaultKind::HaltForEver;
        m.stop.detail = QStringLiteral("HLT with interrupts disabled");
    } else {
        m.stop.reason = StopReason::Fault;
        m.stop.fault = FaultKind::CpuError;
        m.stop.detail = QStringLiteral("the CPU stopped at %1:%2")
                            .arg(hex(m.r(Reg::CS), 4), hex(m.r(Reg::IP), 4));
    }
    return;
}

bool Machine::halted() const
{
    const MachineState &m = *s_;
    return m.stop.reason == StopReason::None && !m.cpu.budgetSpent() && !m.cpu.fenced() &&
           !m.cpu.writeStopped() && !m.cpu.watchStopped() &&
           !m.cpu.hasBreakpoint(linear(m.r(Reg::CS), m.r(Reg::IP))) &&
           m.cpu.memory().byte(m.r(Reg::CS), quint16(m.r(Reg::IP) - 1)) == 0xF4;
}

void Machine::checkPlanarWrites()
{
    // The planar modes keep their pixels in the planes, so A000:0 stays
    // zero unless the program writes there itself, through the VGA's write
    // modes and latches the machine does not have.
    MachineState &m = *s_;
    const VideoMode &mode = m.screen.mode();
    if (mode.kind != VideoMode::Planar)
        return;
    const QByteArray window = m.mem().readAt(mode.base, 0x10000);
    if (std::all_of(window.begin(), window.end(), [](char b) { return b == 0; }))
        return;
    m.stop.reason = StopReason::None;
    m.lack(Lack::VideoMemory,
           QStringLiteral("video memory A000:0 written directly in mode %1h")
               .arg(hex(mode.number, 2)),
           mode.number);
}
