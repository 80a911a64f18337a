// F5: the program runs on the built-in PC in a window of its own, or in
// DOSBox where it needs what the built-in PC has not.
#include "workbench/workbench.h"
#include "debugging/debugcontroller.h"
#include "debugging/runwindow.h"
#include "debugging/screenview.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "platform/dialogs.h"
#include "platform/fso.h"
#include "toolchain/commandlines.h"
#include "toolchain/toolchaincontroller.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>

void DebugController::mnurun()
{
    if (toolchain_.refuseFailedAssembly())
        return;
    // The linker ran in the tool folder with relative names: its program lies
    // there, wherever the source was saved.
    // A program linked as a .COM runs as the .COM that EXE2BIN made of it.
    toolchain_.afterLinker([this, base = wb_.fso().baseName(documents_.Lastsaved),
                            folder = wb_.tools().Toolfolder] {
        const bool com = wb_.fso().fileExists(folder + base + QStringLiteral(".com"));
        const QString command = runCommand(folder, base, com);
        auto inDosbox = [this, command, folder] {
            toolchain_.reportLaunchFailure(wb_.launcher().start(command, folder, WindowStyle::Normal));
        };
        const QString program = wb_.fso().actualPath(
            folder + base + (com ? QStringLiteral(".com") : QStringLiteral(".exe")));
        // No program: the launcher tells the user as it always has.
        if (wb_.command(Command::F5Dosbox)->isChecked() || !QFileInfo(program).isFile())
            return inDosbox();
        // On the built-in 8086, in a window of the program's own, which shows
        // Chinese text; what needs a real PC's screen goes to DOSBox.
        Machine::Setup setup;
        setup.toolFolder = folder;
        // The tools and the settings lie in C:: the program may read them, and
        // change only files of its own.
        setup.toolFolderWrites = Drives::ToolFolderWrites::ExceptTools;
        auto *window = new RunWindow(setup, program, wb_.window());
        if (const frmDocument *doc = wb_.activeDocument())
            window->findChild<ScreenView *>()->setWesternText(doc->westernText);
        connect(window, &RunWindow::handOver, this,
                [this, inDosbox, folder](const QString &reason, const QStringList &changed) {
                    wb_.showStatusMessage(reason + QStringLiteral("，改在 DOSBox 中运行。"),
                                             20000);
                    // DOSBox starts the program again: what its first run did
                    // to files it will meet done already.
                    if (!changed.isEmpty()) {
                        QStringList names;
                        for (const QString &path : changed)
                            names << QDir::toNativeSeparators(QDir(folder).relativeFilePath(path));
                        if (wb_.dialogs().msgBox(
                                wb_.window(),
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
        wb_.showStatusMessage(error + QStringLiteral("。改在 DOSBox 中运行。"), 20000);
        inDosbox();
    });
}
