#pragma once

#include "rules/diagnostics.h"
#include "rules/listingreport.h"

// What one assembly came to, read the one way from what MASM left: its
// listing and what it printed. F9's report, the debugger and a check of a
// class's programs each present it in their own way.
struct AssemblyOutcome
{
    ListingReport report;
    QList<Diagnostic> diagnostics;
    AssemblyResult result;
    // What the status bar says of it.
    QString status;
};

// sourceName: the source as the assembler was given it ("TEMP_F.ASM").
AssemblyOutcome readAssembly(QStringView listing, QStringView console, QStringView sourceName,
                             bool objectWritten);
