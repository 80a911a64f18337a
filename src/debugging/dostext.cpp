#include "debugging/dostext.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringDecoder>

namespace DosText {

QChar gbkCharacter(quint8 lead, quint8 trail)
{
    if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail == 0x7F || trail > 0xFE)
        return {};
    // GB18030's two-byte codes are GBK's.
    static thread_local QStringDecoder decoder("GB18030");
    decoder.resetState();
    const char pair[] = {char(lead), char(trail)};
    const QString c = decoder.decode(QByteArrayView(pair, 2));
    if (decoder.hasError() || c.size() != 1 || c[0].category() == QChar::Other_PrivateUse ||
        c[0] == QChar::ReplacementCharacter)
        return {};
    return c[0];
}

QChar pcCharacter(quint8 byte)
{
    if (byte < 0x20 || byte == 0x7F || byte == 0xFF)
        return {};
    if (byte < 0x80)
        return QLatin1Char(char(byte));
    static thread_local QStringDecoder decoder("IBM437");
    if (!decoder.isValid())
        return {};
    decoder.resetState();
    const char one = char(byte);
    const QString c = decoder.decode(QByteArrayView(&one, 1));
    return c.size() == 1 && c[0].isPrint() ? c[0] : QChar();
}

QChar cp437Character(quint8 byte)
{
    static constexpr char16_t controls[32] = {
        u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
        u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
        u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
        u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
    };
    if (byte < 0x20)
        return QChar(controls[byte]);
    if (byte == 0x7F)
        return QChar(u'\u2302');
    if (byte == 0xFF)
        return QChar(u' ');
    const QChar c = pcCharacter(byte);
    return c.isNull() ? QChar(u' ') : c;
}

QString rowText(QByteArrayView bytes, QChar standIn, bool pcCharacters)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = quint8(bytes[i]);
        if (i + 1 < bytes.size()) {
            if (const QChar c = gbkCharacter(b, quint8(bytes[i + 1])); !c.isNull()) {
                text += c;
                ++i;
                continue;
            }
        }
        const QChar c = pcCharacters || b < 0x80 ? pcCharacter(b) : QChar();
        text += c.isNull() ? standIn : c;
    }
    return text;
}

QFont fixedFont(int pointSize)
{
    // 宋体 is mapped to an installed CJK monospace face where it is missing;
    // the style hint keeps ASCII fixed-width when no mapping is installed.
    QFont font(QStringLiteral("宋体"), pointSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(pointSize);
    return fixed;
}

} // namespace DosText
