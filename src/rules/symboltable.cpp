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
