#include "rules/symboltable.h"

#include <QRegularExpression>

namespace {

int elementSize(const QString &type)
{
    static const QList<std::pair<QString, int>> sizes = {
        {QStringLiteral("BYTE"), 1},  {QStringLiteral("WORD"), 2},  {QStringLiteral("DWORD"), 4},
        {QStringLiteral("FWORD"), 6}, {QStringLiteral("QWORD"), 8}, {QStringLiteral("TBYTE"), 10}};
    for (const auto &[word, size] : sizes)
        if (type == word)
            return size;
    return 0;
}

} // namespace

QList<ListedSymbol> readSymbolTable(const QByteArray &listing)
{
    // "ARR  . . . . . .  \tL WORD\t0004\tDATA\tLength = 000A"
    static const QRegularExpression row(QStringLiteral(
        R"(^([A-Z0-9_@$?.]+?)\s*(?:\.\s)*\.?\s*\t(L \w+|[NF] PROC|NUMBER|TEXT|ALIAS|\w+)\s*\t?\s*([0-9A-F]+)?\s*\t?([A-Z0-9_@$?]+)?(?:\s*\tLength = ([0-9A-F]+))?)"));
    QList<ListedSymbol> symbols;
    bool inTable = false;
    for (const QByteArray &raw : listing.split('\n')) {
        const QString line = QString::fromLatin1(raw).remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String("Symbols:"))) {
            inTable = true;
            continue;
        }
        if (!inTable)
            continue;
        if (line.contains(QLatin1String("Source  Lines")))
            break;
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch())
            continue;
        ListedSymbol s;
        s.name = m.captured(1);
        const QString type = m.captured(2);
        s.value = m.captured(3).toUInt(nullptr, 16);
        s.segment = m.captured(4);
        s.length = m.captured(5).toInt(nullptr, 16);
        if (type.startsWith(QLatin1String("L "))) {
            const QString what = type.mid(2);
            s.size = elementSize(what);
            s.kind = s.size ? ListedSymbol::Kind::Data : ListedSymbol::Kind::Code;
        } else if (type.endsWith(QLatin1String("PROC"))) {
            s.kind = ListedSymbol::Kind::Proc;
        } else if (type == QLatin1String("NUMBER")) {
            s.kind = ListedSymbol::Kind::Number;
            s.segment.clear();
        }
        symbols << s;
    }
    return symbols;
}

QHash<QString, int> readSegmentLengths(const QByteArray &listing)
{
    // "DATA . . . . . . . . . . . . . .  \t0008\tPARA\tNONE\t'DATA'"
    static const QRegularExpression row(
        QStringLiteral(R"(^([A-Z0-9_@$?]+)[ .]*\t([0-9A-F]{4})\t(?:PARA|BYTE|WORD|PAGE|DWORD))"));
    QHash<QString, int> lengths;
    bool inTable = false;
    for (const QByteArray &raw : listing.split('\n')) {
        const QString line = QString::fromLatin1(raw).remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String("Segments and Groups:")))
            inTable = true;
        else if (line.startsWith(QLatin1String("Symbols:")))
            break;
        if (!inTable)
            continue;
        const QRegularExpressionMatch m = row.match(line);
        if (m.hasMatch())
            lengths.insert(m.captured(1), m.captured(2).toInt(nullptr, 16));
    }
    return lengths;
}

int elementCount(const ListedSymbol &variable, const QList<ListedSymbol> &symbols,
                 const QHash<QString, int> &segmentLengths)
{
    if (variable.size <= 0)
        return 1;
    if (variable.length > 0)
        return variable.length;
    qint64 end = segmentLengths.value(variable.segment, int(variable.value) + variable.size);
    for (const ListedSymbol &s : symbols)
        if (s.segment == variable.segment && s.kind != ListedSymbol::Kind::Number &&
            s.kind != ListedSymbol::Kind::Other && s.value > variable.value && s.value < end)
            end = s.value;
    return int(std::max<qint64>(1, (end - variable.value) / variable.size));
}
