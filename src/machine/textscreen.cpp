#include "machine/textscreen.h"

namespace {
constexpr quint32 cursorWord = 0x450;
}

void TextScreen::clear()
{
    scroll(true, 0, 0, 0, rows - 1, columns - 1, 0x07);
    setCursor(0, 0);
}

int TextScreen::row() const
{
    return memory_.byteAt(cursorWord + 1);
}

int TextScreen::column() const
{
    return memory_.byteAt(cursorWord);
}

void TextScreen::setCursor(int row, int column)
{
    memory_.setByteAt(cursorWord, quint8(column));
    memory_.setByteAt(cursorWord + 1, quint8(row));
}

quint16 TextScreen::cell(int row, int column) const
{
    return memory_.wordAt(base + quint32(2 * (row * columns + column)));
}

void TextScreen::setCell(int row, int column, quint8 character, quint8 attribute)
{
    if (row < 0 || row >= rows || column < 0 || column >= columns)
        return;
    memory_.setWordAt(base + quint32(2 * (row * columns + column)),
                      quint16(character | (attribute << 8)));
}

void TextScreen::teletype(quint8 character, int attribute)
{
    int r = std::min(row(), rows - 1);
    int c = std::min(column(), columns - 1);
    switch (character) {
    case 7:
        return;
    case 8:
        c = std::max(0, c - 1);
        break;
    case 13:
        c = 0;
        break;
    case 10:
        ++r;
        break;
    default:
        setCell(r, c, character, quint8(attribute < 0 ? cell(r, c) >> 8 : attribute));
        if (++c == columns) {
            c = 0;
            ++r;
        }
    }
    if (r == rows) {
        scroll(true, 1, 0, 0, rows - 1, columns - 1, quint8(cell(rows - 1, 0) >> 8));
        r = rows - 1;
    }
    setCursor(r, c);
}

void TextScreen::scroll(bool up, int lines, int top, int left, int bottom, int right,
                        quint8 attribute)
{
    bottom = std::min(bottom, rows - 1);
    right = std::min(right, columns - 1);
    if (top > bottom || left > right)
        return;
    const int height = bottom - top + 1;
    if (lines <= 0 || lines > height)
        lines = height;
    for (int i = 0; i < height; ++i) {
        const int target = up ? top + i : bottom - i;
        const int source = up ? target + lines : target - lines;
        const bool blank = i >= height - lines;
        for (int c = left; c <= right; ++c) {
            const quint16 v = blank ? quint16(' ' | (attribute << 8)) : cell(source, c);
            setCell(target, c, quint8(v), quint8(v >> 8));
        }
    }
}
