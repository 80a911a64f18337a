// The debugger on a busy loop, built by the real MASM and LINK: one step
// with the panels brought up to date and painted, instructions per second
// at full speed, and how long a pause takes to stop it.
#include "debugging/debugbuild.h"
#include "debugging/debugsession.h"
#include "debugging/disassemblypanel.h"
#include "debugging/flagpanel.h"
#include "debugging/memorypanel.h"
#include "debugging/registerpanel.h"
#include "debugging/screenview.h"
#include "debugging/stackpanel.h"
#include "debugging/watchpanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QTimer>
#include <cstdio>

// DX:AX counts the passes, three instructions each.
static const char kBusyLoop[] = "CODE SEGMENT\r\n"
                                "        ASSUME CS:CODE\r\n"
                                "START:  ADD AX,1\r\n"
                                "        ADC DX,0\r\n"
                                "        JMP START\r\n"
                                "CODE ENDS\r\n"
                                "        END START\r\n";

// Runs the event loop until the signal comes or the time is up.
template <typename Sender, typename Signal>
static bool waitFor(Sender *sender, Signal signal, int ms)
{
    QEventLoop loop;
    bool came = false;
    QObject::connect(sender, signal, &loop, [&] {
        came = true;
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return came;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString tools = qEnvironmentVariable("KORVANE_DOS_TOOLS");
    if (tools.isEmpty())
        tools = QStringLiteral(KORVANE_DOS_TOOLS);
    DebugBuildRequest request;
    request.masm = QDir(tools).filePath(QStringLiteral("MASM.EXE"));
    request.link = QDir(tools).filePath(QStringLiteral("LINK.EXE"));
    request.sourceBytes = kBusyLoop;
    request.runFolder = QDir::tempPath();
    if (!QFile::exists(request.masm) || !QFile::exists(request.link)) {
        std::printf("debugger: skipped (needs the real MASM and LINK in %s)\n", qPrintable(tools));
        return 0;
    }
    DebugBuild build(request);
    if (!waitFor(&build, &DebugBuild::finished, 60000))
        return 1;
    std::unique_ptr<DebugSession> session = build.takeSession();
    if (!session)
        return 1;

    // A step as the student sees it: the stop, then every panel shown anew
    // and painted.
    QWidget panels;
    auto *row = new QHBoxLayout(&panels);
    auto *registers = new RegisterPanel;
    auto *flags = new FlagPanel;
    auto *memory = new MemoryPanel;
    auto *stack = new StackPanel;
    auto *screen = new ScreenView;
    auto *disassembly = new DisassemblyPanel;
    // Ten watches, as a lab's list of variables and expressions.
    auto *watch = new WatchPanel;
    watch->setExpressions(QStringList{
        QStringLiteral("AX"), QStringLiteral("DX"), QStringLiteral("AX+1"),
        QStringLiteral("[BX+SI+2]"), QStringLiteral("WORD PTR ES:[DI]"), QStringLiteral("DX*2"),
        QStringLiteral("BYTE PTR [0]"), QStringLiteral("CS:[100]"), QStringLiteral("SS:[SP]"),
        QStringLiteral("DWORD PTR [10]")});
    for (QWidget *w : std::initializer_list<QWidget *>{registers, flags, memory, stack, screen,
                                                       disassembly, watch})
        row->addWidget(w);
    panels.resize(1600, 500);
    panels.show();
    QList<double> steps;
    for (int i = 0; i < 60; ++i) {
        QElapsedTimer clock;
        clock.start();
        session->stepInto();
        if (!waitFor(session.get(), &DebugSession::stopped, 5000))
            return 1;
        const DebugView view = session->view();
        registers->showView(view);
        flags->showView(view);
        memory->showView(view);
        stack->showView(view);
        screen->showView(view);
        disassembly->showView(view);
        watch->showView(view);
        panels.repaint();
        steps << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(steps.begin(), steps.end());
    const double step = steps[steps.size() / 2];
    std::printf("one step with all panels and ten watches:  %.2f ms  (target <= 30 ms)\n", step);

    QList<double> speeds, pauses;
    for (int i = 0; i < 5; ++i) {
        const Registers before = session->view().registers;
        QElapsedTimer clock;
        clock.start();
        session->continueRun();
        QEventLoop running;
        QTimer::singleShot(1000, &running, &QEventLoop::quit);
        running.exec();
        QElapsedTimer pausing;
        pausing.start();
        session->pause();
        if (!waitFor(session.get(), &DebugSession::stopped, 5000))
            return 1;
        pauses << double(pausing.nsecsElapsed()) / 1e6;
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const Registers after = session->view().registers;
        const auto passes = [](const Registers &r) { return (quint32(r.dx) << 16) | r.ax; };
        speeds << 3.0 * double(passes(after) - passes(before)) / seconds;
    }
    std::sort(speeds.begin(), speeds.end());
    std::sort(pauses.begin(), pauses.end());
    const double speed = speeds[speeds.size() / 2];
    const double pause = pauses[pauses.size() / 2];
    std::printf(
        "continue on a busy loop:  %.1f million instructions/s  ratio %.2f (target <= 1.0)\n",
        speed / 1e6, 10e6 / speed);
    std::printf("pause of a running loop:  %.1f ms  ratio %.2f (target <= 1.0)\n", pause,
                pause / 100.0);
    return 0;
}
