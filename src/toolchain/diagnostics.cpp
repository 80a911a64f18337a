#include "toolchain/diagnostics.h"

#include "toolchain/listingreport.h"
#include "toolchain/trimspaces.h"

QList<Diagnostic> reportDiagnostics(QStringView report, QStringView sourceName)
{
    QList<Diagnostic> found;
    for (const QString &reportLine : listingLines(report)) {
        const auto location = diagnosticLocation(reportLine);
        if (!location || location->fileName.compare(sourceName, Qt::CaseInsensitive) != 0)
            continue;
        const QStringView line = trimSpaces(reportLine);
        // "NAME(12): warning A4001: ..." against "NAME(33): error A2009: ...".
        const QStringView rest = line.sliced(line.indexOf(QLatin1String("):")) + 2).trimmed();
        const bool warning = rest.startsWith(QLatin1String("warning"), Qt::CaseInsensitive);
        found << Diagnostic{location->line, warning ? Diagnostic::Warning : Diagnostic::Error,
                            line.toString()};
    }
    return found;
}
