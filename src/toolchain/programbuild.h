#pragma once

#include "toolchain/buildsteps.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class ProgramBuilder;
class QTemporaryDir;

// One document's text, assembled with a listing and linked with a map, in a
// private folder: no window, no dialog, no file of the user's touched.
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
        NotStarted,     // a tool could not be started (reason: why)
        ToolStopped,    // a tool was stopped before its end (reason: why)
        AssemblyFailed, // errors, or MASM gave up: assembled and reason say why
        LinkFailed,     // reason: what LINK printed, or why no program came
    };
    Status status = Status::NoFolder;
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

// The build: the steps F9 and Ctrl+L run, on the launcher given, in a folder
// of its own. Dropping it ends a tool still running, and nothing is told.
class ProgramBuild : public QObject
{
    Q_OBJECT
public:
    ProgramBuild(BuildRequest request, Launcher &launcher, QObject *parent = nullptr);
    ~ProgramBuild() override;
    // Starts the build; finished comes once, later.
    void start();

signals:
    void finished(const BuildResult &result);

private:
    void assembled(const AssembleResult &step);
    void linked(const LinkResult &step);
    void end(BuildResult::Status status, const QString &reason = {});
    QString inFolder(const QString &name) const;

    BuildRequest request_;
    BuildResult result_;
    ProgramBuilder *builder_;
};
