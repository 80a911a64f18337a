#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// One diagnostic of the assembler, as the report lists it:
// "Temp_F.asm(33): error A2009: Symbol not defined: CNTX".
struct Diagnostic
{
    enum Kind { Error, Warning };
    // 1-based line of the source file.
    int line = 0;
    Kind kind = Error;
    // The whole diagnostic line, without the report's indent.
    QString text;
    bool operator==(const Diagnostic &) const = default;
};

// The diagnostics of an assembling report that are about sourceName (compared
// without regard to case, as DOS names are), in the order the report lists
// them. A "warning" is a warning; every other diagnostic counts as an error.
QList<Diagnostic> reportDiagnostics(QStringView report, QStringView sourceName);
