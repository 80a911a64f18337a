#include "platform/dosrunner.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(DosRun)

class TestDosRunner : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void executableKind_data();
    void executableKind();
    void dosPrompt();
    void dosboxArguments_data();
    void dosboxArguments();
};

static void splitRow(const char *name, const char *line, const QStringList &argv, const char *tail)
{
    QTest::newRow(name) << QString::fromUtf8(line) << argv << QString::fromUtf8(tail);
}

void TestDosRunner::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("argv"); // as CommandLineToArgvW takes the line apart
    QTest::addColumn<QString>("tail");     // what a DOS program receives

    splitRow("assembler fields are one argument", "masm.exe Temp_F.asm,Temp_F,,,",
             {"masm.exe", "Temp_F.asm,Temp_F,,,"}, "Temp_F.asm,Temp_F,,,");
    splitRow("tail kept as typed, inner and trailing blanks included", "masm.exe   MASM  x.asm  ",
             {"masm.exe", "MASM", "x.asm"}, "MASM  x.asm  ");
    splitRow("quotes stay in the tail", "link.exe \"a b\",c;", {"link.exe", "a b,c;"},
             "\"a b\",c;");
    splitRow("quoted program with blanks", "\"C:\\My Tools\\masm.exe\" a",
             {"C:\\My Tools\\masm.exe", "a"}, "a");
    splitRow("unquoted program with blanks is cut at the blank", "C:\\My Tools\\masm.exe a",
             {"C:\\My", "Tools\\masm.exe", "a"}, "Tools\\masm.exe a");
    splitRow("backslash before the program's closing quote is no escape", "\"C:\\Tools\\\" x",
             {"C:\\Tools\\", "x"}, "x");
    splitRow("tail right after the program's closing quote", "\"/a b/masm.exe\"x y",
             {"/a b/masm.exe", "x", "y"}, "x y");
    splitRow("unclosed quote takes the rest as the program", "\"/a b/masm.exe x",
             {"/a b/masm.exe x"}, "");
    splitRow("empty line", "", {""}, "");
    splitRow("tabs and runs of blanks separate", "p\t a \t b ", {"p", "a", "b"}, "a \t b ");
    splitRow("quotes mid-argument; backslashes not before a quote are literal",
             "p a\\\\b d\"e f\"g c\\", {"p", "a\\\\b", "de fg", "c\\"}, "a\\\\b d\"e f\"g c\\");
    splitRow("odd backslashes before a quote give a literal quote", "p a\\\\\\\"b c",
             {"p", "a\\\"b", "c"}, "a\\\\\\\"b c");
    splitRow("even backslashes before a quote halve and quote", "p a\\\\\\\\\"b c\" d",
             {"p", "a\\\\b c", "d"}, "a\\\\\\\\\"b c\" d");
    splitRow("empty quoted argument", "p \"\" x", {"p", "", "x"}, "\"\" x");
    splitRow("quote pair inside quotes gives a quote and ends quoting", "p a\"b\"\" c d",
             {"p", "ab\"", "c", "d"}, "a\"b\"\" c d");
    splitRow("three quotes give one literal quote", "p \"\"\"x\"\"\"", {"p", "\"x\""},
             "\"\"\"x\"\"\"");
}

void TestDosRunner::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, argv);
    QFETCH(QString, tail);
    QCOMPARE(splitCommandLine(line), argv);
    const ProgramAndTail parts = splitProgram(line);
    QCOMPARE(parts.program, argv.first());
    QCOMPARE(parts.tail, tail);
}

// An MZ header whose offset at 0x3C is peOffset, padded to size, with "PE\0\0" there when withPe.
static QByteArray mzImage(quint32 peOffset, int size, bool withPe)
{
    QByteArray b = "MZ" + QByteArray(std::max(size, 0x40) - 2, '\0');
    qToLittleEndian(peOffset, b.data() + 0x3C);
    if (withPe)
        b = b.leftJustified(peOffset, '\0', true) + QByteArray("PE\0\0", 4);
    return b;
}

void TestDosRunner::executableKind_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ExecutableKind>("kind");

    using enum ExecutableKind;
    const QByteArray dos = mzImage(0, 0x200, false);
    QTest::newRow("MZ without a PE signature is DOS") << "masm.exe" << dos << Dos;
    QTest::newRow("upper-case extension") << "MASM.EXE" << dos << Dos;
    QTest::newRow("MZ pointing at PE is Windows")
        << "masm.exe" << mzImage(0x40, 0x200, true) << WindowsPe;
    QTest::newRow("PE signature beyond the first bytes read")
        << "link.exe" << mzImage(0x400, 0x80, true) << WindowsPe;
    QTest::newRow("PE offset past the end of the file is DOS")
        << "link.exe" << mzImage(0x10000, 0x200, false) << Dos;
    QTest::newRow("header-less .com image") << "debug.com" << QByteArray("\xB4\x4C\xCD\x21") << Dos;
    QTest::newRow("MZ shorter than a header") << "masm.exe" << QByteArray("MZ\x90\x00", 4) << Dos;
    QTest::newRow("ELF named masm.exe") << "masm.exe" << QByteArray("\177ELF\2\1\1") << Elf;
    QTest::newRow("script named link.exe") << "link.exe" << QByteArray("#!/bin/sh\n") << Script;
    QTest::newRow("MZ bytes in a file that is no .exe or .com") << "notes.txt" << dos << Other;
    QTest::newRow("folder names do not make the extension")
        << "/tools.exe/readme" << QByteArray("text") << Other;
}

