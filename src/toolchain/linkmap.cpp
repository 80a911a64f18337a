#include "toolchain/linkmap.h"

#include <QRegularExpression>

LinkMap readLinkMap(const QByteArray &map)
{
    // " 00100H 0010DH 0000EH CODE                   CODE"
    static const QRegularExpression row(
        QStringLiteral("^\\s*([0-9A-F]{5})H\\s+([0-9A-F]{5})H\\s+([0-9A-F]{5})H\\s+(\\S+)"));
    LinkMap out;
    for (const QByteArray &line : map.split('\n')) {
        const QRegularExpressionMatch m = row.match(QString::fromLatin1(line));
        if (!m.hasMatch())
            continue;
        const quint32 start = m.captured(1).toUInt(nullptr, 16);
        const quint32 length = m.captured(3).toUInt(nullptr, 16);
        const QString name = m.captured(4).toUpper();
        if (!out.starts.contains(name))
            out.starts.insert(name, start);
        out.end = std::max(out.end, start + length);
    }
    return out;
}
