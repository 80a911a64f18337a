#include "editing/numericinput.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

struct ScannedNumber
{
    qsizetype length = 0; // characters of the number; 0 when there is none
    double value = 0;
};

bool isDigit(QStringView s, qsizetype i)
{
    return i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9');
}

qsizetype skipDigits(QStringView s, qsizetype i)
{
    while (isDigit(s, i))
        ++i;
    return i;
}

ScannedNumber scanNumber(QStringView s)
{
    qsizetype i = 0;
    const bool negative = i < s.size() && s[i] == QLatin1Char('-');
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        ++i;
    const qsizetype intStart = i;
    i = skipDigits(s, i);
    const qsizetype intEnd = i;
    qsizetype fracStart = i, fracEnd = i;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        fracStart = i + 1;
        fracEnd = skipDigits(s, fracStart);
        i = fracEnd;
    }
    if (intEnd == intStart && fracEnd == fracStart)
        return {};
    // An "e" only belongs to the number when digits follow it.
    qsizetype expStart = i, expEnd = i;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('-') || s[j] == QLatin1Char('+')))
            ++j;
        if (isDigit(s, j)) {
            expStart = i + 1;
            expEnd = skipDigits(s, j);
            i = expEnd;
        }
    }
    // Rebuilt in one canonical form so that ".5" and "5." convert the same as "0.5" and "5".
    QString canonical = QStringLiteral("0");
    canonical += s.sliced(intStart, intEnd - intStart);
    if (fracEnd > fracStart) {
        canonical += QLatin1Char('.');
        canonical += s.sliced(fracStart, fracEnd - fracStart);
    }
    if (expEnd > expStart) {
        canonical += QLatin1Char('e');
        canonical += s.sliced(expStart, expEnd - expStart);
    }
    bool ok = false;
    double value = QLocale::c().toDouble(canonical, &ok);
    if (!ok && !std::isinf(value))
        value = 0;
    return {i, negative ? -value : value};
}

QStringView trimSpaces(QStringView s)
{
    // Only the space character: the boxes take tabs and other blanks as they are.
    while (!s.isEmpty() && s.front() == QLatin1Char(' '))
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == QLatin1Char(' '))
        s.chop(1);
    return s;
}

double roundHalfEven(double x)
{
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction > 0.5)
        return down + 1;
    if (fraction < 0.5)
        return down;
    return std::fmod(down, 2) == 0 ? down : down + 1;
}

} // namespace

double numericPrefix(QStringView s)
{
    return scanNumber(s).value;
}

std::optional<double> fontSizeFromAnswer(QStringView answer)
{
    const QStringView trimmed = trimSpaces(answer);
    const double size = trimmed.isEmpty() ? 9 : std::abs(numericPrefix(trimmed));
    if (!(size >= 1 && size <= 1638))
        return std::nullopt;
    return size;
}

std::optional<int> indentWidthFromAnswer(QStringView answer)
{
    const QStringView trimmed = trimSpaces(answer);
    const ScannedNumber number = scanNumber(trimmed);
    if (number.length == 0 || number.length != trimmed.size())
        return std::nullopt;
    const double width = roundHalfEven(number.value);
    // Past the 16-bit range the width is no number at all; below 0 it is no width.
    if (!(width >= 0 && width <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    return int(width);
}
