#pragma once

#include "machine/guestmemory.h"

#include <QQueue>
#include <QtGlobal>

// The 80x25 colour text screen: its cells are the machine's memory at
// B800:0 (character, attribute), its cursor the BIOS data area's word at
// 0040:0050, so a program that writes either directly sees the same screen.
class TextScreen
{
public:
    static constexpr int columns = 80;
    static constexpr int rows = 25;
    static constexpr quint32 base = 0xB8000;

    explicit TextScreen(GuestMemory &memory) : memory_(memory) {}

    void clear();
    int row() const;
    int column() const;
    void setCursor(int row, int column);
    quint8 cursorStart = 6, cursorEnd = 7;

    quint16 cell(int row, int column) const;
    void setCell(int row, int column, quint8 character, quint8 attribute);
    // BIOS teletype: BEL, BS, CR and LF act, the rest is drawn (in the given
    // attribute, or the cell's own when it is negative); the screen scrolls up
    // at the bottom.
    void teletype(quint8 character, int attribute = -1);
    // Scrolls a window up (or down) by lines, 0 clearing it, filling with
    // blanks of the given attribute.
    void scroll(bool up, int lines, int top, int left, int bottom, int right, quint8 attribute);

private:
    GuestMemory &memory_;
};

// Keys waiting to be read: scan code in the high byte, character in the low.
using KeyQueue = QQueue<quint16>;
