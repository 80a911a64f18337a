// An idle document window showing a 1 MB file of one line: the caret blinks
// and nothing else happens, so the process should use next to no CPU.
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LONG.ASM"));
    QString line;
    while (line.size() < (1 << 20))
        line += QStringLiteral("MOV AX,BX ;one line of a file that has no line breaks ");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(line.toLatin1()) != line.size())
            return 1;
    }
    BenchDialogs dialogs;
    dialogs.openPath = path;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();
    main.mnuFileOpen();
    RichText *rt = main.activeDocument()->Text1;
    main.activateWindow();
    rt->setFocus();

    // Let the window settle: the first layout and paint are the open's cost.
    QEventLoop settle;
    QTimer::singleShot(2000, &settle, &QEventLoop::quit);
    settle.exec();

    const double seconds = 10;
    const double cpuBefore = processCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(int(seconds * 1000), &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = processCpuSeconds() - cpuBefore;
    std::printf("idle window, 1 MB on one line (caret in the text: %s): %.0f ms CPU in %.0f s, "
                "%.2f %% of a core  ratio %.4f (target <= 0.02)\n",
                rt->hasFocus() ? "yes" : "no", cpu * 1000, seconds, 100 * cpu / seconds,
                cpu / seconds);
    return 0;
}
