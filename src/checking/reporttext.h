#pragma once

#include <QString>
#include <QStringView>

// Small pieces the reports share.

// The text with its line ends as LF and the characters no report can hold
// (control characters, lone surrogates, U+FFFE/U+FFFF) made visible: a
// control character as its picture (U+2400 + code), the rest as U+FFFD.
// Tabs and line ends stay.
QString visibleText(QStringView text);

// Points as people write them: "2", "0.5"; never in exponent form.
QString pointsText(double points);

// "2.5/3".
QString pointsOutOf(double points, double maxPoints);
