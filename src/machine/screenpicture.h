#pragma once

#include "machine/guestmemory.h"
#include "machine/video.h"

#include <QByteArray>
#include <array>
#include <vector>

// What the monitor shows, without any toolkit: in a text mode the active
// page's cells with the cursor and the 16 attribute colours, in a graphics
// mode the pixels as 0xRRGGBB.
struct ScreenPicture
{
    quint8 mode = 3;
    bool text = true;
    int columns = 80, rows = 25;
    // Character and attribute of each cell of the active page.
    QByteArray cells;
    int cursorRow = 0, cursorColumn = 0;
    quint8 cursorStart = 6, cursorEnd = 7;
    // Attribute bit 7 blinks (else it brightens the background).
    bool blink = true;
    std::array<quint32, 16> colours{};
    int width = 0, height = 0;
    std::vector<quint32> pixels;

    bool cursorHidden() const { return (cursorStart & 0x20) || (cursorStart & 0x1F) > cursorEnd; }
};

ScreenPicture screenPicture(const GuestMemory &memory, const VideoState &video);
