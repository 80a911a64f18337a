#pragma once

#include "platform/launcher.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <memory>
#include <utility>

// A scripted Launcher: records every start and plays what the script for the
// started program says, for example writing TEMP_F.LST as masm would.
class FakeLauncher : public Launcher
{
public:
    struct Call
    {
        QString commandLine;
        QString workingDirectory;
        WindowStyle style = WindowStyle::Hidden;
        QString consoleOutputName;
        QString includeFolder;
    };

    // The state of one hidden run, shared with the handle the caller holds.
    struct Run
    {
        bool ended = false;
        bool endedByCaller = false; // end() was called while it was running
        bool handleDropped = false;
        RunStop stop;
        bool progresses = false;
    };

    struct Script
    {
        LaunchFailure failure = LaunchFailure::None;
        // Written into the working directory at the start: name, bytes.
        QList<std::pair<QString, QByteArray>> files;
        // The run goes on until the caller ends it or the test sets its ended.
        bool keepsRunning = false;
        // Why the run says it stopped, once it has ended.
        RunStop stop;
        // The run reports progress on every look while it goes on.
        bool progresses = false;
    };

    // The script for every start of a program, named by its file name in any
    // case ("masm.exe"). A program without a script starts, writes nothing and
    // ends at once.
    void setScript(const QString &programFileName, Script script);

    QList<Call> calls;
    // One entry per hidden run started, in order.
    QList<std::shared_ptr<Run>> runs;

    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName = QString(),
                       const QString &includeFolder = QString()) override;

private:
    QMap<QString, Script> scripts;
};
