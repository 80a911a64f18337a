#include "rules/assemblyoutcome.h"

AssemblyOutcome readAssembly(QStringView listing, QStringView console, QStringView sourceName,
                             bool objectWritten)
{
    AssemblyOutcome outcome;
    const QStringList printedOnly = consoleOnlyLines(console, listing);
    outcome.report = buildListingReport(listing, sourceName, printedOnly);
    outcome.diagnostics = reportDiagnostics(outcome.report.report);
    outcome.result = assemblyResult(outcome.report.report, console, printedOnly, objectWritten);
    outcome.status = assemblyStatus(outcome.result);
    return outcome;
}
