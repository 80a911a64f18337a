#include "machine/videomodes.h"

namespace {

constexpr VideoMode modes[] = {
    {0x00, VideoMode::Text, 40, 25, 0, 0, 0xB8000, 0x0800, 8, 16},
    {0x01, VideoMode::Text, 40, 25, 0, 0, 0xB8000, 0x0800, 8, 16},
    {0x02, VideoMode::Text, 80, 25, 0, 0, 0xB8000, 0x1000, 8, 16},
    {0x03, VideoMode::Text, 80, 25, 0, 0, 0xB8000, 0x1000, 8, 16},
    {0x04, VideoMode::Cga4, 40, 25, 320, 200, 0xB8000, 0x4000, 1, 8},
    {0x05, VideoMode::Cga4, 40, 25, 320, 200, 0xB8000, 0x4000, 1, 8},
    {0x06, VideoMode::Cga2, 80, 25, 640, 200, 0xB8000, 0x4000, 1, 8},
    {0x07, VideoMode::Text, 80, 25, 0, 0, 0xB0000, 0x1000, 8, 16},
    {0x0D, VideoMode::Planar, 40, 25, 320, 200, 0xA0000, 0x2000, 8, 8},
    {0x0E, VideoMode::Planar, 80, 25, 640, 200, 0xA0000, 0x4000, 4, 8},
    {0x10, VideoMode::Planar, 80, 25, 640, 350, 0xA0000, 0x8000, 2, 14},
    {0x12, VideoMode::Planar, 80, 30, 640, 480, 0xA0000, 0xA000, 1, 16},
    {0x13, VideoMode::Linear, 40, 25, 320, 200, 0xA0000, 0x0000, 1, 8},
};

// The EGA's 64 colours: bits 0-2 the blue, green and red at two thirds,
// bits 3-5 the same at one third.
void egaColour(int index, quint8 *rgb)
{
    for (int c = 0; c < 3; ++c) {
        const int high = (index >> (2 - c)) & 1, low = (index >> (5 - c)) & 1;
        rgb[c] = quint8(high * 0x2A + low * 0x15);
    }
}

} // namespace

const VideoMode *videoMode(quint8 number)
{
    for (const VideoMode &m : modes)
        if (m.number == number)
            return &m;
    return nullptr;
}

DacTable defaultDac(bool colours256)
{
    DacTable dac{};
    if (!colours256) {
        for (int i = 0; i < 64; ++i)
            egaColour(i, &dac[3 * i]);
        return dac;
    }
    // The 16 CGA colours, 16 greys, then nine rings of 24 hues (three
    // brightnesses at three saturations), then eight blacks.
    static constexpr quint8 cga[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
    for (int i = 0; i < 16; ++i)
        egaColour(cga[i], &dac[3 * i]);
    static constexpr quint8 greys[16] = {0,  5,  8,  11, 14, 17, 20, 24,
                                         28, 32, 36, 40, 45, 50, 56, 63};
    for (int i = 0; i < 16; ++i)
        dac[3 * (16 + i)] = dac[3 * (16 + i) + 1] = dac[3 * (16 + i) + 2] = greys[i];
    static constexpr quint8 levels[9][5] = {
        {0x00, 0x10, 0x1F, 0x2F, 0x3F}, {0x1F, 0x27, 0x2F, 0x37, 0x3F},
        {0x2D, 0x31, 0x36, 0x3A, 0x3F}, {0x00, 0x07, 0x0E, 0x15, 0x1C},
        {0x0E, 0x11, 0x15, 0x18, 0x1C}, {0x14, 0x16, 0x18, 0x1A, 0x1C},
        {0x00, 0x04, 0x08, 0x0C, 0x10}, {0x08, 0x0A, 0x0C, 0x0E, 0x10},
        {0x0B, 0x0C, 0x0D, 0x0F, 0x10},
    };
    int index = 32;
    for (const auto &l : levels) {
        // Around the ring: blue to magenta, red, yellow, green, cyan and back.
        for (int step = 0; step < 24; ++step) {
            const int phase = step / 4, at = step % 4;
            int r = 0, g = 0, b = 0;
            switch (phase) {
            case 0:
                r = l[at], g = l[0], b = l[4];
                break;
            case 1:
                r = l[4], g = l[0], b = l[4 - at];
                break;
            case 2:
                r = l[4], g = l[at], b = l[0];
                break;
            case 3:
                r = l[4 - at], g = l[4], b = l[0];
                break;
            case 4:
                r = l[0], g = l[4], b = l[at];
                break;
            default:
                r = l[0], g = l[4 - at], b = l[4];
                break;
            }
            dac[3 * index] = quint8(r);
            dac[3 * index + 1] = quint8(g);
            dac[3 * index + 2] = quint8(b);
            ++index;
        }
    }
    return dac;
}

std::array<quint8, 16> defaultAttributePalette(const VideoMode &mode)
{
    // Through the EGA colours of the DAC these are the CGA's sixteen; mode
    // 13h goes around the palette registers.
    if (mode.kind == VideoMode::Linear)
        return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    return {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
}
