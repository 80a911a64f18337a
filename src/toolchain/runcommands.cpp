#include "app/frmmain.h"
#include "debugging/runwindow.h"
#include "debugging/screenview.h"
#include "documents/frmdocument.h"

#include "toolchain/commandlines.h"
#include "toolchain/toolwait.h"
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>

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
    if (refuseFailedAssembly())
        return;
    // The linker ran in the tool folder with relative names: its program lies
    // there, wherever the source was saved.
    // A program linked as a .COM runs as the .COM that EXE2BIN made of it.
    afterLinker([this, base = Fso->baseName(Lastsaved), folder = Toolfolder] {
        const bool com = Fso->fileExists(folder + base + QStringLiteral(".com"));
        const QString command = runCommand(folder, base, com);
        auto inDosbox = [this, command, folder] {
            reportLaunchFailure(launcher().start(command, folder, WindowStyle::Normal));
        };
        const QString program = Fso->actualPath(
            folder + base + (com ? QStringLiteral(".com") : QStringLiteral(".exe")));
        // No program: the launcher tells the user as it always has.
        if (action(QStringLiteral("mnuf5dosbox"))->isChecked() || !QFileInfo(program).isFile())
            return inDosbox();
        // On the built-in 8086, in a window of the program's own, which shows
        // Chinese text; what needs a real PC's screen goes to DOSBox.
        Machine::Setup setup;
        setup.toolFolder = folder;
        // The tools and the settings lie in C:: the program may read them, and
        // change only files of its own.
        setup.toolFolderWrites = Drives::ToolFolderWrites::ExceptTools;
        auto *window = new RunWindow(setup, program, this);
        if (const frmDocument *doc = activeDocument())
            window->findChild<ScreenView *>()->setWesternText(doc->westernText);
        connect(window, &RunWindow::handOver, this,
                [this, inDosbox, folder](const QString &reason, const QStringList &changed) {
                    sbStatusBar->showMessage(reason + QStringLiteral("，改在 DOSBox 中运行。"),
                                             20000);
                    // DOSBox starts the program again: what its first run did
                    // to files it will meet done already.
                    if (!changed.isEmpty()) {
                        QStringList names;
                        for (const QString &path : changed)
                            names << QDir::toNativeSeparators(QDir(folder).relativeFilePath(path));
                        if (dialogs().msgBox(
                                this,
                                QStringLiteral(
                                    "程序将在 DOSBox 中从头重新运行，之前写过的文件已经改变：\n") +
                                    names.join(QLatin1Char('\n')),
                                Dialogs::OkCancel, Dialogs::Exclamation,
                                QStringLiteral("Korvane")) != Dialogs::Ok)
                            return;
                    }
                    inDosbox();
                });
        QString error;
        if (window->start(&error)) {
            window->show();
            window->raise();
            window->activateWindow();
            return;
        }
        delete window;
        sbStatusBar->showMessage(error + QStringLiteral("。改在 DOSBox 中运行。"), 20000);
        inDosbox();
    });
}

void frmMain::mnurundebug()
{
    // DOS names its own DEBUG debug.com: that name serves as well.
    const QString dosName = Toolfolder + QStringLiteral("debug.com");
    const QString debugProgram = !Fso->fileExists(Debugpath) && Fso->fileExists(dosName)
                                     ? Fso->actualPath(dosName)
                                     : Debugpath;
    if (!toolFound(debugProgram, QStringLiteral("debug.exe"),
                   QStringLiteral("没找到！请把debug.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索debug.exe？")))
        return;
    // DEBUG starts alone, as it always has, but for a .COM program, which it
    // is given to load (its .EXE would start wrong).
    afterLinker([this, debug = debugProgram, base = Fso->baseName(Lastsaved), folder = Toolfolder] {
        QString command = quoteProgramPath(debug);
        const QString com = base + QStringLiteral(".COM");
        if (!base.isEmpty() && Fso->fileExists(folder + com))
            command += QLatin1Char(' ') + com;
        reportLaunchFailure(launcher().start(command, folder, WindowStyle::Normal));
    });
}

void frmMain::mnushellDOS()
{
    const LaunchResult result =
        launcher().start(QStringLiteral("command.com"), Toolfolder, WindowStyle::Normal);
    reportLaunchFailure(result);
}
