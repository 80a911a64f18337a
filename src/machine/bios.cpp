// BIOS services: video over the text screen, the keyboard queue and the
// clock's ticks.
#include "machine/machinestate.h"

#include <QTime>

namespace {

// INT 10h 13h: CX characters from ES:BP at row DH, column DL, in attribute BL
// or (AL bit 1) each followed by its own; the cursor stays where it was
// unless AL bit 0 asks for it to move.
void writeString(MachineState &m)
{
    TextScreen &s = m.screen;
    const quint8 mode = m.al();
    const bool pairs = mode & 2;
    const int count = m.r(Reg::CX);
    const QByteArray text = m.mem().read(m.r(Reg::ES), m.r(Reg::BP), pairs ? 2 * count : count);
    const int row = s.row(), column = s.column();
    s.setCursor(m.r(Reg::DX) >> 8, m.r(Reg::DX) & 0xFF);
    for (int i = 0; i < count; ++i) {
        const quint8 c = quint8(text[pairs ? 2 * i : i]);
        s.teletype(c, pairs ? quint8(text[2 * i + 1]) : quint8(m.r(Reg::BX)));
    }
    if (!(mode & 1))
        s.setCursor(row, column);
}

} // namespace

void biosVideo(MachineState &m)
{
    TextScreen &s = m.screen;
    const quint16 cx = m.r(Reg::CX), dx = m.r(Reg::DX), bx = m.r(Reg::BX);
    switch (m.ah()) {
    case 0x00: {
        const quint8 mode = m.al() & 0x7F;
        if (mode >= 4 && mode != 7)
            return m.unsupported(0x10);
        m.mem().setByte(0x40, 0x49, 3);
        if (!(m.al() & 0x80))
            s.clear();
        return;
    }
    case 0x01:
        s.cursorStart = quint8(cx >> 8);
        s.cursorEnd = quint8(cx);
        return;
    case 0x02:
        s.setCursor(dx >> 8, dx & 0xFF);
        return;
    case 0x03:
        m.set(Reg::DX, quint16((s.row() << 8) | s.column()));
        m.set(Reg::CX, quint16((s.cursorStart << 8) | s.cursorEnd));
        return;
    case 0x05:
        return; // one page only
    case 0x06:
    case 0x07:
        s.scroll(m.ah() == 0x06, m.al(), cx >> 8, cx & 0xFF, dx >> 8, dx & 0xFF, quint8(bx >> 8));
        return;
    case 0x08:
        m.set(Reg::AX, s.cell(s.row(), s.column()));
        return;
    case 0x09:
    case 0x0A:
        for (int i = 0, c = s.column(); i < cx && c < TextScreen::columns; ++i, ++c) {
            const quint8 attribute = m.ah() == 0x09 ? quint8(bx) : quint8(s.cell(s.row(), c) >> 8);
            s.setCell(s.row(), c, m.al(), attribute);
        }
        return;
    case 0x0E:
        s.teletype(m.al());
        return;
    case 0x13:
        return writeString(m);
    case 0x0F:
        m.set(Reg::AX, quint16((TextScreen::columns << 8) | 3));
        m.set(Reg::BX, bx & 0x00FF);
        return;
    default:
        m.unsupported(0x10);
    }
}

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
