#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/frmdocument.h"

#include "toolchain/commandlines.h"
#include "toolchain/toolwait.h"
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>

void ToolchainController::afterLinker(std::function<void()> start)
{
    if (!linkerRunning()) {
        start();
        return;
    }
    // F5 right after Ctrl+L: the program is there once the linker has ended.
    auto *wait = new ToolWait(this);
    wait->ready = [this] { return !linkerRunning(); };
    wait->then = std::move(start);
    wait->start();
}

void ToolchainController::mnurundebug()
{
    // DOS names its own DEBUG debug.com: that name serves as well.
    const QString dosName = tools().Toolfolder + QStringLiteral("debug.com");
    const QString debugProgram = !Fso->fileExists(tools().Debugpath) && Fso->fileExists(dosName)
                                     ? Fso->actualPath(dosName)
                                     : tools().Debugpath;
    if (!toolFound(debugProgram, QStringLiteral("debug.exe"),
                   QStringLiteral("没找到！请把debug.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索debug.exe？")))
        return;
    // DEBUG starts alone, as it always has, but for a .COM program, which it
    // is given to load (its .EXE would start wrong).
    afterLinker([this, debug = debugProgram, base = Fso->baseName(documents_.Lastsaved), folder = tools().Toolfolder] {
        QString command = quoteProgramPath(debug);
        const QString com = base + QStringLiteral(".COM");
        if (!base.isEmpty() && Fso->fileExists(folder + com))
            command += QLatin1Char(' ') + com;
        reportLaunchFailure(launcher().start(command, folder, WindowStyle::Normal));
    });
}

void ToolchainController::mnushellDOS()
{
    const LaunchResult result =
        launcher().start(QStringLiteral("command.com"), tools().Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}
