#pragma once

#include <QStringView>

#include <optional>

// The number at the start of s, read as a numeric-prefix parser reads it: an optional sign,
// digits with an optional fraction and an optional exponent ("12pt" is 12, "-1.5" is -1.5,
// "2e1" is 20). 0 when s does not begin with a number; ±infinity when the number is too large.
double numericPrefix(QStringView s);

// The font size an answer to the font-size box asks for: spaces trimmed, an empty answer (also
// what Cancel gives) is 9, otherwise the absolute value of its leading number. Nothing when
// that size is outside 1 to 1638 points, which the control refuses.
std::optional<double> fontSizeFromAnswer(QStringView answer);

// The indent width an answer to the indent-width box sets: the whole answer, spaces trimmed,
// must be a number; it is rounded to a whole number (a half to the even neighbour). Nothing,
// so the width stays, for an empty answer, a word, a number outside the 16-bit range, or a
// negative width.
std::optional<int> indentWidthFromAnswer(QStringView answer);
