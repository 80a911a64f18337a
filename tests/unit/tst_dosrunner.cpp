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
    void dosboxArguments_data();
    void dosboxArguments();
};

void TestDosRunner::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("argv"); // as CommandLineToArgvW takes the line apart
    QTest::addColumn<QString>("tail");     // what a DOS program receives
    auto row = [](const char *name, const char *line, const QStringList &argv, const char *tail) {
        QTest::newRow(name) << QString::fromUtf8(line) << argv << QString::fromUtf8(tail);
    };
    row("tail kept as typed, inner and trailing blanks included", "masm.exe   MASM  x.asm  ",
        {"masm.exe", "MASM", "x.asm"}, "MASM  x.asm  ");
    row("unquoted program with blanks is cut at the blank", "C:\\My Tools\\masm.exe a",
        {"C:\\My", "Tools\\masm.exe", "a"}, "Tools\\masm.exe a");
    row("tail right after the program's closing quote", "\"/a b/masm.exe\"x y",
        {"/a b/masm.exe", "x", "y"}, "x y");
    row("unclosed quote takes the rest as the program", "\"/a b/masm.exe x", {"/a b/masm.exe x"},
        "");
    row("tabs separate; backslashes not before a quote are literal", "p\ta\\\\b d\"e f\"g c\\",
        {"p", "a\\\\b", "de fg", "c\\"}, "a\\\\b d\"e f\"g c\\");
    row("odd backslashes before a quote give a literal quote", "p a\\\\\\\"b c",
        {"p", "a\\\"b", "c"}, "a\\\\\\\"b c");
    row("even backslashes before a quote halve and quote", "p a\\\\\\\\\"b c\" d",
        {"p", "a\\\\b c", "d"}, "a\\\\\\\\\"b c\" d");
    row("quote pair inside quotes gives a quote and ends quoting", "p a\"b\"\" c d",
        {"p", "ab\"", "c", "d"}, "a\"b\"\" c d");
    row("three quotes give one literal quote", "p \"\"\"x\"\"\"", {"p", "\"x\""}, "\"\"\"x\"\"\"");
}

void TestDosRunner::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, argv);
    QFETCH(QString, tail);
    QCOMPARE(splitCommandLine(line), argv);
    QCOMPARE(splitProgram(line).program, argv.first());
    QCOMPARE(splitProgram(line).tail, tail);
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
    QTest::newRow("MZ without PE, upper-case name") << "MASM.EXE" << dos << Dos;
    QTest::newRow("PE signature beyond the first bytes read")
        << "link.exe" << mzImage(0x400, 0x80, true) << WindowsPe;
    QTest::newRow("PE offset past the end of the file")
        << "link.exe" << mzImage(0x10000, 0x200, false) << Dos;
    QTest::newRow("header-less .com image") << "debug.com" << QByteArray("\xB4\x4C\xCD\x21") << Dos;
    QTest::newRow("script") << "link.exe" << QByteArray("#!/bin/sh\n") << Script;
    QTest::newRow("no .exe or .com") << "notes.txt" << dos << Other;
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

void TestDosRunner::dosboxArguments_data()
{
    QTest::addColumn<DosRun>("run");
    QTest::addColumn<QString>("commands"); // each given to DOSBox after a -c; empty: refused
    auto row = [](const char *name, const DosRun &run, const char *commands) {
        QTest::newRow(name) << run << QString::fromUtf8(commands);
    };
    row("hidden linker: console to a file, ends with exit",
        {"/w/tools/", "/w/tools/link.exe", "T.obj,T,;", true, "LINKOUT.TXT", ""},
        "mount c \"/w/tools\"|config -securemode|c:|link.exe T.obj,T,; > LINKOUT.TXT|exit");
    row("visible run stays at the DOS prompt",
        {"/w/tools", "/w/tools/TEMP_F.EXE", "", false, "OUT.TXT", ""},
        "mount c \"/w/tools\"|config -securemode|c:|TEMP_F.EXE");
    row("include folder on drive D, named in INCLUDE",
        {"/w/tools", "/w/tools/masm.exe", "A.asm", true, "", "/home/li/src"},
        "mount c \"/w/tools\"|mount d \"/home/li/src\"|config -securemode|c:|set INCLUDE=d:\\|"
        "masm.exe A.asm|exit");
    row("include folder after the program's drive",
        {"/w/my 工具", "/bin/masm.exe", "A.asm", true, "", "/home/li/src"},
        "mount c \"/w/my 工具\"|mount d \"/bin\"|mount e \"/home/li/src\"|config -securemode|c:|"
        "set INCLUDE=e:\\|d:\\masm.exe A.asm|exit");
    row("percent signs reach DOS as they are",
        {"/w/50%off", "/w/50%off/masm.exe", "A%1.asm", true, "", ""},
        "mount c \"/w/50%%off\"|config -securemode|c:|masm.exe A%%1.asm|exit");
    row("a quote in a folder cannot be mounted",
        {"/w/tools", "/w/tools/masm.exe", "", true, "", "/w/q\"uote"}, "");
    for (const char *tail : {"a.asm > x", "a.asm | x", "a.asm < x", "\"a.asm\"", "a\nexit"})
        row(tail, {"/w/tools", "/w/tools/masm.exe", tail, true, "", ""}, "");
}

void TestDosRunner::dosboxArguments()
{
    QFETCH(DosRun, run);
    QFETCH(QString, commands);
    QCOMPARE(dosRunProblem(run).isEmpty(), !commands.isEmpty());
    if (commands.isEmpty())
        return;
    QStringList expected{"-noautoexec"};
    for (const QString &command : commands.split(u'|'))
        expected << "-c" << command;
    QCOMPARE(::dosboxArguments(run), expected);
}

QTEST_APPLESS_MAIN(TestDosRunner)
#include "tst_dosrunner.moc"
