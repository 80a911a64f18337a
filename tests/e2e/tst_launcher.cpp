#include "platform/fso.h"
#include "platform/processlauncher.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Real processes through the real launcher: tiny DOS programs built with nasm
// and run in DOSBox, and shell scripts started directly.
class TestLauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void dosProgram_data();
    void dosProgram();
    void dosRunThatNeverEnds_data();
    void dosRunThatNeverEnds();
    void dosPromptHidden();
    void script();
    void visibleScriptStartsDetached();
    void scriptRunEndsWithItsChildren();
    void failures_data();
    void failures();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString path(const QString &relative) const { return tmp->filePath(relative); }
};

// Writes its command tail to temp_f.lst (DOS makes that TEMP_F.LST) and prints
// a line on the console. Ending the program closes the file.
static const char writerSource[] = R"(org 100h
    mov ah, 3Ch
    xor cx, cx
    mov dx, fname
    int 21h
    mov bx, ax
    mov ah, 40h
    xor cx, cx
    mov cl, [80h]
    mov dx, 81h
    int 21h
    mov ah, 09h
    mov dx, msg
    int 21h
    mov ax, 4C00h
    int 21h
fname db 'temp_f.lst', 0
msg db 'LINK : fatal error L1093: object not found', 13, 10, '$'
)";

// Writes the file, and its folder when there is none yet.
static bool writeFile(const QString &file, const QByteArray &bytes, bool executable = false)
{
    QFile f(file);
    if (!QDir().mkpath(QFileInfo(file).path()) || !f.open(QIODevice::WriteOnly) ||
        f.write(bytes) != bytes.size())
        return false;
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner);
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
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> argv = readFile("/proc/" + pid + "/cmdline").split('\0');
        count += argv.first().endsWith("dosbox") && argv.join(' ').contains(folder.toUtf8());
    }
    return count;
}

void TestLauncher::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    // The tests named dos... run DOS programs in DOSBox.
    if (QByteArray(QTest::currentTestFunction()).startsWith("dos") &&
        (QStandardPaths::findExecutable("dosbox").isEmpty() ||
         QStandardPaths::findExecutable("nasm").isEmpty()))
        QSKIP("dosbox or nasm is not installed");
}

static void dosRow(const char *name, const char *work, const char *program, const char *line)
{
    QTest::newRow(name) << QString::fromUtf8(work) << QString::fromUtf8(program)
                        << QString::fromUtf8(line);
}

void TestLauncher::dosProgram_data()
{
    QTest::addColumn<QString>("workFolder");
    QTest::addColumn<QString>("programOnDisk");
    QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder

    dosRow("MASM.EXE on disk, masm without extension on the command line", "tools",
           "tools/MASM.EXE", "masm Temp_F.asm,Temp_F,,,");
    dosRow("quoted path in a folder with blanks and Chinese characters", "my 工具",
           "my 工具/masm.exe", "\"%1/my 工具/masm.exe\" Temp_F.asm,Temp_F,,,");
    dosRow("program outside the working folder", "tools", "bin/masm.exe",
           "%1/bin/masm.exe Temp_F.asm,Temp_F,,,");
    dosRow("percent sign in the folder, which DOSBox would expand", "50%off", "50%off/masm.exe",
           "masm Temp_F.asm,Temp_F,,,");
}

// The program writes the listing and prints a line, as the linker prints its complaints, which
// a hidden run sends to a file; the tail it is told stays as it was.
void TestLauncher::dosProgram()
{
    QFETCH(QString, workFolder);
    QFETCH(QString, programOnDisk);
    QFETCH(QString, commandLine);
    const QString work = path(workFolder);
    QVERIFY(QDir().mkpath(work));
    QVERIFY(assemble(writerSource, path(programOnDisk)));

    LaunchResult result = ProcessLauncher().start(commandLine.replace("%1", tmp->path()), work,
                                                  WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return result.run->hasEnded(); }, 60000));

    // DOS wrote the listing under an upper-case name; the lookup still finds it.
    const QString listing = FileSystem().actualPath(work + "/Temp_F.lst");
    QCOMPARE(QFileInfo(listing).fileName(), QStringLiteral("TEMP_F.LST"));
    QCOMPARE(readFile(listing), QByteArray(" Temp_F.asm,Temp_F,,,"));
    QCOMPARE(readFile(FileSystem().actualPath(work + "/linkout.txt")),
             QByteArray("LINK : fatal error L1093: object not found\r\n"));
    QCOMPARE(dosboxProcessesFor(work), 0);
}

