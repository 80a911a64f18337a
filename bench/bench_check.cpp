// A class of 200 submissions checked against 5 cases, on the built-in 8086,
// against what a script that starts one DOSBox per assembly, per link and per
// run would take. The DOSBox side is sampled: a few submissions go through
// DOSBox in full (MASM, LINK, five runs), and the mean time of one DOSBox
// start is scaled to the whole class, run as many at once as the check runs.
#include "checking/classcheck.h"
#include "platform/processlauncher.h"
#include "toolchain/programbuild.h"
#include "toolchain/toollauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// Prints as many stars as the digit in its command tail; a few students print
// one too many.
QByteArray program(int student)
{
    const bool wrong = student % 10 == 7;
    return QStringLiteral("DATA SEGMENT\r\nN%1 DW 0\r\nDATA ENDS\r\n"
                          "STACK SEGMENT STACK\r\n DW 64 DUP(0)\r\nSTACK ENDS\r\n"
                          "CODE SEGMENT\r\n ASSUME CS:CODE,DS:DATA,SS:STACK\r\n"
                          "START: MOV AX,DATA\r\n MOV DS,AX\r\n"
                          " MOV AL,ES:[82H]\r\n SUB AL,'0'\r\n MOV AH,0\r\n MOV N%1,AX\r\n"
                          " MOV CX,AX\r\n%2"
                          " JCXZ DONE\r\n"
                          "L%1: MOV DL,'*'\r\n MOV AH,2\r\n INT 21H\r\n LOOP L%1\r\n"
                          "DONE: MOV AX,4C00H\r\n INT 21H\r\nCODE ENDS\r\n END START\r\n")
        .arg(student)
        .arg(wrong ? QStringLiteral(" INC CX\r\n") : QString())
        .toLatin1();
}

QByteArray suite()
{
    QByteArray toml = "title = \"bench\"\n";
    for (int n = 1; n <= 5; ++n)
        toml += QStringLiteral("[[case]]\nname = \"%1\"\ntail = \" %1\"\noutput = \"%2\"\n")
                    .arg(n)
                    .arg(QString(n, QLatin1Char('*')))
                    .toLatin1();
    return toml;
}

// Runs the event loop until done() holds.
void waitFor(const std::function<bool()> &done)
{
    QTimer poll;
    QEventLoop loop;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    loop.exec();
}

// Mean milliseconds of one DOSBox start: a submission assembled, linked and
// run five times, each in a DOSBox of its own.
double dosboxStart(const QString &tools, int samples)
{
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    launcher.setDosboxOnly(true);
    QElapsedTimer clock;
    clock.start();
    int starts = 0;
    for (int s = 0; s < samples; ++s) {
        ProgramBuild build({QDir(tools).filePath("MASM.EXE"), QDir(tools).filePath("LINK.EXE"),
                            program(s), QString()},
                           launcher);
        BuildResult result;
        bool done = false;
        QObject::connect(&build, &ProgramBuild::finished, [&](const BuildResult &r) {
            result = r;
            done = true;
        });
        build.start();
        waitFor([&] { return done; });
        starts += 2;
        if (result.status != BuildResult::Status::Built) {
            std::printf("check: DOSBox build failed: %s\n", qPrintable(result.reason));
            return -1;
        }
        const QString folder = QFileInfo(result.image).absolutePath();
        for (int n = 1; n <= 5; ++n) {
            LaunchResult run = launcher.start(QStringLiteral("TEMP_F.EXE %1").arg(n), folder,
                                              WindowStyle::Hidden, QStringLiteral("OUT.TXT"));
            if (!run.started() || !run.run)
                return -1;
            waitFor([&] { return run.run->hasEnded(); });
            ++starts;
        }
    }
    return double(clock.elapsed()) / starts;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString tools =
        qEnvironmentVariable("KORVANE_DOS_TOOLS", QStringLiteral(KORVANE_DOS_TOOLS));
    if (!QFile::exists(QDir(tools).filePath("MASM.EXE")) ||
        QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty()) {
        std::printf("check: skipped (needs the real MASM and LINK in %s, and DOSBox)\n",
                    qPrintable(tools));
        return 0;
    }
    const int students = 200, cases = 5;
    QTemporaryDir klass;
    for (int s = 0; s < students; ++s) {
        QFile f(QDir(klass.path())
                    .filePath(QStringLiteral("student%1.asm").arg(s, 3, 10, QLatin1Char('0'))));
        if (!f.open(QIODevice::WriteOnly) || f.write(program(s)) < 0)
            return 1;
    }
    QString why;
    const std::optional<CheckSuite> tests = readCheckSuite(suite(), &why);
    if (!tests) {
        std::printf("check: %s\n", qPrintable(why));
        return 1;
    }
    CheckOptions options;
    options.masm = QDir(tools).filePath("MASM.EXE");
    options.link = QDir(tools).filePath("LINK.EXE");
    options.jobs = std::max(1, QThread::idealThreadCount());
    ClassCheck check(*tests, findSubmissions(klass.path(), &why), options);
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    int passed = 0;
    QObject::connect(&check, &ClassCheck::finished, [&](const ClassResult &r) {
        for (const SubmissionResult &s : r.submissions)
            passed += s.passed();
        done = true;
    });
    check.start();
    waitFor([&] { return done; });
    const double wall = double(clock.elapsed());

    const int samples = 3;
    const double start = dosboxStart(tools, samples);
    const double dosbox = start * students * (2 + cases) / options.jobs;
    std::printf("check: %d submissions x %d cases, %d at once: %.1f s (%d passed); "
                "DOSBox per assembly, link and run: %.0f ms a start (sampled from %d "
                "submissions, %d starts), %.0f s for the class  ratio %.3f (target <= 0.05)\n",
                students, cases, options.jobs, wall / 1000, passed, start, samples,
                samples * (2 + cases), dosbox / 1000, wall / dosbox);
    return 0;
}
