// INT 10h: the video BIOS over the text screen and the VGA's state. Every
// function takes the page in BH as the BIOS does (0Eh writes on the active
// page, as DOSBox's does), so a program that forgets MOV BH,0 writes where
// it would on a PC.
#include "machine/machinestate.h"

namespace {

quint8 bh(MachineState &m)
{
    return quint8(m.r(Reg::BX) >> 8);
}

quint8 bl(MachineState &m)
{
    return quint8(m.r(Reg::BX));
}

void setMode(MachineState &m)
{
    const VideoMode *mode = videoMode(m.al() & 0x7F);
    if (!mode)
        return m.lack(Lack::VideoMode,
                      QStringLiteral("INT 10h, AH=00h, AL=%1h (video mode)").arg(hex(m.al(), 2)),
                      m.al() & 0x7F);
    m.video.setMode(m.mem(), *mode, m.al() & 0x80);
    // The BIOS keeps bit 7 of the mode in the video control byte.
    quint8 control = m.mem().byte(0x40, 0x87) & 0x7F;
    m.mem().setByte(0x40, 0x87, quint8(control | (m.al() & 0x80)));
}

void selectPage(MachineState &m)
{
    const VideoMode &mode = m.screen.mode();
    const quint8 page = m.al();
    if (page >= mode.pages)
        return;
    m.mem().setByte(0x40, 0x62, page);
    m.mem().setWord(0x40, 0x4E, quint16(page * mode.pageSize));
}

// 09h and 0Ah: CX copies at the page's cursor, on along the rows, the cursor
// staying where it is.
void writeCharacters(MachineState &m, bool withAttribute)
{
    TextScreen &s = m.screen;
    const int page = bh(m);
    int r = s.row(page), c = s.column(page);
    for (int i = 0; i < m.r(Reg::CX) && r < s.rows(); ++i) {
        const quint8 attribute = withAttribute ? bl(m) : quint8(s.cell(r, c, page) >> 8);
        s.setCell(r, c, m.al(), attribute, page);
        if (++c == s.columns()) {
            c = 0;
            ++r;
        }
    }
}

// 13h: CX characters from ES:BP at row DH, column DL of page BH, in
// attribute BL or (AL bit 1) each followed by its own; the page's cursor
// stays where it was unless AL bit 0 asks for it to move.
void writeString(MachineState &m)
{
    TextScreen &s = m.screen;
    const quint8 how = m.al();
    const bool pairs = how & 2;
    const int page = bh(m);
    const int count = m.r(Reg::CX);
    const QByteArray text = m.mem().read(m.r(Reg::ES), m.r(Reg::BP), pairs ? 2 * count : count);
    const int row = s.row(page), column = s.column(page);
    s.setCursor(m.r(Reg::DX) >> 8, m.r(Reg::DX) & 0xFF, page);
    for (int i = 0; i < count; ++i) {
        const quint8 c = quint8(text[pairs ? 2 * i : i]);
        s.teletype(c, pairs ? quint8(text[2 * i + 1]) : bl(m), page);
    }
    if (!(how & 1))
        s.setCursor(row, column, page);
}

void palette(MachineState &m)
{
    VideoState &v = m.video;
    GuestMemory &mem = m.mem();
    const quint16 es = m.r(Reg::ES), dx = m.r(Reg::DX), bx = m.r(Reg::BX), cx = m.r(Reg::CX);
    switch (m.al()) {
    case 0x00:
        if (bl(m) < 16)
            v.palette[bl(m)] = quint8(bh(m) & 0x3F);
        return;
    case 0x01:
        v.overscan = bh(m);
        return;
    case 0x02:
        for (int i = 0; i < 16; ++i)
            v.palette[i] = mem.byte(es, quint16(dx + i)) & 0x3F;
        v.overscan = mem.byte(es, quint16(dx + 16));
        return;
    case 0x03:
        v.blink = bl(m) & 1;
        return;
    case 0x07:
        if (bl(m) < 16)
            m.set(Reg::BX, quint16((v.palette[bl(m)] << 8) | bl(m)));
        return;
    case 0x08:
        m.set(Reg::BX, quint16((v.overscan << 8) | bl(m)));
        return;
    case 0x09:
        for (int i = 0; i < 16; ++i)
            mem.setByte(es, quint16(dx + i), v.palette[i]);
        mem.setByte(es, quint16(dx + 16), v.overscan);
        return;
    case 0x10: {
        const int at = 3 * (bx & 0xFF);
        v.dac[at] = quint8(dx >> 8) & 0x3F;
        v.dac[at + 1] = quint8(cx >> 8) & 0x3F;
        v.dac[at + 2] = quint8(cx) & 0x3F;
        return;
    }
    case 0x12:
        for (int i = 0; i < cx && (bx & 0xFF) + i < 256; ++i)
            for (int k = 0; k < 3; ++k)
                v.dac[3 * ((bx & 0xFF) + i) + k] = mem.byte(es, quint16(dx + 3 * i + k)) & 0x3F;
        return;
    case 0x15: {
        const int at = 3 * (bx & 0xFF);
        m.set(Reg::DX, quint16((v.dac[at] << 8) | (dx & 0xFF)));
        m.set(Reg::CX, quint16((v.dac[at + 1] << 8) | v.dac[at + 2]));
        return;
    }
    case 0x17:
        for (int i = 0; i < cx && (bx & 0xFF) + i < 256; ++i)
            for (int k = 0; k < 3; ++k)
                mem.setByte(es, quint16(dx + 3 * i + k), v.dac[3 * ((bx & 0xFF) + i) + k]);
        return;
    default:
        m.unsupported(0x10);
    }
}

void videoFunction(MachineState &m)
{
    TextScreen &s = m.screen;
    const quint16 cx = m.r(Reg::CX), dx = m.r(Reg::DX);
    switch (m.ah()) {
    case 0x00:
        return setMode(m);
    case 0x01:
        return s.setCursorShape(quint8(cx >> 8), quint8(cx));
    case 0x02:
        return s.setCursor(dx >> 8, dx & 0xFF, bh(m));
    case 0x03:
        m.set(Reg::DX, quint16((s.row(bh(m)) << 8) | s.column(bh(m))));
        m.set(Reg::CX, quint16((s.cursorStart() << 8) | s.cursorEnd()));
        return;
    case 0x05:
        return selectPage(m);
    case 0x06:
    case 0x07:
        return s.scroll(m.ah() == 0x06, m.al(), cx >> 8, cx & 0xFF, dx >> 8, dx & 0xFF, bh(m));
    case 0x08:
        return m.set(Reg::AX, s.cell(s.row(bh(m)), s.column(bh(m)), bh(m)));
    case 0x09:
    case 0x0A:
        return writeCharacters(m, m.ah() == 0x09);
    case 0x0B:
        // The CGA palette: BH=0 the background, BH=1 the palette.
        if (bh(m) == 0)
            m.video.cgaColourSelect = quint8((m.video.cgaColourSelect & 0xE0) | (bl(m) & 0x1F));
        else
            m.video.cgaColourSelect =
                quint8((m.video.cgaColourSelect & ~0x20) | ((bl(m) & 1) << 5));
        return;
    case 0x0C:
        return m.video.writePixel(m.mem(), s.mode(), bh(m), cx, dx, m.al());
    case 0x0D:
        return m.setAL(m.video.readPixel(m.mem(), s.mode(), bh(m), cx, dx));
    case 0x0E:
        return s.teletype(m.al(), s.mode().kind == VideoMode::Text ? -1 : bl(m));
    case 0x0F:
        m.set(Reg::AX, quint16((s.columns() << 8) | m.mem().byte(0x40, 0x49)));
        m.set(Reg::BX, quint16((s.activePage() << 8) | bl(m)));
        return;
    case 0x10:
        return palette(m);
    case 0x11:
        // Font information: bytes a character and the last row.
        if (m.al() != 0x30)
            return m.unsupported(0x10);
        m.set(Reg::CX, s.mode().charHeight);
        m.set(Reg::DX, quint16((dx & 0xFF00) | (s.rows() - 1)));
        return;
    case 0x12:
        // EGA information: colour, 256 KB, as a VGA answers.
        if (bl(m) != 0x10)
            return m.unsupported(0x10);
        m.set(Reg::BX, 0x0003);
        m.set(Reg::CX, 0x0009);
        return;
    case 0x13:
        return writeString(m);
    case 0x1A:
        // Display combination: a VGA with a colour (or, in mode 7, mono) monitor.
        if (m.al() != 0x00)
            return m.unsupported(0x10);
        m.set(Reg::AX, 0x001A);
        m.set(Reg::BX, s.mode().number == 7 ? 0x0007 : 0x0008);
        return;
    default:
        m.unsupported(0x10);
    }
}

} // namespace

const ServiceTable &videoServices()
{
    static const ServiceTable table = [] {
        ServiceTable t{};
        for (const int function : {0x00, 0x01, 0x02, 0x03, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
                                   0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x1A})
            t[function] = videoFunction;
        return t;
    }();
    return table;
}

void biosVideo(MachineState &m)
{
    if (const Service s = videoServices()[m.ah()])
        return s(m);
    m.unsupported(0x10);
}
