#pragma once

#include "machine/guestmemory.h"
#include "machine/videomodes.h"

#include <optional>
#include <vector>

// What of the VGA is not in the first megabyte: the DAC's 256 colours and
// its index ports, the attribute controller's palette, the blink bit, and
// the pixels of the planar modes (a colour index a pixel of plane memory,
// 64 KB of each plane, so pages past the visible one have their room).
struct VideoState
{
    DacTable dac = defaultDac(false);
    std::array<quint8, 16> palette = defaultAttributePalette(*videoMode(3));
    quint8 overscan = 0;
    // Attribute bit 7 blinks the character; off, it brightens the background.
    bool blink = true;
    quint8 dacWriteIndex = 0, dacReadIndex = 0;
    int dacWriteStep = 0, dacReadStep = 0;
    // 3DAh: reads alternate between the picture and the vertical retrace,
    // so that a program waiting for either sees it come.
    unsigned statusReads = 0;
    // 3D9h: the CGA colour select (background, palette and its brightness).
    quint8 cgaColourSelect = 0x30;
    std::vector<quint8> planes;

    bool operator==(const VideoState &) const = default;

    // Sets the mode up as the BIOS does: the BIOS data area, the palettes,
    // and (unless keepMemory) cleared video memory.
    void setMode(GuestMemory &memory, const VideoMode &mode, bool keepMemory);
    // Pixels as INT 10h 0Ch/0Dh have them: colour bit 7 XORs (but in mode
    // 13h); page counts in the planar modes only.
    void writePixel(GuestMemory &memory, const VideoMode &mode, int page, int x, int y,
                    quint8 colour);
    quint8 readPixel(const GuestMemory &memory, const VideoMode &mode, int page, int x,
                     int y) const;

    // The video ports (3C6h-3C9h, 3D9h, 3DAh); false or no value for a port
    // that is not the video's.
    bool portOut(quint16 port, quint8 value);
    std::optional<quint8> portIn(quint16 port);
};
