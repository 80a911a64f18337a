#pragma once

#include "platform/codepage.h"

#include <QPointer>
#include <QString>

class frmDocument;

// What one assembly's wait keeps of the command that started it: copies, so
// that closing the document or the report window while the assembler runs
// takes nothing from under it.
struct AssemblyRun
{
    // The document assembled, for the jump from a diagnostic to its line;
    // null once it is closed.
    QPointer<frmDocument> document;
    // The source as the command line names it ("Temp_F.asm"): diagnostics
    // begin with it.
    QString sourceName;
    // The source's encoding: the listing and the console output carry its bytes.
    TextEncoding encoding;
    // Full paths of the listing and of the file that receives what the
    // assembler prints.
    QString listing;
    QString console;
    // The source's own folder, searched for include files; empty for none.
    QString includeFolder;
};
