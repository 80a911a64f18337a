#pragma once

#include "rules/assemblyoutcome.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>

class Machine;
class QTemporaryDir;

// One document's text, assembled with a listing and linked with a map on the
// built-in machine, in a private folder: no window, no dialog, no file of
// the user's touched.
struct BuildRequest
{
    QString masm, link;     // host paths of the user's masm.exe and link.exe
    QByteArray sourceBytes; // the text exactly as the assembler is given it
    // Folder searched for INCLUDE files (D:); empty for none.
    QString includeFolder;
};

struct BuildResult
{
    enum class Status {
        Built,
        NoFolder,       // the private folder could not be made
        WriteFailed,    // a file could not be written there (reason: the system's words)
        ToolMissing,    // masm.exe or link.exe could not be copied (reason: its path)
        AssemblyFailed, // errors, or MASM gave up: assembled and reason say why
        LinkFailed,     // reason: what LINK printed, or why it stopped
        Cancelled,
    };
    Status status = Status::Cancelled;
    // For people: the tools' own words, or what went wrong.
    QString reason;
    // Holds the outputs; they go with the last holder of it.
    std::shared_ptr<QTemporaryDir> folder;
    // The listing as MASM wrote it, what it printed, and what the assembly
    // came to, read as F9 reads it.
    QByteArray listing;
    QString assemblerSaid;
    AssemblyOutcome assembly;
    QString linkerSaid;
    // The program: TEMP_F.EXE, or TEMP_F.COM when it was linked as one.
    QString image;
    bool com = false;
    QByteArray map;
};

// Lets another thread end a build: the tool running stops soon.
class BuildStop
{
public:
    void request();
    // The build's side: the machine running a tool now (nullptr between
    // tools); false when the build is to end instead.
    bool running(Machine *tool);

private:
    std::mutex lock_;
    Machine *tool_ = nullptr;
    bool requested_ = false;
};

// Runs on the calling thread until both tools are done: a worker's job.
BuildResult buildProgram(const BuildRequest &request, BuildStop &stop);
