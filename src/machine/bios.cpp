// BIOS services: the keyboard queue and the clock's ticks.
#include "machine/machinestate.h"

#include <QTime>

void biosKeyboard(MachineState &m)
{
    switch (m.ah()) {
    case 0x00:
    case 0x10: {
        quint16 key;
        if (m.takeKey(&key))
            m.set(Reg::AX, key);
        return;
    }
    case 0x01:
    case 0x11:
        m.cpu.setZero(m.keys.isEmpty());
        if (!m.keys.isEmpty())
            m.set(Reg::AX, m.keys.head());
        return;
    case 0x02:
    case 0x12:
        m.setAL(0);
        return;
    default:
        m.unsupported(0x16);
    }
}

void biosTime(MachineState &m)
{
    if (m.ah() != 0x00)
        return m.unsupported(0x1A);
    // 1,573,040 ticks a day, counted from midnight as the BIOS does.
    const auto ticks =
        quint32(qint64(QTime::currentTime().msecsSinceStartOfDay()) * 1573040 / 86400000);
    m.mem().setDword(0x40, 0x6C, ticks);
    m.set(Reg::CX, quint16(ticks >> 16));
    m.set(Reg::DX, quint16(ticks));
    m.setAL(0);
}
