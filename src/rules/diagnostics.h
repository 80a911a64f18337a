#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One diagnostic of the assembler, as the report lists it:
// "Temp_F.asm(33): error A2009: Symbol not defined: CNTX".
struct Diagnostic
{
    enum Kind { Error, Warning };
    // 1-based line of the file.
    int line = 0;
    Kind kind = Error;
    // The whole diagnostic line, without the report's indent.
    QString text;
    // The file as the assembler named it: "Temp_F.asm", "D:\MYMACS.INC".
    QString file;
    bool operator==(const Diagnostic &) const = default;
};

// Every diagnostic of an assembling report, of the source and of the files it
// includes, in the order the report lists them. A "warning" is a warning;
// every other diagnostic counts as an error.
QList<Diagnostic> reportDiagnostics(QStringView report);

// The line's text with the number it has now: "Temp_F.asm(34): error ..."
// once a line was typed above line 33.
QString diagnosticAt(const Diagnostic &d, int line);

// What one assembly came to: MASM's own summary counts (the console's, else
// the listing's in the report, else the diagnostics counted), whether it wrote
// an object file, and the message of its own that the listing lacks, which
// says why it stopped ("End of file encountered on input file").
struct AssemblyResult
{
    int errors = 0;
    int warnings = 0;
    bool objectWritten = false;
    QString stoppedBy;
    // An object MASM gave up on is no program: it is not linked.
    bool failed() const { return !objectWritten || !stoppedBy.isEmpty(); }
};
// printedOnly: the lines of consoleOnlyLines.
AssemblyResult assemblyResult(QStringView report, QStringView console,
                              const QStringList &printedOnly, bool objectWritten);

// What the status bar says of one assembly.
QString assemblyStatus(const AssemblyResult &result);
QString assemblyStatus(QStringView report, QStringView console, const QStringList &printedOnly,
                       bool objectWritten);

// Where a file the assembler named lies: C: (or no drive) is the tool folder,
// D: the source's own folder (its include search); empty for any other drive.
QString hostPathOf(QStringView dosName, const QString &toolFolder, const QString &sourceFolder);
