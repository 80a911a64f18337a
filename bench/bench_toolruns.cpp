// F9 to the report and Ctrl+L to the program, with the real MASM 5.10 and
// LINK 3.65, on the built-in 8086 against the same commands through DOSBox:
// for the new-program skeleton and for a program of 1,500 lines.
#include "toolchain/toolchaincontroller.h"
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"
#include "documents/skeleton.h"
#include "platform/processlauncher.h"
#include "platform/richtext.h"
#include "toolchain/commandlines.h"
#include "toolchain/frmreport.h"
#include "toolchain/toollauncher.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

// A program of about 1,500 lines that assembles without a complaint.
static QString longProgram()
{
    QStringList lines{QStringLiteral("data segment")};
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("v%1 dw %1").arg(i);
    lines << QStringLiteral("data ends") << QStringLiteral("code segment")
          << QStringLiteral("assume cs:code,ds:data") << QStringLiteral("start: mov ax,data")
          << QStringLiteral("mov ds,ax");
    for (int i = 0; i < 139; ++i)
        lines << QStringLiteral("mov ax,v%1").arg(i % 100) << QStringLiteral("add ax,bx")
              << QStringLiteral("mov cx,10") << QStringLiteral("l%1: inc ax").arg(i)
              << QStringLiteral("loop l%1").arg(i) << QStringLiteral("mov v%1,ax").arg(i % 100)
              << QStringLiteral("cmp ax,5") << QStringLiteral("jne n%1").arg(i)
              << QStringLiteral("nop") << QStringLiteral("n%1: ; next block").arg(i);
    lines << QStringLiteral("mov ax,4c00h") << QStringLiteral("int 21h")
          << QStringLiteral("code ends") << QStringLiteral("end start");
    return lines.join(QStringLiteral("\r\n"));
}

// Waits, with the event loop running, until done() holds; milliseconds taken.
static double timeUntil(const std::function<void()> &start, const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(120000))
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    return double(clock.elapsed());
}

struct Times
{
    double assemble = 0;
    double link = 0;
};

static Times measure(frmMain &main, Launcher &launcher, const QString &folder,
                     const QString &source)
{
    QList<double> assembles, links;
    for (int i = 0; i < 3; ++i) {
        main.activeDocument()->Text1->setText(source);
        main.toolchain().reportWindow()->showText(QStringLiteral("Report"), QString());
        assembles << timeUntil([&] { main.mnucompile(); },
                               [&] { return !main.toolchain().reportWindow()->shownText().isEmpty(); });
        // The linker on its own, from its start to its end.
        std::unique_ptr<LaunchedRun> run;
        links << timeUntil(
            [&] {
                run = launcher
                          .start(linkerCommand(folder + QStringLiteral("link.exe"),
                                               QStringLiteral("Temp_F"), QString()),
                                 folder, WindowStyle::Hidden, QStringLiteral("LINKMSG.TXT"))
                          .run;
            },
            [&] { return !run || run->hasEnded(); });
        if (!QFile::exists(folder + QStringLiteral("TEMP_F.EXE")))
            std::printf("  (no program was linked)\n");
    }
    return {median(assembles), median(links)};
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString tools = qEnvironmentVariable("KORVANE_DOS_TOOLS");
    if (tools.isEmpty())
        tools = QStringLiteral(KORVANE_DOS_TOOLS);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    if (!QFile::copy(tools + QStringLiteral("/MASM.EXE"), folder + QStringLiteral("masm.exe")) ||
        !QFile::copy(tools + QStringLiteral("/LINK.EXE"), folder + QStringLiteral("link.exe")) ||
        QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty()) {
        std::printf("tool runs: skipped (needs the real MASM and LINK in %s, and DOSBox)\n",
                    qPrintable(tools));
        return 0;
    }
    QDir::setCurrent(dir.path());
    BenchDialogs dialogs;
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    Services services;
    services.dialogs = &dialogs;
    services.launcher = &launcher;
    frmMain main(services);
    main.Show();

    const std::pair<const char *, QString> programs[] = {
        {"new-program skeleton", programSkeleton()},
        {"1,500-line program", longProgram()},
    };
    for (const auto &[name, source] : programs) {
        launcher.setDosboxOnly(false);
        const Times machine = measure(main, launcher, folder, source);
        launcher.setDosboxOnly(true);
        const Times dosbox = measure(main, launcher, folder, source);
        std::printf("F9 to the report, %s: machine %.0f ms, DOSBox %.0f ms  ratio %.2f "
                    "(target <= 0.2)\n",
                    name, machine.assemble, dosbox.assemble, machine.assemble / dosbox.assemble);
        std::printf("Ctrl+L (the linker's run), %s: machine %.0f ms, DOSBox %.0f ms  ratio %.2f "
                    "(target <= 0.2)\n",
                    name, machine.link, dosbox.link, machine.link / dosbox.link);
    }
    return 0;
}
