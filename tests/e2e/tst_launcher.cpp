#include "mainfixture.h"
#include "platform/fso.h"
#include "platform/processlauncher.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

// Real processes through the real launcher: tiny DOS programs built with nasm
// and run in DOSBox, and shell scripts started directly.
class TestLauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void dosProgram();
    void dosRunThatNeverEnds_data();
    void dosRunThatNeverEnds();
    void script();
    void scriptRunEndsWithItsChildren();
    void failures_data();
    void failures();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString path(const QString &relative) const { return tmp->filePath(relative); }
};

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

// DOSBox processes whose arguments name the folder: none may outlive a run.
static int dosboxProcessesFor(const QString &folder)
{
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> argv = fileBytes("/proc/" + pid + "/cmdline").split('\0');
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

// A DOS program in a folder with blanks and Chinese characters, outside the
// working folder, which has a percent sign: it writes its command tail to
// temp_f.lst and prints a line, as the linker prints its complaints, which a
// hidden run sends to a file.
void TestLauncher::dosProgram()
{
    const QString work = path("50%off");
    QVERIFY(QDir().mkpath(work) && QDir().mkpath(path("my 工具")));
    QVERIFY(writeFile(path("w.nasm"), R"(org 100h
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
)"));
    QProcess nasm;
    nasm.start("nasm", {"-f", "bin", "-o", path("my 工具/MASM.EXE"), path("w.nasm")});
    QVERIFY(nasm.waitForFinished(30000) && nasm.exitCode() == 0);

    LaunchResult result =
        ProcessLauncher().start('"' + path("my 工具/masm.exe\" Temp_F.asm,Temp_F,,,"), work,
                                WindowStyle::Hidden, "linkout.txt");
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return result.run->hasEnded(); }, 60000));
    // DOS wrote the listing under an upper-case name; the lookup still finds it.
    const QString listing = FileSystem().actualPath(work + "/Temp_F.lst");
    QCOMPARE(QFileInfo(listing).fileName(), QStringLiteral("TEMP_F.LST"));
    QCOMPARE(fileBytes(listing), QByteArray(" Temp_F.asm,Temp_F,,,"));
    QCOMPARE(fileBytes(FileSystem().actualPath(work + "/linkout.txt")),
             QByteArray("LINK : fatal error L1093: object not found\r\n"));
    QCOMPARE(dosboxProcessesFor(tmp->path()), 0);
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
    // mov ah, 08h; int 21h; jmp back: waits for a key that a hidden run never
    // gets, like a linker asking for a library.
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

static const QByteArray argsScript = "#!/bin/sh\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > ARGS.TXT\n"
                                     "echo \"linked $#\"\n"
                                     "echo warning >&2\n";

// A script starts directly, found in any case, its arguments taken apart by
// the Windows rules; a visible one starts detached.
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

    result = ProcessLauncher().start('"' + work + "/link.exe\" x", work, WindowStyle::Normal);
    QVERIFY(result.started() && !result.run);
    QVERIFY(QTest::qWaitFor([&] { return fileBytes(work + "/ARGS.TXT") == "x\n"; }, 60000));
}

// A zombie has ended; only its parent's reaping is left.
static bool processGone(const QByteArray &pid)
{
    const QByteArray stat = fileBytes("/proc/" + pid.trimmed() + "/stat");
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

void TestLauncher::scriptRunEndsWithItsChildren()
{
    QVERIFY(
        writeFile(path("link.exe"), "#!/bin/sh\nsleep 300 &\necho $! > CHILD.PID\nwait\n", true));
    LaunchResult result = ProcessLauncher().start("link.exe x", tmp->path(), WindowStyle::Hidden);
    QVERIFY2(result.started(), qPrintable(result.detail));
    QVERIFY(QTest::qWaitFor([&] { return fileBytes(path("CHILD.PID")).endsWith('\n'); }, 60000));
    const QByteArray child = fileBytes(path("CHILD.PID"));
    QVERIFY(!processGone(child) && !result.run->hasEnded());
    result.run->end();
    QVERIFY(result.run->hasEnded());
    QVERIFY(QTest::qWaitFor([&] { return processGone(child); }, 60000));
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
