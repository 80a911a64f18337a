#include "toolchain/machinelauncher.h"

#include "platform/dosrunner.h"

LaunchResult MachineLauncher::NoProcesses::start(const QString &commandLine, const QString &,
                                                 WindowStyle, const QString &, const QString &)
{
    LaunchResult result;
    result.failure = LaunchFailure::StartFailed;
    result.program = splitProgram(commandLine).program;
    result.detail = QStringLiteral("这里的工具只在内置的 8086 上运行，这个程序不能在那里运行。");
    return result;
}

MachineLauncher::MachineLauncher() : tools_(none_) {}

MachineLauncher::~MachineLauncher() = default;

LaunchResult MachineLauncher::start(const QString &commandLine, const QString &workingDirectory,
                                    WindowStyle style, const QString &consoleOutputName,
                                    const QString &includeFolder)
{
    if (style != WindowStyle::Hidden)
        return none_.start(commandLine, workingDirectory, style, consoleOutputName, includeFolder);
    return tools_.start(commandLine, workingDirectory, style, consoleOutputName, includeFolder);
}
