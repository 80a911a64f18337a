#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Longest text an indent may produce; a larger one is refused rather than risk running out
// of memory.
inline constexpr qsizetype kMaxIndentedLength = 16'000'000;

// The text after one use of the indent command (Rightgo). Indenting puts `Lenspace` spaces in
// front of every line, empty lines and the last line included; un-indenting removes every
// leading space (U+0020 only) of every line. A line ends at each line feed. Nothing when
// indenting with a negative width or when the result would be longer than kMaxIndentedLength.
std::optional<QString> indentText(QStringView text, bool b, int Lenspace);
