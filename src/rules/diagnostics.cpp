#include "rules/diagnostics.h"

#include "rules/listingreport.h"
#include "rules/trimspaces.h"

#include <QDir>
#include <QRegularExpression>

QList<Diagnostic> reportDiagnostics(QStringView report)
{
    QList<Diagnostic> found;
    for (const QString &reportLine : listingLines(report)) {
        if (!isDiagnosticLine(reportLine))
            continue;
        const auto location = diagnosticLocation(reportLine);
        const QStringView line = trimSpaces(reportLine);
        const bool warning = line.sliced(location->fileName.size())
                                 .contains(QLatin1String("): warning"), Qt::CaseInsensitive);
        found << Diagnostic{location->line, warning ? Diagnostic::Warning : Diagnostic::Error,
                            line.toString(), location->fileName};
    }
    return found;
}

QString diagnosticAt(const Diagnostic &d, int line)
{
    const qsizetype close = d.text.indexOf(QLatin1String("):"), d.file.size());
    if (close < 0)
        return d.text;
    return d.file + QLatin1Char('(') + QString::number(line) + d.text.sliced(close);
}

// The last "N Warning Errors" and "N Severe  Errors" of a text, -1 where none.
static std::pair<int, int> summaryCounts(QStringView text)
{
    static const QRegularExpression count(
        QStringLiteral("^\\s*(\\d+)\\s+(Warning|Severe)\\s+Errors\\s*$"),
        QRegularExpression::MultilineOption);
    std::pair<int, int> found{-1, -1};
    for (const QRegularExpressionMatch &m : count.globalMatch(text.toString()))
        (m.captured(2) == QLatin1String("Warning") ? found.first : found.second) =
            m.captured(1).toInt();
    return found;
}

AssemblyResult assemblyResult(QStringView report, QStringView console,
                              const QStringList &printedOnly, bool objectWritten)
{
    auto [warnings, errors] = summaryCounts(console);
    if (errors < 0 || warnings < 0)
        std::tie(warnings, errors) = summaryCounts(report);
    if (errors < 0 || warnings < 0) {
        const QList<Diagnostic> all = reportDiagnostics(report);
        warnings = int(std::count_if(all.begin(), all.end(), [](const Diagnostic &d) {
            return d.kind == Diagnostic::Warning;
        }));
        errors = int(all.size()) - warnings;
    }
    AssemblyResult result{errors, warnings, objectWritten, QString()};
    // Besides diagnostics and its figures, MASM prints only why it stopped.
    for (const QString &line : printedOnly) {
        const auto [w, e] = summaryCounts(line);
        if (!isDiagnosticLine(line) && w < 0 && e < 0 &&
            !line.endsWith(QLatin1String("Bytes symbol space free"))) {
            result.stoppedBy = line;
            break;
        }
    }
    return result;
}

QString assemblyStatus(const AssemblyResult &result)
{
    const QString counts =
        QStringLiteral("%1 个错误，%2 个警告").arg(result.errors).arg(result.warnings);
    if (!result.failed())
        return QStringLiteral("编译结果：") + counts;
    const QString failure =
        result.stoppedBy.isEmpty() ? QStringLiteral("没有生成目标文件") : result.stoppedBy;
    // The counts first: a narrow window cuts the end of the line.
    return QStringLiteral("编译失败（") + counts + QStringLiteral("）：") + failure;
}

QString assemblyStatus(QStringView report, QStringView console, const QStringList &printedOnly,
                       bool objectWritten)
{
    return assemblyStatus(assemblyResult(report, console, printedOnly, objectWritten));
}

QString hostPathOf(QStringView dosName, const QString &toolFolder, const QString &sourceFolder)
{
    QString folder = toolFolder;
    if (dosName.size() > 1 && dosName[1] == QLatin1Char(':')) {
        const QChar drive = dosName[0].toUpper();
        if (drive == QLatin1Char('D') && !sourceFolder.isEmpty())
            folder = sourceFolder;
        else if (drive != QLatin1Char('C'))
            return QString();
        dosName = dosName.sliced(2);
    }
    QString rest = dosName.toString().replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return QDir::cleanPath(folder + QLatin1Char('/') + rest);
}
