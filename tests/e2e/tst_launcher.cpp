#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"
#include "toolchain/dostools.h"
#include "toolchain/toollauncher.h"
#include "toolchain/toolwait.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

// Real processes through the real launcher: programs that never end, a DOS
// one in DOSBox and a script, and scripts started directly. The real DOS tools run
// through it in the toolchain's end-to-end tests.
class TestLauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void runThatNeverEnds_data();
    void runThatNeverEnds();
    void endsWithTheProgram();
    void startsDosboxThenWaits();
    void script();
    void failures_data();
    void failures();
    void boundCountsProgress_data();
    void boundCountsProgress();
    void damagedTool_data();
    void damagedTool();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString path(const QString &relative) const { return tmp->filePath(relative); }
};

// Processes whose arguments name the folder (a zombie has none left): none
// may outlive a run.
static int processesFor(const QString &folder)
{
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        count += fileBytes("/proc/" + pid + "/cmdline").contains(folder.toUtf8());
    return count;
}

void TestLauncher::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
}

void TestLauncher::runThatNeverEnds_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<int>("processes"); // at least those that name the folder while it runs
    QTest::addColumn<bool>("dropHandle");
    // mov ah, 08h; int 21h; jmp back: waits for a key that a hidden run never
    // gets, like a linker asking for a library.
    const QByteArray dos = "\xB4\x08\xCD\x21\xEB\xFA";
    QTest::newRow("DOS program ended by the caller after its bound") << dos << 1 << false;
    QTest::newRow("DOS program ended by dropping the handle") << dos << 1 << true;
    QTest::newRow("script ended with its child")
        << QByteArray("#!/bin/sh\nsh -c 'sleep 300; :' \"$PWD\" &\nwait\n") << 2 << false;
    QTest::newRow("script dropped: its child goes too")
        << QByteArray("#!/bin/sh\nsh -c 'sleep 300; :' \"$PWD\" &\nwait\n") << 2 << true;
}

void TestLauncher::runThatNeverEnds()
{
    QFETCH(QByteArray, program);
    QFETCH(int, processes);
    QFETCH(bool, dropHandle);
    if (!program.startsWith("#!") && QStandardPaths::findExecutable("dosbox").isEmpty())
        QSKIP("dosbox is not installed");
    QVERIFY(writeFile(path("link.exe"), program, true));
    LaunchResult result = ProcessLauncher().start("link.exe Temp_F.obj,Temp_F,,NOLIB;", tmp->path(),
                                                  WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    // A shell's fork names the folder for a moment before it execs: count at least.
    QTRY_VERIFY(processesFor(tmp->path()) >= processes);
    QVERIFY(!result.run->hasEnded());
    if (dropHandle) {
        result.run.reset();
    } else {
        result.run->end();
        QVERIFY(result.run->hasEnded());
    }
    QTRY_COMPARE(processesFor(tmp->path()), 0);
}

// A program killed outright takes its DOSBox runs with it, hidden or in a window.
void TestLauncher::endsWithTheProgram()
{
    if (QStandardPaths::findExecutable("dosbox").isEmpty())
        QSKIP("dosbox is not installed");
    QVERIFY(writeFile(path("link.exe"), "\xB4\x08\xCD\x21\xEB\xFA", true));
    for (const QString command : {"link.exe", "command.com"}) {
        QProcess program;
        program.setEnvironment(QProcess::systemEnvironment() << "SDL_VIDEODRIVER=dummy"
                                                             << "KORVANE_DOSBOX_IN=" + command);
        program.setWorkingDirectory(tmp->path());
        program.start(QCoreApplication::applicationFilePath(), {"startsDosboxThenWaits"});
        QTRY_VERIFY_WITH_TIMEOUT(processesFor(tmp->path()) == 1, 30000);
        ::kill(pid_t(program.processId()), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(processesFor(tmp->path()), 0, 20000);
    }
}

// Run by endsWithTheProgram: a linker that never ends, hidden, or the DOS prompt.
void TestLauncher::startsDosboxThenWaits()
{
    const QString command = qEnvironmentVariable("KORVANE_DOSBOX_IN");
    if (command.isEmpty())
        QSKIP("run by endsWithTheProgram");
    ProcessLauncher launcher;
    const auto style = command == "link.exe" ? WindowStyle::Hidden : WindowStyle::Normal;
    const LaunchResult kept = launcher.start(command, QDir::currentPath(), style);
    QVERIFY(kept.started());
    QTest::qWait(120000);
}

static const QByteArray argsScript = "#!/bin/sh\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > ARGS.TXT\n"
                                     "echo \"linked $#\"\n"
                                     "echo warning >&2\n";

// A script starts directly, found in any case, its arguments taken apart by
// the Windows rules.
void TestLauncher::script()
{
    const QString work = path("my tools");
    QVERIFY(writeFile(work + "/LINK.EXE", argsScript, true));
    LaunchResult result =
        ProcessLauncher().start('"' + work + "/link.exe\" Temp_F.obj,Temp_F,; \"two words\" a\\\"b",
                                work, WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return result.run->hasEnded(); }, 60000));
    QCOMPARE(fileBytes(work + "/ARGS.TXT"), QByteArray("Temp_F.obj,Temp_F,;\ntwo words\na\"b\n"));
    QCOMPARE(fileBytes(work + "/linkout.txt"), QByteArray("linked 3\nwarning\n"));
}

