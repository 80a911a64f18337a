#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// What one assembler listing turns into.
struct ListingReport
{
    // " Assembling Report:", the diagnostics, then " 汇编总结报告：" and the
    // summary when the listing has one. Lines end in CR LF.
    QString report;
    // The listing without its page headings, each line trimmed and indented
    // by two blanks. The listing file is rewritten with this text plus CR LF.
    QString cleanedListing;
};

// The lines of a listing as the assembler wrote them: CR LF, a lone CR or a
// lone LF ends a line, and a break at the very end opens no further line.
QStringList listingLines(QStringView listing);

// sourceName is the source file as the command line named it ("Temp_F.asm"):
// the assembler begins each diagnostic with it. printedOnly are lines the
// assembler printed that the listing lacks (see consoleOnlyLines): the report
// shows them after the diagnostics, in the same form.
ListingReport buildListingReport(QStringView listing, QStringView sourceName,
                                 const QStringList &printedOnly = {});

// What a DOS tool printed on its console, without its banner and blank lines:
// each line trimmed of blanks.
QStringList printedMessages(QStringView console);

// The printed messages that the listing does not carry, each once, in order:
// "End of file encountered on input file" after a missing END, whose listing
// says "0 Severe Errors".
QStringList consoleOnlyLines(QStringView console, QStringView listing);

// The bytes-to-be of the rewritten listing file, as text.
QString cleanedListingFileText(const ListingReport &r);

// Where a diagnostic line of the report points: "ERRS.ASM(33): error A2009: ..."
// (leading blanks allowed) gives the file "ERRS.ASM" and the 1-based source
// line 33; "(-32768)", as MASM prints line 32,768, gives 32768.
struct DiagnosticLocation
{
    QString fileName;
    int line = 0;
    bool operator==(const DiagnosticLocation &) const = default;
};
std::optional<DiagnosticLocation> diagnosticLocation(QStringView reportLine);

// A diagnostic of the assembler about any file it read: a file name without
// blanks, the line in brackets, then " error A" or " warning A".
bool isDiagnosticLine(QStringView line);
