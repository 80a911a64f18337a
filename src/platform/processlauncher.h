#pragma once

#include "platform/launcher.h"

#include <QObject>
#include <memory>

// The program a command line names, as a full path, or empty when there is
// none: a relative name is looked for in workingDirectory (in any case, as DOS
// names are), a name without an extension also as name.exe, a bare name on
// the search path.
QString findProgram(const QString &program, const QString &workingDirectory);

// Windows: CreateProcessW with the command line as built. Elsewhere: the line
// is split by the Windows rules; DOS programs and "command.com" run in DOSBox,
// other programs start directly. Never through a shell.
class ProcessLauncher : public Launcher
{
public:
    ~ProcessLauncher() override;
    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName = QString(),
                       const QString &includeFolder = QString()) override;

private:
    // DOSBox windows stay children of this program (each is reaped as it
    // ends), so that they end with it, even when it is killed.
    std::unique_ptr<QObject> windows_;
};
