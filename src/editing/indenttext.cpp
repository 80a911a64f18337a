#include "editing/indenttext.h"

std::optional<QString> indentText(QStringView text, bool b, int Lenspace)
{
    const QChar lf = QLatin1Char('\n');
    const QChar space = QLatin1Char(' ');
    QString result;
    if (b) {
        if (Lenspace < 0)
            return std::nullopt;
        const qint64 lines = text.count(lf) + 1;
        if (text.size() + lines * Lenspace > kMaxIndentedLength)
            return std::nullopt;
        const QString indent(Lenspace, space);
        result.reserve(text.size() + lines * Lenspace);
        qsizetype from = 0;
        for (;;) {
            result += indent;
            const qsizetype end = text.indexOf(lf, from);
            if (end < 0)
                break;
            result += text.sliced(from, end + 1 - from);
            from = end + 1;
        }
        result += text.sliced(from);
        return result;
    }
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == space)
            ++i;
        const qsizetype end = text.indexOf(lf, i);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        result += text.sliced(i, next - i);
        i = next;
    }
    return result;
}
