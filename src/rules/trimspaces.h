#pragma once

#include <QStringView>

// Trims the blank character only. Tabs, line ends and the form feed and
// backspace that open each listing page heading are text to keep.
inline QStringView trimSpaces(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.sliced(b, e - b);
}
