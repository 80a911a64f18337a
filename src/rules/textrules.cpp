#include "rules/textrules.h"

QList<TextRange> commentRanges(QStringView t)
{
    QList<TextRange> ranges;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        if (t[i] == QLatin1Char(';')) {
            const qsizetype start = i;
            while (i < n && t[i] != QLatin1Char('\r'))
                ++i;
            ranges.append({int(start), int(i - start)});
        }
        ++i;
    }
    return ranges;
}

QString positionNumber(int n)
{
    return QLatin1Char(' ') + QString::number(n);
}

QString rowCount(QStringView s, int caret)
{
    if (s.isEmpty())
        return QStringLiteral("1");
    const qsizetype p = std::clamp<qsizetype>(caret, 0, s.size());
    return positionNumber(1 + int(s.first(p).count(QLatin1Char('\r'))));
}

QString lineCount(QStringView s, int caret)
{
    if (s.isEmpty())
        return QStringLiteral("1");
    const qsizetype p = std::clamp<qsizetype>(caret, 0, s.size());
    const qsizetype lf = s.first(p).lastIndexOf(QLatin1Char('\n'));
    return positionNumber(int(p - (lf + 1)) + 1);
}
