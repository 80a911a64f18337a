#include "debugging/pckeys.h"

#include <QKeyEvent>
#include <QStringEncoder>
#include <cstring>

namespace {

// The US keyboard's rows: each character's scan code is its row's first
// code plus its place in the row, shifted or not.
struct KeyRow
{
    const char *plain;
    const char *shifted;
    quint8 firstScan;
};

constexpr KeyRow keyRows[] = {
    {"1234567890-=", "!@#$%^&*()_+", 0x02},
    {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
    {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
    {"\\zxcvbnm,./", "|ZXCVBNM<>?", 0x2B},
};

quint8 scanOfCharacter(char c)
{
    if (c == ' ')
        return 0x39;
    for (const KeyRow &row : keyRows)
        for (const char *chars : {row.plain, row.shifted})
            if (const char *at = std::strchr(chars, c); at && c != 0)
                return quint8(row.firstScan + (at - chars));
    return 0;
}

// Keys that give no character: their scan code alone.
quint8 scanOfKey(int key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return quint8(0x3B + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_F11:
        return 0x85;
    case Qt::Key_F12:
        return 0x86;
    case Qt::Key_Home:
        return 0x47;
    case Qt::Key_Up:
        return 0x48;
    case Qt::Key_PageUp:
        return 0x49;
    case Qt::Key_Left:
        return 0x4B;
    case Qt::Key_Right:
        return 0x4D;
    case Qt::Key_End:
        return 0x4F;
    case Qt::Key_Down:
        return 0x50;
    case Qt::Key_PageDown:
        return 0x51;
    case Qt::Key_Insert:
        return 0x52;
    case Qt::Key_Delete:
        return 0x53;
    default:
        return 0;
    }
}

} // namespace

namespace PcKeys {

QList<quint16> fromText(const QString &text)
{
    QList<quint16> keys;
    QStringEncoder gbk("GB18030");
    const QByteArray bytes = gbk.encode(text);
    for (const char byte : bytes) {
        const auto c = quint8(byte);
        keys << quint16(c < 0x80 ? scanOfCharacter(char(c)) << 8 | c : c);
    }
    return keys;
}

QList<quint16> fromTyped(const QString &text)
{
    QList<quint16> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        out << fromText(lines.at(i));
        if (i + 1 < lines.size())
            out << 0x1C0D;
    }
    return out;
}

QList<quint16> fromKeyEvent(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {0x1C0D};
    case Qt::Key_Escape:
        return {0x011B};
    case Qt::Key_Backspace:
        return {0x0E08};
    case Qt::Key_Tab:
        return {0x0F09};
    default:
        break;
    }
    if (const quint8 scan = scanOfKey(event.key())) {
        // The grey keys beside the keypad: E0h where the character goes, as
        // the AT keyboard's BIOS stores them (INT 16h 00h gives 00h).
        const bool grey = scan >= 0x47 && scan <= 0x53 && scan != 0x4A && scan != 0x4C &&
                          scan != 0x4E && !(event.modifiers() & Qt::KeypadModifier);
        return {quint16(scan << 8 | (grey ? 0xE0 : 0))};
    }
    // Ctrl with a letter: the control character, on the letter's key.
    if ((event.modifiers() & Qt::ControlModifier) && event.key() >= Qt::Key_A &&
        event.key() <= Qt::Key_Z) {
        const int letter = event.key() - Qt::Key_A;
        return {quint16(scanOfCharacter(char('a' + letter)) << 8 | (letter + 1))};
    }
    return fromText(event.text());
}

} // namespace PcKeys
