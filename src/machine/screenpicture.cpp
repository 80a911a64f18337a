#include "machine/screenpicture.h"

#include "machine/textscreen.h"

namespace {

quint32 dacColour(const DacTable &dac, int index)
{
    // 6 bits a component, widened so that 3Fh is full brightness.
    auto eight = [](quint8 v) { return quint32((v & 0x3F) << 2 | (v & 0x3F) >> 4); };
    return eight(dac[3 * index]) << 16 | eight(dac[3 * index + 1]) << 8 | eight(dac[3 * index + 2]);
}

// The CGA's fixed colours of the four-colour modes: palette 0 green, red,
// brown; palette 1 cyan, magenta, white; bit 4 of the colour select
// brightens them, its low bits choose the background.
quint32 cgaColour(quint8 select, int pixel)
{
    static constexpr quint32 colours16[16] = {
        0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
        0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
    };
    if (pixel == 0)
        return colours16[select & 0x0F];
    const int bright = (select & 0x10) ? 8 : 0;
    static constexpr int palette0[3] = {2, 4, 6}, palette1[3] = {3, 5, 7};
    return colours16[((select & 0x20) ? palette1 : palette0)[pixel - 1] + bright];
}

} // namespace

ScreenPicture screenPicture(const GuestMemory &memory, const VideoState &video)
{
    // The screen reads only; TextScreen's writers are never called here.
    TextScreen screen(const_cast<GuestMemory &>(memory));
    const VideoMode &mode = screen.mode();
    ScreenPicture p;
    p.mode = mode.number;
    p.text = mode.kind == VideoMode::Text;
    p.columns = mode.columns;
    p.rows = mode.rows;
    p.cursorRow = screen.row();
    p.cursorColumn = screen.column();
    p.cursorStart = screen.cursorStart();
    p.cursorEnd = screen.cursorEnd();
    p.blink = video.blink;
    for (int i = 0; i < 16; ++i)
        p.colours[i] = dacColour(video.dac, video.palette[i] & 0x3F);
    if (mode.number == 7) {
        // Monochrome: the attribute says normal, bright or underlined green-grey.
        p.colours.fill(0xAAAAAA);
        p.colours[0] = 0;
        p.colours[8] = 0xFFFFFF;
    }
    if (p.text) {
        p.cells = memory.readAt(screen.pageBase(), 2 * mode.columns * mode.rows);
        return p;
    }
    p.width = mode.width;
    p.height = mode.height;
    p.pixels.resize(size_t(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const quint8 v = video.readPixel(memory, mode, 0, x, y);
            quint32 rgb = 0;
            switch (mode.kind) {
            case VideoMode::Linear:
                rgb = dacColour(video.dac, v);
                break;
            case VideoMode::Planar:
                rgb = p.colours[v & 0x0F];
                break;
            case VideoMode::Cga4:
                rgb = cgaColour(video.cgaColourSelect, v);
                break;
            default:
                rgb = v ? 0xFFFFFF : 0;
            }
            p.pixels[size_t(y) * p.width + x] = rgb;
        }
    }
    return p;
}