void TestDosRunner::executableKind()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(ExecutableKind, kind);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(::executableKind(fileName, buffer), kind);
}

void TestDosRunner::dosPrompt()
{
    QVERIFY(isDosPrompt(u"COMMAND.COM"));           // in any case
    QVERIFY(!isDosPrompt(u"C:\\DOS\\command.com")); // with a folder, a file like any other
    QVERIFY(!isDosPrompt(u"command"));
}

static void dosboxRow(const char *name, const DosRun &run, const QStringList &commands,
                      const char *problem = "")
{
    QTest::newRow(name) << run << commands << QString::fromUtf8(problem);
}

void TestDosRunner::dosboxArguments_data()
{
    QTest::addColumn<DosRun>("run");
    QTest::addColumn<QStringList>("commands"); // each given to DOSBox after a -c
    QTest::addColumn<QString>("problem");      // the start of the refusal; empty: runs

    const QString tools = QStringLiteral("mount c \"/w/tools\"");
    const QString secure = QStringLiteral("config -securemode");
    dosboxRow("hidden assembler in the working folder ends with exit",
              {"/w/tools", "/w/tools/MASM.EXE", "Temp_F.asm,Temp_F,,,", true, "", ""},
              {tools, secure, "c:", "MASM.EXE Temp_F.asm,Temp_F,,,", "exit"});
    dosboxRow("hidden linker sends its console to a file",
              {"/w/tools", "/w/tools/link.exe", "Temp_F.obj,Temp_F,;", true, "LINKOUT.TXT", ""},
              {tools, secure, "c:", "link.exe Temp_F.obj,Temp_F,; > LINKOUT.TXT", "exit"});
    dosboxRow("visible run stays at the DOS prompt, its console on the screen",
              {"/w/tools", "/w/tools/TEMP_F.EXE", "", false, "OUT.TXT", ""},
              {tools, secure, "c:", "TEMP_F.EXE"});
    dosboxRow(
        "program outside the working folder through drive D, folders with blanks quoted",
        {"/w/my 工具", "/home/li/my prog/debug.exe", "", false, "", ""},
        {"mount c \"/w/my 工具\"", "mount d \"/home/li/my prog\"", secure, "c:", "d:\\debug.exe"});
    dosboxRow("trailing separator on the working folder is the same folder",
              {"/w/tools/", "/w/tools/masm.exe", "", true, "", ""},
              {tools, secure, "c:", "masm.exe", "exit"});
    dosboxRow("DOS prompt alone in the working folder", {"/w/tools", "", "", false, "", ""},
              {tools, secure, "c:"});
    dosboxRow("include folder on a drive of its own, named in INCLUDE",
              {"/w/tools", "/w/tools/masm.exe", "A.asm,A,,,", true, "", "/home/li/src"},
              {tools, "mount d \"/home/li/src\"", secure, "c:", "set INCLUDE=d:\\",
               "masm.exe A.asm,A,,,", "exit"});
    dosboxRow("include folder after the program's drive",
              {"/w/tools", "/bin/masm.exe", "A.asm,A,,,", true, "", "/home/li/src"},
              {tools, "mount d \"/bin\"", "mount e \"/home/li/src\"", secure,
               "c:", "set INCLUDE=e:\\", "d:\\masm.exe A.asm,A,,,", "exit"});
    dosboxRow("percent signs reach DOS as they are",
              {"/w/50%off", "/w/50%off/masm.exe", "A%1.asm", true, "", ""},
              {"mount c \"/w/50%%off\"", secure, "c:", "masm.exe A%%1.asm", "exit"});
    dosboxRow("a quote in a folder cannot be mounted",
              {"/w/q\"uote", "/w/q\"uote/masm.exe", "", true, "", ""}, {}, "DOSBox 无法装载");
    dosboxRow("a quote in an include folder cannot be mounted",
              {"/w/tools", "/w/tools/masm.exe", "", true, "", "/w/q\"uote"}, {}, "DOSBox 无法装载");
    for (const char *tail : {"a.asm > x", "a.asm | x", "a.asm < x", "\"a.asm\"", "a\nexit"})
        dosboxRow(tail, {"/w/tools", "/w/tools/masm.exe", tail, true, "", ""}, {}, "命令行");
}

void TestDosRunner::dosboxArguments()
{
    QFETCH(DosRun, run);
    QFETCH(QStringList, commands);
    QFETCH(QString, problem);
    if (!problem.isEmpty()) {
        QVERIFY2(dosRunProblem(run).startsWith(problem), qPrintable(dosRunProblem(run)));
        return;
    }
    QCOMPARE(dosRunProblem(run), QString());
    QStringList expected{"-noautoexec"};
    for (const QString &command : commands)
        expected << "-c" << command;
    QCOMPARE(::dosboxArguments(run), expected);
}

QTEST_APPLESS_MAIN(TestDosRunner)
#include "tst_dosrunner.moc"
