#include "checking/textcompare.h"

#include <QRegularExpression>

QString plainText(const QString &text)
{
    QStringList lines = QString(text)
                            .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                            .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                            .split(QLatin1Char('\n'));
    for (QString &line : lines) {
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

bool textMatches(const ExpectedText &expected, const QString &actual)
{
    if (expected.match == ExpectedText::Match::Pattern)
        return QRegularExpression(expected.text).match(actual).hasMatch();
    return plainText(expected.text) == plainText(actual);
}