void TestLauncher::dosRunThatNeverEnds_data()
{
    QTest::addColumn<bool>("dropHandle");
    QTest::newRow("ended by the caller after its bound") << false;
    QTest::newRow("ended by dropping the handle") << true;
}

void TestLauncher::dosRunThatNeverEnds()
{
    QFETCH(bool, dropHandle);
    // mov ah, 08h; int 21h; jmp back: waits for a key that a hidden run never gets, like a
    // linker asking for a library.
    QVERIFY(writeFile(path("link.exe"), "\xB4\x08\xCD\x21\xEB\xFA"));
    LaunchResult result = ProcessLauncher().start("link.exe Temp_F.obj,Temp_F,,NOLIB;", tmp->path(),
                                                  WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
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
    LaunchResult result = ProcessLauncher().start("command.com", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return result.run->hasEnded(); }, 60000));
    QCOMPARE(dosboxProcessesFor(tmp->path()), 0);
}

static const QByteArray argsScript = "#!/bin/sh\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > ARGS.TXT\n"
                                     "echo \"linked $#\"\n"
                                     "echo warning >&2\n";

// A script starts directly, found in any case, its arguments taken apart by the Windows rules.
void TestLauncher::script()
{
    const QString work = path("my tools");
    QVERIFY(writeFile(work + "/LINK.EXE", argsScript, true));
    LaunchResult result =
        ProcessLauncher().start('"' + work + "/link.exe\" Temp_F.obj,Temp_F,; \"two words\" a\\\"b",
                                work, WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return result.run->hasEnded(); }, 60000));
    QCOMPARE(readFile(work + "/ARGS.TXT"), QByteArray("Temp_F.obj,Temp_F,;\ntwo words\na\"b\n"));
    QCOMPARE(readFile(work + "/linkout.txt"), QByteArray("linked 3\nwarning\n"));
}

// A zombie has ended; only its parent's reaping is left.
static bool processGone(const QByteArray &pid)
{
    const QByteArray stat = readFile("/proc/" + pid.trimmed() + "/stat");
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

void TestLauncher::scriptRunEndsWithItsChildren()
{
    QVERIFY(
        writeFile(path("link.exe"), "#!/bin/sh\nsleep 300 &\necho $! > CHILD.PID\nwait\n", true));
    LaunchResult result = ProcessLauncher().start("link.exe x", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return readFile(path("CHILD.PID")).endsWith('\n'); }, 60000));
    const QByteArray child = readFile(path("CHILD.PID"));
    QVERIFY(!processGone(child));
    QVERIFY(!result.run->hasEnded());
    result.run->end();
    QVERIFY(result.run->hasEnded());
    QVERIFY(QTest::qWaitFor([&] { return processGone(child); }, 60000));
}

void TestLauncher::visibleScriptStartsDetached()
{
    QVERIFY(writeFile(path("TEMP_F.EXE"), "#!/bin/sh\necho ran > RAN.TXT\n", true));
    const LaunchResult result =
        ProcessLauncher().start(path("Temp_F.exe"), tmp->path(), WindowStyle::Normal);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(!result.run);
    QVERIFY(QTest::qWaitFor([&] { return readFile(path("RAN.TXT")) == "ran\n"; }, 60000));
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
    QTest::newRow("a DOS program without DOSBox")
        << "masm.exe a,b;" << LaunchFailure::DosboxMissing;
    QTest::newRow("a DOS program in a folder DOSBox cannot mount")
        << "%1/q\"uote/masm.exe a,b;" << LaunchFailure::StartFailed;
    QTest::newRow("a command tail DOSBox would read as a redirection")
        << "masm.exe a,b; > x" << LaunchFailure::StartFailed;
}

// With no DOSBox on the search path, nothing starts, in either window style;
// a run DOSBox would take apart is refused before DOSBox is looked for.
void TestLauncher::failures()
{
    QFETCH(QString, commandLine);
    QFETCH(LaunchFailure, failure);
    QVERIFY(writeFile(path("my tools/link.exe"), argsScript, true));
    QVERIFY(writeFile(path("notes.txt"), "not a program\n"));
    // A header-less .com image: a DOS program without nasm's help.
    QVERIFY(writeFile(path("masm.exe"), "\xB4\x4C\xCD\x21"));
    QVERIFY(writeFile(path("q\"uote/masm.exe"), "\xB4\x4C\xCD\x21"));
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

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
