#pragma once

#include <QtGlobal>
#include <array>

// The BIOS video modes the machine has, as a VGA BIOS sets them up.
struct VideoMode
{
    enum Kind {
        Text,   // character and attribute cells
        Cga2,   // 1 bit a pixel, even lines at B800:0, odd lines at B800:2000
        Cga4,   // 2 bits a pixel, interleaved the same way
        Planar, // 16 colours in four planes at A000:0
        Linear, // a byte a pixel at A000:0
    };
    quint8 number;
    Kind kind;
    int columns, rows; // the text grid (also in graphics modes, for the cursor)
    int width, height; // pixels; 0 in text modes
    quint32 base;      // linear address of page 0
    quint16 pageSize;  // bytes between pages (0x44C)
    int pages;
    quint8 charHeight; // scan lines a character (0x485)
};

// The mode by its number (AL of INT 10h 00h, bit 7 cleared), or null when
// the machine does not have it.
const VideoMode *videoMode(quint8 number);

// The DAC as the BIOS loads it: the 256 colours of mode 13h, or the 64 EGA
// colours (the rest black) for the others. 6 bits each of red, green, blue.
using DacTable = std::array<quint8, 256 * 3>;
DacTable defaultDac(bool colours256);

// The attribute controller's 16 palette registers as the BIOS sets them.
std::array<quint8, 16> defaultAttributePalette(const VideoMode &mode);
