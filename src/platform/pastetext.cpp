#include "platform/pastetext.h"

static bool isLineBreak(char32_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x85 || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

static bool isNonBreakingSpace(char32_t c)
{
    return c == QChar::Nbsp || c == 0x2007 || c == 0x202F;
}

static bool showsNothing(char32_t c)
{
    if (c == u'\t')
        return false;
    if (c == 0xFFFC || c == 0xFFFD || QChar::isNonCharacter(c))
        return true;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           category == QChar::Other_Surrogate;
}

QString shownCharacters(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        if (isLineBreak(c))
            shown += QLatin1Char('\n');
        else if (isNonBreakingSpace(c))
            shown += QLatin1Char(' ');
        else if (!showsNothing(c))
            shown += QStringView(QChar::fromUcs4(c));
    }
    return shown;
}
