// BIOS services: the keyboard queue and the clock's ticks (the video BIOS
// has a file of its own).
#include "machine/machinestate.h"

#include <QTime>

namespace {

void keyboard00h_read(MachineState &m)
{
    quint16 key;
    if (m.takeKey(&key))
        m.set(Reg::AX, key);
}

void keyboard01h_peek(MachineState &m)
{
    m.cpu.setZero(m.keys.isEmpty());
    if (!m.keys.isEmpty())
        m.set(Reg::AX, m.keys.head());
}

// No shift key is ever held down.
void keyboard02h_shifts(MachineState &m)
{
    m.setAL(0);
}

void keyboard12h_allShifts(MachineState &m)
{
    m.set(Reg::AX, 0);
}

void time00h_ticks(MachineState &m)
{
    // 1,573,040 ticks a day, counted from midnight as the BIOS does.
    const auto ticks =
        quint32(qint64(QTime::currentTime().msecsSinceStartOfDay()) * 1573040 / 86400000);
    m.mem().setDword(0x40, 0x6C, ticks);
    m.set(Reg::CX, quint16(ticks >> 16));
    m.set(Reg::DX, quint16(ticks));
    m.setAL(0);
}

ServiceTable makeKeyboard()
{
    ServiceTable t{};
    t[0x00] = keyboard00h_read;
    t[0x01] = keyboard01h_peek;
    t[0x02] = keyboard02h_shifts;
    t[0x10] = keyboard00h_read;
    t[0x11] = keyboard01h_peek;
    t[0x12] = keyboard12h_allShifts;
    return t;
}

ServiceTable makeTime()
{
    ServiceTable t{};
    t[0x00] = time00h_ticks;
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
