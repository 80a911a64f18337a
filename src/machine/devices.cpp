#include "machine/devices.h"

#include "machine/keybuffer.h"
#include "machine/machinestate.h"

void Devices::reset(MachineClock::Kind kind, Cpu *cpu, const QDateTime &start)
{
    clock.reset(kind, cpu);
    pic = Pic();
    slave = Pic();
    pit = Pit();
    cmos.start(start);
    keyboard.clear();
    systemControl = 0;
    refreshReads = 0;
    crtcIndex = 0;
    crtc.fill(0);
    lastTick = 0;
    speakerHz = 0;
}

namespace {

void updateSpeaker(Devices &d)
{
    // A tone only while timer 2 runs as a square wave and drives the cone;
    // bit 1 toggled by hand makes clicks that are not played.
    const bool on = (d.systemControl & 3) == 3 && d.pit.mode(2) == 3;
    d.speakerHz = on ? int(Pit::hz / d.pit.period(2)) : 0;
}

quint8 systemControlIn(Devices &d)
{
    const qint64 now = d.clock.now();
    quint8 v = d.systemControl & 0x0F;
    if (++d.refreshReads & 1)
        v |= 0x10;
    if (d.pit.output(2, now))
        v |= 0x20;
    return v;
}

// The CRT controller's cursor registers follow the BIOS's cursor of the
// active page; the others keep what was written.
quint8 crtcIn(MachineState &m)
{
    Devices &d = m.devices;
    const int at = m.screen.row() * m.screen.columns() + m.screen.column();
    switch (d.crtcIndex) {
    case 0x0A:
        return m.screen.cursorStart();
    case 0x0B:
        return m.screen.cursorEnd();
    case 0x0E:
        return quint8(at >> 8);
    case 0x0F:
        return quint8(at);
    default:
        return d.crtc[d.crtcIndex & 31];
    }
}

void crtcOut(MachineState &m, quint8 value)
{
    Devices &d = m.devices;
    d.crtc[d.crtcIndex & 31] = value;
    const int columns = std::max(1, m.screen.columns());
    const int at = m.screen.row() * columns + m.screen.column();
    switch (d.crtcIndex) {
    case 0x0A:
        return m.screen.setCursorShape(value, m.screen.cursorEnd());
    case 0x0B:
        return m.screen.setCursorShape(m.screen.cursorStart(), value);
    case 0x0E: {
        const int to = (value << 8) | (at & 0xFF);
        return m.screen.setCursor(to / columns, to % columns);
    }
    case 0x0F: {
        const int to = (at & 0xFF00) | value;
        return m.screen.setCursor(to / columns, to % columns);
    }
    default:
        return;
    }
}

void unknownPort(MachineState &m, quint16 port)
{
    m.lack(Lack::Port, QStringLiteral("port %1h").arg(hex(port, 3)), port);
}

bool vectorIsRom(const MachineState &m, int number, quint16 offset)
{
    return m.cpu.memory().word(0, quint16(4 * number)) == offset &&
           m.cpu.memory().word(0, quint16(4 * number + 2)) == biosSegment;
}

} // namespace

quint8 portIn(MachineState &m, quint16 port)
{
    Devices &d = m.devices;
    switch (port) {
    case 0x20:
    case 0x21:
        return d.pic.in(port);
    case 0xA0:
    case 0xA1:
        return d.slave.in(port);
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        return d.pit.in(port, d.clock.now());
    case 0x60:
    case 0x64:
        return d.keyboard.in(port);
    case 0x61:
        return systemControlIn(d);
    case 0x70:
    case 0x71:
        return d.cmos.in(port, d.clock.now());
    case 0x3B4:
    case 0x3D4:
        return d.crtcIndex;
    case 0x3B5:
    case 0x3D5:
        return crtcIn(m);
    default:
        break;
    }
    if (const std::optional<quint8> v = m.video.portIn(port))
        return *v;
    unknownPort(m, port);
    return 0xFF;
}

void portOut(MachineState &m, quint16 port, quint8 value)
{
    Devices &d = m.devices;
    switch (port) {
    case 0x20:
    case 0x21:
        return d.pic.out(port, value);
    case 0xA0:
    case 0xA1:
        return d.slave.out(port, value);
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        d.pit.out(port, value, d.clock.now());
        return updateSpeaker(d);
    case 0x60:
    case 0x64:
        return d.keyboard.out(port, value);
    case 0x61:
        d.systemControl = value;
        d.pit.setGate2(value & 1, d.clock.now());
        return updateSpeaker(d);
    case 0x70:
    case 0x71:
        return d.cmos.out(port, value, d.clock.now());
    case 0x80:
        return; // the POST code port: programs write it for a short delay
    case 0x3B4:
    case 0x3D4:
        d.crtcIndex = value;
        return;
    case 0x3B5:
    case 0x3D5:
        return crtcOut(m, value);
    default:
        break;
    }
    if (!m.video.portOut(port, value))
        unknownPort(m, port);
}

void feedKeys(MachineState &m)
{
    Devices &d = m.devices;
    quint16 key = 0;
    while (!KeyBuffer::full(m.mem()) && d.keyboard.takeCodeless(&key))
        KeyBuffer::put(m.mem(), key);
    const bool romHandler = vectorIsRom(m, 0x09, romInt9);
    if (romHandler) {
        while (!KeyBuffer::full(m.mem()) && d.keyboard.takeWhole(&key))
            KeyBuffer::put(m.mem(), key);
    }
    // The next code waits until the last one's interrupt has ended; the
    // BIOS's own handler takes whole keys above, but the rest of one begun
    // for the program's handler.
    if ((!romHandler || d.keyboard.sending()) && !(d.pic.inService() & 2) &&
        !(d.pic.requests() & 2) && d.keyboard.loadNext())
        d.pic.raise(1);
}

void updateDevices(MachineState &m)
{
    Devices &d = m.devices;
    const qint64 now = d.clock.now();
    const qint64 tick = d.pit.lastIrq0(now);
    if (tick >= 0 && tick > d.lastTick) {
        // Ticks the CPU could not take in time are lost, as on a PC.
        d.pic.raise(0);
        d.lastTick = tick;
    }
    feedKeys(m);
}

qint64 nextDeviceEvent(const MachineState &m)
{
    const Devices &d = m.devices;
    return d.pit.nextIrq0(std::max(d.lastTick, d.clock.now()));
}

bool devicesBusy(const MachineState &m)
{
    const Devices &d = m.devices;
    return d.pic.requested() || d.keyboard.typing();
}