void TestLauncher::failures_data()
{
    QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder
    QTest::addColumn<LaunchFailure>("failure");
    QTest::newRow("no such program") << "nosuch.exe a,b;" << LaunchFailure::ProgramNotFound;
    QTest::newRow("unquoted path with blanks names another program")
        << "%1/my tools/link.exe x" << LaunchFailure::ProgramNotFound;
    QTest::newRow("a text file is no program") << "notes.txt" << LaunchFailure::StartFailed;
    QTest::newRow("a DOS program without DOSBox")
        << "masm.exe a,b;" << LaunchFailure::DosboxMissing;
}

// With no DOSBox on the search path, nothing starts, in either window style.
void TestLauncher::failures()
{
    QFETCH(QString, commandLine);
    QFETCH(LaunchFailure, failure);
    QVERIFY(writeFile(path("my tools/link.exe"), argsScript, true));
    QVERIFY(writeFile(path("notes.txt"), "not a program\n"));
    // A header-less .com image: a DOS program without nasm's help.
    QVERIFY(writeFile(path("masm.exe"), "\xB4\x4C\xCD\x21"));
    const QByteArray savedPath = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", savedPath); });
    qputenv("PATH", path("nothing").toUtf8());
    for (const WindowStyle style : {WindowStyle::Hidden, WindowStyle::Normal}) {
        const LaunchResult result =
            ProcessLauncher().start(commandLine.replace("%1", tmp->path()), tmp->path(), style);
        QCOMPARE(result.failure, failure);
        QVERIFY(!result.run);
    }
    QVERIFY(!QFile::exists(path("my tools/ARGS.TXT")));
}

void TestLauncher::boundCountsProgress_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<RunStop::Reason>("stop"); // None: it ended by itself
    QTest::newRow("writing its listing for twice the bound: a long job, not stopped")
        << QByteArray("#!/bin/sh\nfor i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14; do\n"
                      "echo line >> TEMP_F.LST; sleep 0.1; done\n")
        << RunStop::None;
    QTest::newRow("silent for the bound: stopped as hung")
        << QByteArray("#!/bin/sh\nsleep 300\n") << RunStop::Hung;
    QTest::newRow("an old file over the limit beside it: not stopped")
        << QByteArray("#!/bin/sh\nfor i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14; do\n"
                      "echo line >> TEMP_F.LST; done\ntest -f OLD.BIN\n")
        << RunStop::None;
    QTest::newRow("writing without end: stopped, the file named")
        << QByteArray("#!/bin/sh\nwhile :; do echo xxxxxxxxxxxxxxxx; done > BIG.TXT\n")
        << RunStop::OutputLimit;
}

