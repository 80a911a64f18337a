#include "machine/video.h"

namespace {

constexpr quint32 planeSize = 0x10000 * 8;

// Byte offset and bit shift of a pixel in the CGA's interleaved memory.
std::pair<quint32, int> cgaPlace(const VideoMode &mode, int x, int y)
{
    const int perByte = mode.kind == VideoMode::Cga2 ? 8 : 4;
    const int bits = 8 / perByte;
    const quint32 offset = quint32((y & 1) * 0x2000 + (y >> 1) * 80 + x / perByte);
    return {offset, (perByte - 1 - x % perByte) * bits};
}

} // namespace

void VideoState::setMode(GuestMemory &memory, const VideoMode &mode, bool keepMemory)
{
    memory.setByte(0x40, 0x49, mode.number);
    memory.setWord(0x40, 0x4A, quint16(mode.columns));
    memory.setWord(0x40, 0x4C, mode.pageSize);
    memory.setWord(0x40, 0x4E, 0);
    for (int page = 0; page < 8; ++page)
        memory.setWord(0x40, quint16(0x50 + 2 * page), 0);
    memory.setWord(0x40, 0x60, 0x0607);
    memory.setByte(0x40, 0x62, 0);
    memory.setWord(0x40, 0x63, mode.number == 7 ? 0x3B4 : 0x3D4);
    memory.setByte(0x40, 0x84, quint8(mode.rows - 1));
    memory.setWord(0x40, 0x85, mode.charHeight);
    // The equipment word's initial video: monochrome for mode 7.
    const quint16 equipment = memory.word(0x40, 0x10) & ~0x30;
    memory.setWord(0x40, 0x10, equipment | (mode.number == 7 ? 0x30 : 0x20));
    dac = defaultDac(mode.kind == VideoMode::Linear);
    palette = defaultAttributePalette(mode);
    overscan = 0;
    blink = true;
    cgaColourSelect = mode.number == 6 ? 0x3F : 0x30;
    if (mode.kind == VideoMode::Planar) {
        if (planes.size() != planeSize || !keepMemory)
            planes.assign(planeSize, 0);
    } else {
        planes.clear();
    }
    if (keepMemory)
        return;
    if (mode.kind == VideoMode::Text) {
        for (quint32 at = mode.base; at < mode.base + 0x8000; at += 2)
            memory.setWordAt(at, 0x0720);
    } else {
        memory.fillAt(mode.base, 0, 0x10000);
    }
}

void VideoState::writePixel(GuestMemory &memory, const VideoMode &mode, int page, int x, int y,
                            quint8 colour)
{
    if (x < 0 || y < 0 || x >= mode.width || y >= mode.height)
        return;
    const bool xorIt = colour & 0x80;
    switch (mode.kind) {
    case VideoMode::Cga2:
    case VideoMode::Cga4: {
        const auto [offset, shift] = cgaPlace(mode, x, y);
        const quint8 mask = mode.kind == VideoMode::Cga2 ? 1 : 3;
        const quint32 at = mode.base + offset;
        quint8 b = memory.byteAt(at);
        if (xorIt)
            b ^= quint8((colour & mask) << shift);
        else
            b = quint8((b & ~(mask << shift)) | ((colour & mask) << shift));
        memory.setByteAt(at, b);
        return;
    }
    case VideoMode::Planar: {
        const quint32 at =
            (quint32(page & 7) * mode.pageSize * 8 + quint32(y * mode.width + x)) % planeSize;
        if (planes.size() == planeSize)
            planes[at] = quint8((xorIt ? planes[at] ^ colour : colour) & 0x0F);
        return;
    }
    case VideoMode::Linear:
        memory.setByteAt(mode.base + quint32(y * mode.width + x), colour);
        return;
    case VideoMode::Text:
        return;
    }
}

quint8 VideoState::readPixel(const GuestMemory &memory, const VideoMode &mode, int page, int x,
                             int y) const
{
    if (x < 0 || y < 0 || x >= mode.width || y >= mode.height)
        return 0;
    switch (mode.kind) {
    case VideoMode::Cga2:
    case VideoMode::Cga4: {
        const auto [offset, shift] = cgaPlace(mode, x, y);
        const quint8 mask = mode.kind == VideoMode::Cga2 ? 1 : 3;
        return quint8((memory.byteAt(mode.base + offset) >> shift) & mask);
    }
    case VideoMode::Planar: {
        const quint32 at =
            (quint32(page & 7) * mode.pageSize * 8 + quint32(y * mode.width + x)) % planeSize;
        return planes.size() == planeSize ? planes[at] : 0;
    }
    case VideoMode::Linear:
        return memory.byteAt(mode.base + quint32(y * mode.width + x));
    case VideoMode::Text:
        return 0;
    }
    return 0;
}

bool VideoState::portOut(quint16 port, quint8 value)
{
    switch (port) {
    case 0x3C6: // the pixel mask: all colours pass
        return true;
    case 0x3C7:
        dacReadIndex = value;
        dacReadStep = 0;
        return true;
    case 0x3C8:
        dacWriteIndex = value;
        dacWriteStep = 0;
        return true;
    case 0x3C9:
        dac[3 * dacWriteIndex + dacWriteStep] = value & 0x3F;
        if (++dacWriteStep == 3) {
            dacWriteStep = 0;
            ++dacWriteIndex;
        }
        return true;
    case 0x3D9:
        cgaColourSelect = value;
        return true;
    default:
        return false;
    }
}

std::optional<quint8> VideoState::portIn(quint16 port)
{
    switch (port) {
    case 0x3C6:
        return 0xFF;
    case 0x3C7:
        return 0; // the DAC is in write mode
    case 0x3C8:
        return dacWriteIndex;
    case 0x3C9: {
        const quint8 v = dac[3 * dacReadIndex + dacReadStep];
        if (++dacReadStep == 3) {
            dacReadStep = 0;
            ++dacReadIndex;
        }
        return v;
    }
    case 0x3DA: {
        // Bit 3 the vertical retrace, bit 0 "not drawing" (set in retrace too).
        const bool retrace = (statusReads++ & 3) == 3;
        return quint8(retrace ? 0x09 : 0x00);
    }
    default:
        return std::nullopt;
    }
}
