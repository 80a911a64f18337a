#include "app/frmmain.h"
#include "toolchain/commandlines.h"

void frmMain::mnurun()
{
    // The linker ran in the tool folder with relative names: its program lies
    // there, wherever the source was saved.
    const LaunchResult result = launcher().start(runCommand(Toolfolder, Fso->baseName(Lastsaved)),
                                                 Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}

void frmMain::mnurundebug()
{
    if (!toolFound(Debugpath, QStringLiteral("debug.exe"),
                   QStringLiteral("没找到！请把debug.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索debug.exe？")))
        return;
    const LaunchResult result =
        launcher().start(quoteProgramPath(Debugpath), Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}

void frmMain::mnushellDOS()
{
    const LaunchResult result =
        launcher().start(QStringLiteral("command.com"), Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}
