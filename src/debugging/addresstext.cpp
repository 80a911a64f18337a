#include "debugging/addresstext.h"

#include <QRegularExpression>

bool parseAddress(const QString &text, const Registers &r, quint16 bareSegment, quint16 *segment,
                  quint16 *offset)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(?:([0-9a-f]{1,4}|[cdes]s)h?\\s*:\\s*)?([0-9a-f]{1,4})h?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    const QString seg = m.captured(1).toUpper();
    if (seg.isEmpty())
        *segment = bareSegment;
    else if (seg == QLatin1String("DS"))
        *segment = r.ds;
    else if (seg == QLatin1String("CS"))
        *segment = r.cs;
    else if (seg == QLatin1String("ES"))
        *segment = r.es;
    else if (seg == QLatin1String("SS"))
        *segment = r.ss;
    else
        *segment = quint16(seg.toUInt(nullptr, 16));
    *offset = quint16(m.captured(2).toUInt(nullptr, 16));
    return true;
}

QString hex4(quint16 v)
{
    return QString::number(v, 16).toUpper().rightJustified(4, u'0');
}
