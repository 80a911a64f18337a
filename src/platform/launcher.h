#pragma once

#include <QString>
#include <memory>

enum class WindowStyle {
    Hidden, // no window; the caller keeps hold of the run
    Normal, // a window of its own with the focus; nothing is kept
};

// A hidden run the caller keeps. Dropping the handle ends a run that is
// still going, so nothing invisible outlives the one who started it.
class LaunchedRun
{
public:
    virtual ~LaunchedRun() = default;
    virtual bool hasEnded() = 0;
    // Ends the run now (a tool asking the console for an answer waits for ever).
    virtual void end() = 0;
};

enum class LaunchFailure {
    None,
    ProgramNotFound,
    // A DOS program on a system that runs DOS programs only in DOSBox.
    DosboxMissing,
    StartFailed,
};

struct LaunchResult
{
    LaunchFailure failure = LaunchFailure::None;
    // The program as found on disk, or as named when it was not found.
    QString program;
    // The system's own words on a failed start, for a message.
    QString detail;
    // Hidden runs only.
    std::unique_ptr<LaunchedRun> run;

    bool started() const { return failure == LaunchFailure::None; }
};

// Starts programs from one command line, as Windows would: the program first,
// then its arguments, and returns at once.
class Launcher
{
public:
    virtual ~Launcher() = default;
    // consoleOutputName, for hidden runs: a file name in the working directory
    // that receives what the program prints (an 8.3 name for DOS programs,
    // which write it upper-case). includeFolder: a folder the program finds
    // through the INCLUDE environment variable (the assembler's include
    // search), empty for none.
    virtual LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                               WindowStyle style, const QString &consoleOutputName = QString(),
                               const QString &includeFolder = QString()) = 0;
};
