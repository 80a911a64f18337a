#pragma once

#include "machine/cmos.h"
#include "machine/keyboardcontroller.h"
#include "machine/machineclock.h"
#include "machine/pic.h"
#include "machine/pit.h"

#include <array>
#include <atomic>

struct MachineState;

// The PC's devices behind its I/O ports, and the machine's time they run
// on. A port no device answers stops the program with the port named: a
// program never reads a silent 0 from hardware the machine lacks.
struct Devices
{
    MachineClock clock;
    Pic pic;
    // The AT's second controller (A0h, A1h): nothing is wired to it, but
    // programs end their interrupts on both.
    Pic slave;
    Pit pit;
    Cmos cmos;
    KeyboardController keyboard;
    // Port 61h as written: bit 0 gates timer 2, bit 1 lets it drive the
    // speaker.
    quint8 systemControl = 0;
    // Bit 4 of port 61h flips with the memory refresh, every 15 us.
    unsigned refreshReads = 0;
    quint8 crtcIndex = 0;
    std::array<quint8, 32> crtc{};
    // The clock of the last IRQ0 raised.
    qint64 lastTick = 0;
    // The speaker's tone in Hz now, 0 when silent; read from other threads.
    std::atomic<int> speakerHz{0};

    void reset(MachineClock::Kind kind, Cpu *cpu, const QDateTime &start);
};

quint8 portIn(MachineState &m, quint16 port);
void portOut(MachineState &m, quint16 port, quint8 value);

// Brings the devices up to the machine's time: a timer tick that came
// raises IRQ0, keys typed move on towards the program.
void updateDevices(MachineState &m);
// The clock at which a device next does something of its own accord (the
// timer's next tick); -1 for never.
qint64 nextDeviceEvent(const MachineState &m);
// Something is on its way that the machine should look at again soon: a
// request waiting for the CPU, keys still being typed.
bool devicesBusy(const MachineState &m);
// The keys typed that the BIOS's own INT 9 would put in the buffer go
// there; with the program's own INT 9, the next code goes to port 60h.
void feedKeys(MachineState &m);
