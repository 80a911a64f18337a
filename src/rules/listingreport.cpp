#include "rules/listingreport.h"

#include "rules/trimspaces.h"

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

    qsizetype i = 0;
    bool summary = false;
    for (; i < lines.size(); ++i) {
        const QStringView line = trimSpaces(lines[i]);
        // Diagnostics begin with the source name; those of an include file
        // with that file's name.
        if (line.startsWith(sourceName, Qt::CaseInsensitive) || isDiagnosticLine(line)) {
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

// An include file's diagnostic names the file as MASM found it: with the
// drive of the INCLUDE search on the console ("D:\MYMACS.INC(14): ..."), maybe
// without it in the listing. The same diagnostic either way.
static QString messageKey(const QString &message)
{
    if (!isDiagnosticLine(message))
        return message;
    qsizetype name = message.indexOf(QLatin1Char('('));
    while (name > 0 && !QStringView(u"\\:/").contains(message[name - 1]))
        --name;
    return message.sliced(name).toUpper();
}

QStringList consoleOnlyLines(QStringView console, QStringView listing)
{
    QSet<QString> known;
    for (const QString &line : listingLines(listing))
        known.insert(messageKey(line.trimmed()));
    QStringList lines;
    for (const QString &message : printedMessages(console)) {
        const QString key = messageKey(message);
        if (!known.contains(key)) {
            known.insert(key);
            lines << message;
        }
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
    QStringView digits = line.sliced(open + 1, close - open - 1);
    // MASM 5.10 counts lines in 16 bits: those past 32,767 come out negative.
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits = digits.sliced(1);
    bool ok = false;
    const int number = negative ? 65536 - digits.toInt(&ok) : digits.toInt(&ok);
    const bool allDigits =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    if (!ok || !allDigits || number < 1 || number > 65535)
        return std::nullopt;
    return DiagnosticLocation{line.first(open).toString(), number};
}

bool isDiagnosticLine(QStringView line)
{
    line = trimSpaces(line);
    const auto location = diagnosticLocation(line);
    if (!location || location->fileName.contains(QLatin1Char(' ')) ||
        location->fileName.contains(QLatin1Char('\t')))
        return false;
    const QStringView rest =
        line.sliced(line.indexOf(QLatin1String("):"), location->fileName.size()) + 2);
    return rest.startsWith(QLatin1String(" error A")) ||
           rest.startsWith(QLatin1String(" warning A"));
}
