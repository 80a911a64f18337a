#pragma once

#include <QString>
#include <functional>
#include <memory>

enum class WindowStyle {
    Hidden, // no window; the caller keeps hold of the run
    Normal, // a window of its own with the focus; nothing is kept
};

// Why a hidden run was stopped instead of ending by itself.
struct RunStop
{
    enum Reason {
        None,        // it ended by itself
        Hung,        // no progress for the run's bound
        InputWanted, // it read the keyboard, which nobody can answer
        OutputLimit, // a file it wrote grew past the limit
        Failed,      // it could not be run (a fault, an image that would not load)
    };
    Reason reason = None;
    // For people: the fault, what could not be loaded.
    QString detail;
    // OutputLimit: the file it was writing and the size it had reached.
    QString file;
    qint64 fileSize = 0;
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
    // Whether the run has done something (written output) since the last
    // call: a caller's bound counts the time without progress, not the time
    // since the start, so that a long job is never taken for a hung one.
    virtual bool madeProgress() { return false; }
    // Once hasEnded(): why the run stopped, when it did not end by itself.
    virtual RunStop stop() const { return {}; }
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
    // Hidden runs of DOS programs go to DOSBox only, never to the emulated
    // machine, while this is set.
    virtual void setDosboxOnly(bool) {}
    // Receives what the user should hear about how runs are made (a tool
    // that moved to DOSBox), once each.
    virtual void setNoticeHandler(std::function<void(const QString &)>) {}
};
