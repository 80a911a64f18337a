#pragma once

#include "platform/launcher.h"

// Windows: CreateProcessW with the command line as built. Elsewhere: the line
// is split by the Windows rules; DOS programs and "command.com" run in DOSBox,
// other programs start directly. Never through a shell.
class ProcessLauncher : public Launcher
{
public:
    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName = QString(),
                       const QString &includeFolder = QString()) override;
};
