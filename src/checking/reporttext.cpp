#include "checking/reporttext.h"

QString visibleText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u'\n';
        } else if (u == u'\t' || u == u'\n') {
            out += c;
        } else if (u < 0x20) {
            out += QChar(char16_t(0x2400 + u));
        } else if (u == 0x7f) {
            out += QChar(char16_t(0x2421));
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate() || u == 0xfffe || u == 0xffff) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

QString pointsText(double points)
{
    // Six decimals hide the binary noise of sums like 0.1 + 0.2; 'f' never
    // gives an exponent.
    QString s = QString::number(points, 'f', 6);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.'))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString pointsOutOf(double points, double maxPoints)
{
    return pointsText(points) + u'/' + pointsText(maxPoints);
}
