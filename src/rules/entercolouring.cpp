#include "rules/entercolouring.h"

#include <algorithm>

EnterColouring enterColouring(QStringView text, int textStart, int caret)
{
    const qsizetype c = std::clamp<qsizetype>(qsizetype(caret) - textStart, 0, text.size());
    // A caret between a carriage return and its line feed belongs to the line after the
    // break, which has nothing before the caret to colour.
    const qsizetype lineStart = c < text.size() && text[c] == QLatin1Char('\n')
                                    ? c + 1
                                    : text.first(c).lastIndexOf(QLatin1Char('\n')) + 1;
    const qsizetype before = std::max<qsizetype>(c - lineStart, 0);
    const qsizetype semicolon = text.sliced(lineStart, before).indexOf(QLatin1Char(';'));
    const qsizetype codeEnd = semicolon < 0 ? lineStart + before : lineStart + semicolon;
    EnterColouring ranges;
    ranges.code = {int(textStart + lineStart), int(codeEnd - lineStart)};
    ranges.comment = {int(textStart + codeEnd), int(lineStart + before - codeEnd)};
    return ranges;
}