// A hidden run is bounded by the time it goes without progress, read from the
// files of its folder, and by the size of what it writes.
void TestLauncher::boundCountsProgress()
{
    QFETCH(QByteArray, program);
    QFETCH(RunStop::Reason, stop);
    QVERIFY(writeFile(path("masm.exe"), program, true));
    QFile old(path("OLD.BIN"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.resize(1024 * 1024));
    old.close();
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    launcher.setBounds(30000, 64 * 1024);
    LaunchResult result = launcher.start("masm.exe", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QElapsedTimer idle;
    RunStop stopped;
    RunState state = RunState::Going;
    QVERIFY(QTest::qWaitFor(
        [&] { return (state = checkRun(*result.run, idle, 700, &stopped)) != RunState::Going; },
        60000));
    QCOMPARE(stopped.reason, stop);
    QCOMPARE(state, stop == RunStop::None ? RunState::Ended : RunState::Stopped);
    if (stop == RunStop::OutputLimit)
        QVERIFY(stopped.file == path("BIG.TXT") && stopped.fileSize > 64 * 1024);
    QCOMPARE(fileBytes(path("TEMP_F.LST")).count('\n'), stop == RunStop::None ? 14 : 0);
    QTRY_COMPARE(processesFor(tmp->path()), 0);
}

void TestLauncher::damagedTool_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QByteArray>("image"); // empty: the real one
    QTest::addColumn<bool>("downloaded");  // the download's licence lies beside it
    QTest::addColumn<QString>("said");
    // xor ax, ax; div al: what F9 showed as a division overflow.
    const QByteArray overwritten = "\x31\xC0\xF6\xF0";
    QTest::newRow("downloaded assembler written over")
        << "masm.exe" << overwritten << true << "masm.exe 已损坏或不是原来的文件";
    QTest::newRow("downloaded linker written over")
        << "LINK.EXE" << overwritten << true << "link.exe 已损坏或不是原来的文件";
    QTest::newRow("the user's own assembler: its fault as it is")
        << "masm.exe" << overwritten << false << "division overflow";
    QTest::newRow("the real assembler, one byte changed")
        << "masm.exe" << QByteArray() << true << "masm.exe 已损坏或不是原来的文件";
}

// A downloaded tool that fails and no longer has its pinned size and
// checksum is named as damaged, not by the fault it ran into.
void TestLauncher::damagedTool()
{
    QFETCH(QString, tool);
    QFETCH(QByteArray, image);
    QFETCH(bool, downloaded);
    QFETCH(QString, said);
    if (image.isEmpty()) {
        REQUIRE_REAL_TOOLS();
        image = fileBytes(realToolsFolder() + "/MASM.EXE");
        QCOMPARE(damagedToolText(realToolsFolder() + "/MASM.EXE"), QString());
        // Its first instruction: past the header (paragraphs at 08h), at the
        // start's CS (16h) and IP (14h).
        auto word = [&](int at) { return quint8(image[at]) | quint8(image[at + 1]) << 8; };
        const int entry = (word(8) + word(0x16)) * 16 + word(0x14);
        image.replace(entry, 4, "\x31\xC0\xF6\xF0");
    }
    QVERIFY(writeFile(path(tool), image));
    if (downloaded)
        QVERIFY(writeFile(path(dosToolsLicence().fileName), "MIT License"));
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    LaunchResult result = launcher.start(tool + " a.asm,a,,,", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QElapsedTimer idle;
    RunStop stopped;
    QVERIFY(QTest::qWaitFor(
        [&] { return checkRun(*result.run, idle, 30000, &stopped) != RunState::Going; }, 60000));
    QCOMPARE(stopped.reason, RunStop::Failed);
    QVERIFY2(stopped.detail.startsWith(said), qPrintable(stopped.detail));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
