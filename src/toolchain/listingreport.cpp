#include "toolchain/listingreport.h"

#include "toolchain/trimspaces.h"

#include <QSet>

static const QLatin1String crlf("\r\n");

QStringList listingLines(QStringView listing)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = listing.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = listing[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << listing.sliced(start, i - start).toString();
        if (c == QLatin1Char('\r') && i + 1 < n && listing[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << listing.sliced(start).toString();
    return lines;
}

static void appendLine(QString &out, QLatin1String indent, QStringView line)
{
    out.append(indent).append(line).append(crlf);
}

static bool isPageHeading(QStringView line)
{
    // The heading begins with a form feed and a backspace.
    return line.mid(2, 14) == QLatin1String("Microsoft (R) ");
}

ListingReport buildListingReport(QStringView listing, QStringView sourceName,
                                 const QStringList &printedOnly)
{
    ListingReport r;
    r.report = QStringLiteral(" Assembling Report:") + crlf;
    const QStringList lines = listingLines(listing);
    const QString source = sourceName.toString().toUpper();

    qsizetype i = 0;
    bool summary = false;
    for (; i < lines.size(); ++i) {
        const QStringView line = trimSpaces(lines[i]);
        if (line.left(source.size()).toString().toUpper() == source) {
            appendLine(r.report, QLatin1String("    "), line);
        } else if (line.endsWith(QLatin1String(" Source  Lines"))) {
            summary = true;
            break;
        }
        if (!isPageHeading(line))
            appendLine(r.cleanedListing, QLatin1String("  "), line);
    }
    for (const QString &line : printedOnly)
        appendLine(r.report, QLatin1String("    "), line);
    if (!summary)
        return r;

    const QString heading = crlf + QStringLiteral(" 汇编总结报告：") + crlf;
    r.report += heading;
    r.cleanedListing += heading;
    for (; i < lines.size(); ++i) {
        const QStringView line = trimSpaces(lines[i]);
        appendLine(r.report, QLatin1String("    "), line);
        appendLine(r.cleanedListing, QLatin1String("  "), line);
    }
    return r;
}

QStringList printedMessages(QStringView console)
{
    QStringList messages;
    for (const QString &line : listingLines(console)) {
        const QString message = line.trimmed();
        if (message.isEmpty() || message.startsWith(QLatin1String("Microsoft (R) ")) ||
            message.startsWith(QLatin1String("Copyright (C) ")))
            continue;
        messages << message;
    }
    return messages;
}

QStringList consoleOnlyLines(QStringView console, QStringView listing)
{
    QSet<QString> known;
    for (const QString &line : listingLines(listing))
        known.insert(line.trimmed());
    QStringList lines;
    for (const QString &message : printedMessages(console)) {
        if (!known.contains(message) && !lines.contains(message))
            lines << message;
    }
    return lines;
}

QString cleanedListingFileText(const ListingReport &r)
{
    return r.cleanedListing + crlf;
}

std::optional<DiagnosticLocation> diagnosticLocation(QStringView reportLine)
{
    const QStringView line = trimSpaces(reportLine);
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open <= 0)
        return std::nullopt;
    const qsizetype close = line.indexOf(QLatin1String("):"), open);
    if (close < 0)
        return std::nullopt;
    const QStringView digits = line.sliced(open + 1, close - open - 1);
    bool ok = false;
    const int number = digits.toInt(&ok);
    const bool allDigits =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    if (!ok || !allDigits || number < 1)
        return std::nullopt;
    return DiagnosticLocation{line.first(open).toString(), number};
}
