#pragma once

#include "platform/codepage.h"
#include "platform/launcher.h"
#include "rules/assemblyoutcome.h"

#include <QByteArray>
#include <QString>

// The steps of making a program from a source, each one tool run in one
// folder, and what each came to. F9, Ctrl+L, the debugger and a check of a
// class's programs run the same steps and read their outcomes the same way;
// only what they make of an outcome differs.

struct AssembleStep
{
    // The assembler, for messages; the folder it runs in and writes to.
    QString tool;
    QString folder;
    QString commandLine;
    // The source as the command line names it ("Temp_F.asm"): the listing's
    // diagnostics begin with it.
    QString sourceName;
    // Host paths of the listing and of the object it is to write.
    QString listing;
    QString object;
    // The 8.3 name, in folder, of the file that receives what it prints.
    QString console;
    // Searched for include files; empty for none.
    QString includeFolder;
    // The source's encoding: the listing and what is printed carry its bytes.
    TextEncoding encoding;
};

struct AssembleResult
{
    enum class Status {
        Assembled, // an object, and no errors
        Refused,   // errors, or no object (MASM gave up): nothing to link
        NoListing, // it ended without writing its listing
        Stopped,   // stopped before its end: stop says why
    };
    Status status = Status::Stopped;
    AssembleStep step;
    // What the assembler printed, trimmed.
    QString printed;
    // The listing as written (Assembled, Refused), and what it came to.
    QByteArray listingBytes;
    QString listing;
    AssemblyOutcome outcome;
    RunStop stop;
};

struct LinkStep
{
    QString tool;
    QString folder;
    QString commandLine;
    // Host path of the program it is to write.
    QString program;
    QString console;
};

struct LinkResult
{
    enum class Status {
        Linked,           // the program is written
        LinkedWithErrors, // written, but the linker reported errors (an
                          // unresolved name): run, it goes wrong
        NoProgram,        // no program was written
        Stopped,
    };
    Status status = Status::Stopped;
    LinkStep step;
    QString printed;
    // The linker wrote a .COM as an .EXE (see linkedAsCom): EXE2BIN, or
    // comImage, makes the program of it.
    bool com = false;
    RunStop stop;
};

// EXE2BIN turning a linked .EXE into the .COM it is.
struct ComStep
{
    QString tool;
    QString folder;
    QString commandLine;
    // Host path of the .COM it is to write.
    QString program;
    QString console;
};

struct ComResult
{
    enum class Status { Made, NotMade, Stopped };
    Status status = Status::Stopped;
    ComStep step;
    QString printed;
    RunStop stop;
};
