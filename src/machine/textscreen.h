#pragma once

#include "machine/guestmemory.h"
#include "machine/videomodes.h"

#include <QtGlobal>

// The text screen of the current video mode: its cells are the machine's
// memory (character, attribute) at the page's start, its cursors the BIOS
// data area's words at 0040:0050 (one a page), its mode and active page the
// bytes at 0040:0049 and 0040:0062, so a program that writes either directly
// sees the same screen. Page -1 means the active page. In graphics modes the
// cursors still move, but no cells are written.
class TextScreen
{
public:
    explicit TextScreen(GuestMemory &memory) : memory_(memory) {}

    const VideoMode &mode() const;
    int columns() const { return mode().columns; }
    int rows() const { return mode().rows; }
    int activePage() const;
    // Linear address of a page's first cell.
    quint32 pageBase(int page = -1) const;

    // Clears the active page and puts its cursor home.
    void clear();
    int row(int page = -1) const;
    int column(int page = -1) const;
    void setCursor(int row, int column, int page = -1);
    // The cursor's first and last scan line (0040:0061 and 0040:0060).
    quint8 cursorStart() const;
    quint8 cursorEnd() const;
    void setCursorShape(quint8 start, quint8 end);

    quint16 cell(int row, int column, int page = -1) const;
    void setCell(int row, int column, quint8 character, quint8 attribute, int page = -1);
    // BIOS teletype: BEL, BS, CR and LF act, the rest is drawn (in the given
    // attribute, or the cell's own when it is negative); the page scrolls up
    // at the bottom.
    void teletype(quint8 character, int attribute = -1, int page = -1);
    // Scrolls a window of a page up (or down) by lines, 0 clearing it,
    // filling with blanks of the given attribute.
    void scroll(bool up, int lines, int top, int left, int bottom, int right, quint8 attribute,
                int page = -1);

private:
    int pageOf(int page) const { return page < 0 ? activePage() : page & 7; }
    GuestMemory &memory_;
};

