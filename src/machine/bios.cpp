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

void video00h_setMode(MachineState &m)
{
    const quint8 mode = m.al() & 0x7F;
    if (mode >= 4 && mode != 7)
        return m.unsupported(0x10);
    m.mem().setByte(0x40, 0x49, 3);
    if (!(m.al() & 0x80))
        m.screen.clear();
}

void video01h_cursorShape(MachineState &m)
{
    m.screen.cursorStart = quint8(m.r(Reg::CX) >> 8);
    m.screen.cursorEnd = quint8(m.r(Reg::CX));
}

void video02h_setCursor(MachineState &m)
{
    m.screen.setCursor(m.r(Reg::DX) >> 8, m.r(Reg::DX) & 0xFF);
}

void video03h_getCursor(MachineState &m)
{
    const TextScreen &s = m.screen;
    m.set(Reg::DX, quint16((s.row() << 8) | s.column()));
    m.set(Reg::CX, quint16((s.cursorStart << 8) | s.cursorEnd));
}

void video05h_page(MachineState &) {} // one page only

void video06h_scroll(MachineState &m)
{
    const quint16 cx = m.r(Reg::CX), dx = m.r(Reg::DX);
    m.screen.scroll(m.ah() == 0x06, m.al(), cx >> 8, cx & 0xFF, dx >> 8, dx & 0xFF,
                    quint8(m.r(Reg::BX) >> 8));
}

void video08h_readCell(MachineState &m)
{
    m.set(Reg::AX, m.screen.cell(m.screen.row(), m.screen.column()));
}

void video09h_writeCells(MachineState &m)
{
    TextScreen &s = m.screen;
    const int count = m.r(Reg::CX);
    for (int i = 0, c = s.column(); i < count && c < TextScreen::columns; ++i, ++c) {
        const quint8 attribute =
            m.ah() == 0x09 ? quint8(m.r(Reg::BX)) : quint8(s.cell(s.row(), c) >> 8);
        s.setCell(s.row(), c, m.al(), attribute);
    }
}

void video0Eh_teletype(MachineState &m)
{
    m.screen.teletype(m.al());
}

void video0Fh_mode(MachineState &m)
{
    m.set(Reg::AX, quint16((TextScreen::columns << 8) | 3));
    m.set(Reg::BX, m.r(Reg::BX) & 0x00FF);
}

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

ServiceTable makeVideo()
{
    ServiceTable t{};
    t[0x00] = video00h_setMode;
    t[0x01] = video01h_cursorShape;
    t[0x02] = video02h_setCursor;
    t[0x03] = video03h_getCursor;
    t[0x05] = video05h_page;
    t[0x06] = video06h_scroll;
    t[0x07] = video06h_scroll;
    t[0x08] = video08h_readCell;
    t[0x09] = video09h_writeCells;
    t[0x0A] = video09h_writeCells;
    t[0x0E] = video0Eh_teletype;
    t[0x0F] = video0Fh_mode;
    t[0x13] = writeString;
    return t;
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

const ServiceTable &videoServices()
{
    static const ServiceTable table = makeVideo();
    return table;
}

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

void biosVideo(MachineState &m)
{
    serve(m, videoServices(), 0x10);
}

void biosKeyboard(MachineState &m)
{
    serve(m, keyboardServices(), 0x16);
}

void biosTime(MachineState &m)
{
    serve(m, timeServices(), 0x1A);
}
