#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are kept as 0x00BBGGRR in a 32-bit integer: red in the lowest byte.
constexpr qint32 RGB(int r, int g, int b)
{
    return qint32(r + 256 * g + 65536 * b);
}

inline QColor toQColor(qint32 v)
{
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

inline qint32 fromQColor(const QColor &c)
{
    return RGB(c.red(), c.green(), c.blue());
}

// The colours of the text, shared by every document: code, comments, and
// what is being typed.
struct TextColours
{
    qint32 Fcolor = 0;
    qint32 Remcolor = 0;
    qint32 Currentfcolor = 0;
};
