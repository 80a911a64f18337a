#include "platform/eventpump.h"
#include "platform/fso.h"
#include "platform/processlauncher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// Real processes through the real launcher: tiny DOS programs built with nasm
// and run in DOSBox, and shell scripts started directly.
class TestLauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void dosProgram_data();
    void dosProgram();
    void dosConsoleToFile();
    void dosRunThatNeverEnds_data();
    void dosRunThatNeverEnds();
    void dosPromptHidden();
    void dosboxMissing();
    void script_data();
    void script();
    void scriptRunEndsWithItsChildren();
    void visibleScriptStartsDetached();
    void failures_data();
    void failures();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString path(const QString &relative) const { return tmp->filePath(relative); }
};

// Writes its command tail to temp_f.lst (DOS makes that TEMP_F.LST) and prints
// a line on the console, as the linker prints its complaints.
static const char writerSource[] = R"(org 100h
    mov ah, 3Ch
    xor cx, cx
    mov dx, fname
    int 21h
    jc fail
    mov bx, ax
    mov ah, 40h
    xor cx, cx
    mov cl, [80h]
    mov dx, 81h
    int 21h
    mov ah, 3Eh
    int 21h
    mov ah, 09h
    mov dx, msg
    int 21h
    mov ax, 4C00h
    int 21h
fail:
    mov ax, 4C01h
    int 21h
fname db 'temp_f.lst', 0
msg db 'LINK : fatal error L1093: object not found', 13, 10, '$'
)";

// Waits for a key that a hidden run never gets, like a linker asking for a library.
static const char waiterSource[] = R"(org 100h
again:
    mov ah, 08h
    int 21h
    jmp again
)";

static bool waitUntil(const std::function<bool()> &done, int boundMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(boundMs))
            return false;
        pumpEvents(20);
    }
    return true;
}

static bool makeFolder(const QString &folder)
{
    return QDir().mkpath(folder);
}

static bool writeFile(const QString &file, const QByteArray &bytes, bool executable = false)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return !executable ||
           f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

static QByteArray readFile(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

static bool assemble(const char *source, const QString &output)
{
    const QString asmFile = output + ".nasm";
    if (!writeFile(asmFile, source))
        return false;
    QProcess nasm;
    nasm.start(QStringLiteral("nasm"), {"-f", "bin", "-o", output, asmFile});
    const bool ok = nasm.waitForFinished(30000) && nasm.exitCode() == 0;
    QFile::remove(asmFile);
    return ok;
}

// DOSBox processes whose arguments name the folder: none may outlive a run.
static int dosboxProcessesFor(const QString &folder)
{
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> argv = f.readAll().split('\0');
        if (!argv.isEmpty() && argv.first().endsWith("dosbox") &&
            argv.join(' ').contains(folder.toUtf8()))
            ++count;
    }
    return count;
}

#define REQUIRE_DOS_TOOLS()                                                                        \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty() ||                  \
            QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())                      \
            QSKIP("dosbox or nasm is not installed");                                              \
    } while (false)

void TestLauncher::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
}

void TestLauncher::dosProgram_data()
{
    QTest::addColumn<QString>("workFolder");
    QTest::addColumn<QString>("programOnDisk");
    QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder

    QTest::newRow("MASM.EXE on disk, masm.exe on the command line")
        << "tools"
        << "tools/MASM.EXE"
        << "masm.exe Temp_F.asm,Temp_F,,,";
    QTest::newRow("quoted path in a folder with blanks and Chinese characters")
        << "my 工具"
        << "my 工具/masm.exe"
        << "\"%1/my 工具/masm.exe\" Temp_F.asm,Temp_F,,,";
    QTest::newRow("program outside the working folder") << "tools"
                                                        << "bin/masm.exe"
                                                        << "%1/bin/masm.exe Temp_F.asm,Temp_F,,,";
    QTest::newRow("name without extension finds the .exe") << "tools"
                                                           << "tools/MASM.EXE"
                                                           << "masm Temp_F.asm,Temp_F,,,";
}

