#pragma once

#include "platform/launcher.h"
#include "toolchain/toollauncher.h"

// Runs DOS tools on the built-in machine and nowhere else: a tool that needs
// what the machine lacks stops with the reason instead of moving to DOSBox,
// and no host program is ever started. The debugger's builds use it (they
// run while the window's own tools may be scripted or in DOSBox).
class MachineLauncher : public Launcher
{
public:
    MachineLauncher();
    ~MachineLauncher() override;

    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName = QString(),
                       const QString &includeFolder = QString()) override;

private:
    // What would start a host process (DOSBox) refuses.
    class NoProcesses : public Launcher
    {
    public:
        LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                           WindowStyle style, const QString &consoleOutputName,
                           const QString &includeFolder) override;
    };
    NoProcesses none_;
    ToolLauncher tools_;
};
