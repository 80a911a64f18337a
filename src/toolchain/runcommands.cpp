#include "app/frmmain.h"
#include "toolchain/commandlines.h"
#include "toolchain/toolwait.h"

void frmMain::afterLinker(std::function<void()> start)
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

void frmMain::mnurun()
{
    // The linker ran in the tool folder with relative names: its program lies
    // there, wherever the source was saved.
    afterLinker(
        [this, command = runCommand(Toolfolder, Fso->baseName(Lastsaved)), folder = Toolfolder] {
            reportLaunchFailure(launcher().start(command, folder, WindowStyle::Normal));
        });
}

void frmMain::mnurundebug()
{
    if (!toolFound(Debugpath, QStringLiteral("debug.exe"),
                   QStringLiteral("没找到！请把debug.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索debug.exe？")))
        return;
    afterLinker([this, command = quoteProgramPath(Debugpath), folder = Toolfolder] {
        reportLaunchFailure(launcher().start(command, folder, WindowStyle::Normal));
    });
}

void frmMain::mnushellDOS()
{
    const LaunchResult result =
        launcher().start(QStringLiteral("command.com"), Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}
