#include "machine/textscreen.h"

namespace {
constexpr quint32 modeByte = 0x449;
constexpr quint32 cursorWords = 0x450;
constexpr quint32 cursorShapeWord = 0x460;
constexpr quint32 activePageByte = 0x462;
} // namespace

const VideoMode &TextScreen::mode() const
{
    // A program may write the mode byte itself; what is no mode reads as 3.
    if (const VideoMode *m = videoMode(memory_.byteAt(modeByte) & 0x7F))
        return *m;
    return *videoMode(3);
}

int TextScreen::activePage() const
{
    return memory_.byteAt(activePageByte) & 7;
}

quint32 TextScreen::pageBase(int page) const
{
    const VideoMode &m = mode();
    return m.base + quint32(pageOf(page)) * m.pageSize;
}

void TextScreen::clear()
{
    scroll(true, 0, 0, 0, rows() - 1, columns() - 1, 0x07);
    setCursor(0, 0);
}

int TextScreen::row(int page) const
{
    return memory_.byteAt(cursorWords + 2 * quint32(pageOf(page)) + 1);
}

int TextScreen::column(int page) const
{
    return memory_.byteAt(cursorWords + 2 * quint32(pageOf(page)));
}

void TextScreen::setCursor(int row, int column, int page)
{
    const quint32 at = cursorWords + 2 * quint32(pageOf(page));
    memory_.setByteAt(at, quint8(column));
    memory_.setByteAt(at + 1, quint8(row));
}

quint8 TextScreen::cursorStart() const
{
    return memory_.byteAt(cursorShapeWord + 1);
}

quint8 TextScreen::cursorEnd() const
{
    return memory_.byteAt(cursorShapeWord);
}

void TextScreen::setCursorShape(quint8 start, quint8 end)
{
    memory_.setWordAt(cursorShapeWord, quint16(end | (start << 8)));
}

quint16 TextScreen::cell(int row, int column, int page) const
{
    if (mode().kind != VideoMode::Text)
        return 0;
    return memory_.wordAt(pageBase(page) + quint32(2 * (row * columns() + column)));
}

void TextScreen::setCell(int row, int column, quint8 character, quint8 attribute, int page)
{
    if (mode().kind != VideoMode::Text || row < 0 || row >= rows() || column < 0 ||
        column >= columns())
        return;
    memory_.setWordAt(pageBase(page) + quint32(2 * (row * columns() + column)),
                      quint16(character | (attribute << 8)));
}

void TextScreen::teletype(quint8 character, int attribute, int page)
{
    const int rowCount = rows(), columnCount = columns();
    int r = std::min(row(page), rowCount - 1);
    int c = std::min(column(page), columnCount - 1);
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
        setCell(r, c, character, quint8(attribute < 0 ? cell(r, c, page) >> 8 : attribute), page);
        if (++c == columnCount) {
            c = 0;
            ++r;
        }
    }
    if (r == rowCount) {
        scroll(true, 1, 0, 0, rowCount - 1, columnCount - 1,
               quint8(cell(rowCount - 1, 0, page) >> 8), page);
        r = rowCount - 1;
    }
    setCursor(r, c, page);
}

void TextScreen::scroll(bool up, int lines, int top, int left, int bottom, int right,
                        quint8 attribute, int page)
{
    bottom = std::min(bottom, rows() - 1);
    right = std::min(right, columns() - 1);
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
            const quint16 v = blank ? quint16(' ' | (attribute << 8)) : cell(source, c, page);
            setCell(target, c, quint8(v), quint8(v >> 8), page);
        }
    }
}
