// BIOS services: the keyboard buffer and the clock (the video BIOS has a
// file of its own, the hardware interrupts' routines another).
#include "machine/keybuffer.h"
#include "machine/machinestate.h"

namespace {

void keyboard00h_read(MachineState &m)
{
    quint16 key;
    if (m.takeKey(&key, m.ah() == 0x10))
        m.set(Reg::AX, key);
}

void keyboard01h_peek(MachineState &m)
{
    const bool waiting = m.keyWaiting();
    m.cpu.setZero(!waiting);
    if (waiting) {
        const quint16 key = KeyBuffer::peek(m.mem());
        m.set(Reg::AX, m.ah() == 0x11 ? key : MachineState::plainKey(key));
    }
}

void keyboard02h_shifts(MachineState &m)
{
    m.setAL(m.mem().byte(0x40, 0x17));
}

void keyboard05h_store(MachineState &m)
{
    m.setAL(KeyBuffer::put(m.mem(), m.r(Reg::CX)) ? 0 : 1);
}

void keyboard12h_allShifts(MachineState &m)
{
    m.set(Reg::AX, m.mem().byte(0x40, 0x17));
}

quint8 bcd(int v)
{
    return quint8((v / 10) << 4 | (v % 10));
}

void time00h_ticks(MachineState &m)
{
    const quint32 ticks = m.mem().dword(0x40, 0x6C);
    m.set(Reg::CX, quint16(ticks >> 16));
    m.set(Reg::DX, quint16(ticks));
    // The day rolled over since the last call: said once.
    m.setAL(m.mem().byte(0x40, 0x70));
    m.mem().setByte(0x40, 0x70, 0);
}

void time01h_setTicks(MachineState &m)
{
    m.mem().setDword(0x40, 0x6C, quint32(m.r(Reg::CX)) << 16 | m.r(Reg::DX));
    m.mem().setByte(0x40, 0x70, 0);
}

void time02h_clock(MachineState &m)
{
    const QTime t = m.devices.cmos.dateTime(m.devices.clock.now()).time();
    m.set(Reg::CX, quint16(bcd(t.hour()) << 8 | bcd(t.minute())));
    m.set(Reg::DX, quint16(bcd(t.second()) << 8));
    m.succeed();
}

void time04h_date(MachineState &m)
{
    const QDate d = m.devices.cmos.dateTime(m.devices.clock.now()).date();
    m.set(Reg::CX, quint16(bcd(d.year() / 100) << 8 | bcd(d.year() % 100)));
    m.set(Reg::DX, quint16(bcd(d.month()) << 8 | bcd(d.day())));
    m.succeed();
}

ServiceTable makeKeyboard()
{
    ServiceTable t{};
    t[0x00] = keyboard00h_read;
    t[0x01] = keyboard01h_peek;
    t[0x02] = keyboard02h_shifts;
    t[0x05] = keyboard05h_store;
    t[0x10] = keyboard00h_read;
    t[0x11] = keyboard01h_peek;
    t[0x12] = keyboard12h_allShifts;
    return t;
}

ServiceTable makeTime()
{
    ServiceTable t{};
    t[0x00] = time00h_ticks;
    t[0x01] = time01h_setTicks;
    t[0x02] = time02h_clock;
    t[0x04] = time04h_date;
    return t;
}

void serve(MachineState &m, const ServiceTable &table, int interrupt)
{
    if (const Service s = table[m.ah()])
        return s(m);
    m.unsupported(interrupt);
}

} // namespace

const ServiceTable &keyboardServices()
{
    static const ServiceTable table = makeKeyboard();
    return table;
}

const ServiceTable &timeServices()
{
    static const ServiceTable table = makeTime();
    return table;
}

void biosKeyboard(MachineState &m)
{
    serve(m, keyboardServices(), 0x16);
}

void biosTime(MachineState &m)
{
    serve(m, timeServices(), 0x1A);
}