void TestLauncher::dosProgram()
{
    REQUIRE_DOS_TOOLS();
    QFETCH(QString, workFolder);
    QFETCH(QString, programOnDisk);
    QFETCH(QString, commandLine);
    const QString work = path(workFolder);
    QVERIFY(makeFolder(work));
    QVERIFY(makeFolder(QFileInfo(path(programOnDisk)).path()));
    QVERIFY(assemble(writerSource, path(programOnDisk)));

    ProcessLauncher launcher;
    LaunchResult result =
        launcher.start(commandLine.replace("%1", tmp->path()), work, WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(result.run);
    QVERIFY(waitUntil([&] { return result.run->hasEnded(); }));

    // DOS wrote the listing under an upper-case name; the lookup still finds it.
    const QString listing = FileSystem().actualPath(work + "/Temp_F.lst");
    QCOMPARE(QFileInfo(listing).fileName(), QStringLiteral("TEMP_F.LST"));
    QCOMPARE(readFile(listing), QByteArray(" Temp_F.asm,Temp_F,,,"));
    QCOMPARE(dosboxProcessesFor(work), 0);
}

void TestLauncher::dosConsoleToFile()
{
    REQUIRE_DOS_TOOLS();
    QVERIFY(assemble(writerSource, path("link.exe")));
    ProcessLauncher launcher;
    LaunchResult result = launcher.start("link.exe Temp_F.obj,Temp_F,;", tmp->path(),
                                         WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(waitUntil([&] { return result.run->hasEnded(); }));
    const QString output = FileSystem().actualPath(path("linkout.txt"));
    QCOMPARE(readFile(output), QByteArray("LINK : fatal error L1093: object not found\r\n"));
    // Redirecting the console must not change what the program was told.
    QCOMPARE(readFile(FileSystem().actualPath(path("temp_f.lst"))),
             QByteArray(" Temp_F.obj,Temp_F,;"));
}

void TestLauncher::dosRunThatNeverEnds_data()
{
    QTest::addColumn<bool>("dropHandle");
    QTest::newRow("ended by the caller after its bound") << false;
    QTest::newRow("ended by dropping the handle") << true;
}

void TestLauncher::dosRunThatNeverEnds()
{
    REQUIRE_DOS_TOOLS();
    QFETCH(bool, dropHandle);
    QVERIFY(assemble(waiterSource, path("link.exe")));
    ProcessLauncher launcher;
    LaunchResult result =
        launcher.start("link.exe Temp_F.obj,Temp_F,,NOLIB;", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    // The program waits for a key no hidden run gets: it cannot have ended.
    QVERIFY(!result.run->hasEnded());
    QCOMPARE(dosboxProcessesFor(tmp->path()), 1);
    if (dropHandle) {
        result.run.reset();
    } else {
        result.run->end();
        QVERIFY(result.run->hasEnded());
    }
    QCOMPARE(dosboxProcessesFor(tmp->path()), 0);
}

void TestLauncher::dosPromptHidden()
{
    REQUIRE_DOS_TOOLS();
    ProcessLauncher launcher;
    LaunchResult result = launcher.start("command.com", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(waitUntil([&] { return result.run->hasEnded(); }));
    QCOMPARE(dosboxProcessesFor(tmp->path()), 0);
}

void TestLauncher::dosboxMissing()
{
    // A header-less .com image: a DOS program without nasm's help.
    QVERIFY(writeFile(path("masm.exe"), QByteArray("\xB4\x4C\xCD\x21", 4)));
    QVERIFY(makeFolder(path("emptybin")));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", path("emptybin").toUtf8());
    ProcessLauncher launcher;
    const LaunchResult result =
        launcher.start("masm.exe Temp_F.asm,Temp_F,,,", tmp->path(), WindowStyle::Hidden);
    qputenv("PATH", savedPath);
    QCOMPARE(result.failure, LaunchFailure::DosboxMissing);
    QVERIFY(!result.run);
}

static const QByteArray argsScript = "#!/bin/sh\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > ARGS.TXT\n"
                                     "echo \"linked $#\"\n"
                                     "echo warning >&2\n";

void TestLauncher::script_data()
{
    QTest::addColumn<QString>("scriptOnDisk");
    QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("quoted path with blanks, Windows quoting of the arguments")
        << "my tools/link.exe"
        << "\"%1/my tools/link.exe\" Temp_F.obj,Temp_F,; \"two words\" a\\\"b"
        << QStringList{"Temp_F.obj,Temp_F,;", "two words", "a\"b"};
    QTest::newRow("LINK.EXE on disk, link.exe on the command line")
        << "my tools/LINK.EXE"
        << "link.exe Temp_F.obj,Temp_F,;" << QStringList{"Temp_F.obj,Temp_F,;"};
}

void TestLauncher::script()
{
    QFETCH(QString, scriptOnDisk);
    QFETCH(QString, commandLine);
    QFETCH(QStringList, arguments);
    const QString work = path("my tools");
    QVERIFY(makeFolder(work));
    QVERIFY(writeFile(path(scriptOnDisk), argsScript, true));

    ProcessLauncher launcher;
    LaunchResult result = launcher.start(commandLine.replace("%1", tmp->path()), work,
                                         WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(waitUntil([&] { return result.run->hasEnded(); }));
    QCOMPARE(QString::fromUtf8(readFile(work + "/ARGS.TXT")), arguments.join('\n') + '\n');
    QCOMPARE(readFile(work + "/linkout.txt"),
             QByteArray("linked ") + QByteArray::number(arguments.size()) + "\nwarning\n");
}

static bool processGone(const QByteArray &pid)
{
    QFile stat("/proc/" + pid.trimmed() + "/stat");
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    // A zombie has ended; only its parent's reaping is left.
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

void TestLauncher::scriptRunEndsWithItsChildren()
{
    QVERIFY(
        writeFile(path("link.exe"), "#!/bin/sh\nsleep 300 &\necho $! > CHILD.PID\nwait\n", true));
    ProcessLauncher launcher;
    LaunchResult result = launcher.start("link.exe x", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(waitUntil([&] { return readFile(path("CHILD.PID")).endsWith('\n'); }));
    const QByteArray child = readFile(path("CHILD.PID"));
    QVERIFY(!processGone(child));
    QVERIFY(!result.run->hasEnded());
    result.run->end();
    QVERIFY(result.run->hasEnded());
    QVERIFY(waitUntil([&] { return processGone(child); }));
}

void TestLauncher::visibleScriptStartsDetached()
{
    QVERIFY(writeFile(path("TEMP_F.EXE"), "#!/bin/sh\necho ran > RAN.TXT\n", true));
    ProcessLauncher launcher;
    const LaunchResult result =
        launcher.start(path("Temp_F.exe"), tmp->path(), WindowStyle::Normal);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(!result.run);
    QVERIFY(waitUntil([&] { return readFile(path("RAN.TXT")) == "ran\n"; }));
}

void TestLauncher::failures_data()
{
    QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder
    QTest::addColumn<LaunchFailure>("failure");

    QTest::newRow("no such program") << "nosuch.exe a,b;" << LaunchFailure::ProgramNotFound;
    QTest::newRow("empty command line") << "" << LaunchFailure::ProgramNotFound;
    QTest::newRow("unquoted path with blanks names another program")
        << "%1/my tools/link.exe x" << LaunchFailure::ProgramNotFound;
    QTest::newRow("a text file is no program") << "notes.txt" << LaunchFailure::StartFailed;
}

void TestLauncher::failures()
{
    QFETCH(QString, commandLine);
    QFETCH(LaunchFailure, failure);
    QVERIFY(makeFolder(path("my tools")));
    QVERIFY(writeFile(path("my tools/link.exe"), argsScript, true));
    QVERIFY(writeFile(path("notes.txt"), "not a program\n"));
    for (const WindowStyle style : {WindowStyle::Hidden, WindowStyle::Normal}) {
        ProcessLauncher launcher;
        const LaunchResult result =
            launcher.start(commandLine.replace("%1", tmp->path()), tmp->path(), style);
        QCOMPARE(result.failure, failure);
        QVERIFY(!result.run);
    }
    QVERIFY(!QFile::exists(path("my tools/ARGS.TXT")));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
