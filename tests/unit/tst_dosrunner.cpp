#include "platform/dosrunner.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

class TestDosRunner : public QObject
{
    Q_OBJECT
private slots:
    void splitCommandLine_data();
    void splitCommandLine();
    void programAndTail_data();
    void programAndTail();
    void executableKind_data();
    void executableKind();
    void dosPrompt_data();
    void dosPrompt();
    void dosboxArguments_data();
    void dosboxArguments();
};

void TestDosRunner::splitCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("assembler fields are one argument")
        << "masm.exe Temp_F.asm,Temp_F,,," << QStringList{"masm.exe", "Temp_F.asm,Temp_F,,,"};
    QTest::newRow("quoted program with blanks")
        << "\"C:\\My Tools\\masm.exe\" a" << QStringList{"C:\\My Tools\\masm.exe", "a"};
    QTest::newRow("unquoted program with blanks is cut at the blank")
        << "C:\\My Tools\\masm.exe a" << QStringList{"C:\\My", "Tools\\masm.exe", "a"};
    QTest::newRow("backslash before the program's closing quote is no escape")
        << "\"C:\\Tools\\\" x" << QStringList{"C:\\Tools\\", "x"};
    QTest::newRow("quoted argument with blanks") << "p \"a b\" c" << QStringList{"p", "a b", "c"};
    QTest::newRow("tabs and runs of blanks separate")
        << "p\t a \t b " << QStringList{"p", "a", "b"};
    QTest::newRow("backslashes not before a quote are literal")
        << "p a\\\\b c\\" << QStringList{"p", "a\\\\b", "c\\"};
    QTest::newRow("odd backslashes before a quote give a literal quote")
        << "p a\\\\\\\"b c d" << QStringList{"p", "a\\\"b", "c", "d"};
    QTest::newRow("even backslashes before a quote halve and quote")
        << "p a\\\\\\\\\"b c\" d e" << QStringList{"p", "a\\\\b c", "d", "e"};
    QTest::newRow("quotes in the middle of an argument")
        << "p a\\\\b d\"e f\"g h" << QStringList{"p", "a\\\\b", "de fg", "h"};
    QTest::newRow("empty quoted argument") << "p \"\" x" << QStringList{"p", "", "x"};
    QTest::newRow("quote pair inside quotes gives a quote and ends quoting")
        << "p a\"b\"\" c d" << QStringList{"p", "ab\"", "c", "d"};
    QTest::newRow("three quotes give one literal quote")
        << "p \"\"\"x\"\"\"" << QStringList{"p", "\"x\""};
    QTest::newRow("program alone") << "command.com" << QStringList{"command.com"};
}

void TestDosRunner::splitCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(::splitCommandLine(line), expected);
}

void TestDosRunner::programAndTail_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("tail");

    QTest::newRow("tail kept as typed, inner blanks included") << "masm.exe   MASM  x.asm,,,,  "
                                                               << "masm.exe"
                                                               << "MASM  x.asm,,,,  ";
    QTest::newRow("quotes in the tail stay for the DOS program") << "link.exe \"a b\",c;"
                                                                 << "link.exe"
                                                                 << "\"a b\",c;";
    QTest::newRow("tail right after the closing quote") << "\"/a b/masm.exe\"x y"
                                                        << "/a b/masm.exe"
                                                        << "x y";
    QTest::newRow("unclosed quote takes the rest as the program") << "\"/a b/masm.exe x"
                                                                  << "/a b/masm.exe x"
                                                                  << "";
    QTest::newRow("no tail") << "\"/a b/debug.exe\""
                             << "/a b/debug.exe"
                             << "";
    QTest::newRow("empty line") << ""
                                << ""
                                << "";
}

void TestDosRunner::programAndTail()
{
    QFETCH(QString, line);
    QFETCH(QString, program);
    QFETCH(QString, tail);
    const ProgramAndTail parts = splitProgram(line);
    QCOMPARE(parts.program, program);
    QCOMPARE(parts.tail, tail);
}

// An MZ header of 64 bytes whose offset at 0x3C is peOffset, padded to size.
static QByteArray mzImage(quint32 peOffset, int size, bool withPe)
{
    QByteArray b(std::max(size, 0x40), '\0');
    b[0] = 'M';
    b[1] = 'Z';
    qToLittleEndian(peOffset, b.data() + 0x3C);
    if (withPe) {
        b.resize(std::max<qsizetype>(b.size(), peOffset + 4));
        b.replace(peOffset, 4, QByteArray("PE\0\0", 4));
    }
    return b;
}

void TestDosRunner::executableKind_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ExecutableKind>("kind");

    QTest::newRow("MZ without a PE signature is DOS")
        << "masm.exe" << mzImage(0, 0x200, false) << ExecutableKind::Dos;
    QTest::newRow("MZ pointing at PE is Windows")
        << "masm.exe" << mzImage(0x40, 0x200, true) << ExecutableKind::WindowsPe;
    QTest::newRow("PE signature beyond the first bytes read")
        << "link.exe" << mzImage(0x400, 0x80, true) << ExecutableKind::WindowsPe;
    QTest::newRow("PE offset past the end of the file is DOS")
        << "link.exe" << mzImage(0x10000, 0x200, false) << ExecutableKind::Dos;
    QTest::newRow("header-less .com image")
        << "debug.com" << QByteArray("\xB4\x4C\xCD\x21", 4) << ExecutableKind::Dos;
    QTest::newRow("header-less image named .exe runs as .com")
        << "masm.exe" << QByteArray("\xB4\x4C\xCD\x21", 4) << ExecutableKind::Dos;
    QTest::newRow("MZ shorter than a header")
        << "masm.exe" << QByteArray("MZ\x90\x00", 4) << ExecutableKind::Dos;
    QTest::newRow("upper-case extension")
        << "MASM.EXE" << mzImage(0, 0x200, false) << ExecutableKind::Dos;
    QTest::newRow("ELF named masm.exe") << "masm.exe"
                                        << QByteArray("\x7f"
                                                      "ELF\x02\x01\x01",
                                                      7)
                                        << ExecutableKind::Elf;
    QTest::newRow("script named link.exe")
        << "link.exe" << QByteArray("#!/bin/sh\nexit 0\n") << ExecutableKind::Script;
    QTest::newRow("MZ bytes in a file that is no .exe or .com")
        << "notes.txt" << mzImage(0, 0x200, false) << ExecutableKind::Other;
    QTest::newRow("folder names do not make the extension")
        << "/tools.exe/readme" << QByteArray("text") << ExecutableKind::Other;
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

void TestDosRunner::dosPrompt_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("prompt");
    QTest::newRow("bare name") << "command.com" << true;
    QTest::newRow("any case") << "COMMAND.COM" << true;
    QTest::newRow("with a folder is a file like any other") << "C:\\DOS\\command.com" << false;
    QTest::newRow("without extension") << "command" << false;
}

void TestDosRunner::dosPrompt()
{
    QFETCH(QString, program);
    QFETCH(bool, prompt);
    QCOMPARE(isDosPrompt(program), prompt);
}

void TestDosRunner::dosboxArguments_data()
{
    QTest::addColumn<QString>("workingDirectory");
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("consoleOutputName");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("hidden assembler in the working folder ends with exit")
        << "/w/tools"
        << "/w/tools/MASM.EXE"
        << "Temp_F.asm,Temp_F,,," << true << ""
        << QStringList{"-noautoexec", "-c", "mount c \"/w/tools\"",          "-c",
                       "c:",          "-c", "MASM.EXE Temp_F.asm,Temp_F,,,", "-c",
                       "exit"};
    QTest::newRow("hidden linker sends its console to a file")
        << "/w/tools"
        << "/w/tools/link.exe"
        << "Temp_F.obj,Temp_F,;" << true << "LINKOUT.TXT"
        << QStringList{"-noautoexec",
                       "-c",
                       "mount c \"/w/tools\"",
                       "-c",
                       "c:",
                       "-c",
                       "link.exe Temp_F.obj,Temp_F,; > LINKOUT.TXT",
                       "-c",
                       "exit"};
    QTest::newRow("visible run stays at the DOS prompt")
        << "/w/tools"
        << "/w/tools/TEMP_F.EXE"
        << "" << false << ""
        << QStringList{"-noautoexec", "-c", "mount c \"/w/tools\"", "-c", "c:", "-c", "TEMP_F.EXE"};
    QTest::newRow("program outside the working folder through drive D")
        << "/w/tools"
        << "/home/li/prog/debug.exe"
        << "" << false << ""
        << QStringList{
               "-noautoexec", "-c", "mount c \"/w/tools\"", "-c", "mount d \"/home/li/prog\"", "-c",
               "c:",          "-c", "d:\\debug.exe"};
    QTest::newRow("folder with blanks and Chinese characters is quoted")
        << "/w/my 工具"
        << "/w/my 工具/masm.exe"
        << "a.asm,a,,," << true << ""
        << QStringList{"-noautoexec", "-c", "mount c \"/w/my 工具\"", "-c",
                       "c:",          "-c", "masm.exe a.asm,a,,,",    "-c",
                       "exit"};
    QTest::newRow("trailing separator on the working folder is the same folder")
        << "/w/tools/"
        << "/w/tools/masm.exe"
        << "" << true << ""
        << QStringList{"-noautoexec", "-c",  "mount c \"/w/tools\"", "-c", "c:", "-c", "masm.exe",
                       "-c",          "exit"};
    QTest::newRow("DOS prompt alone in the working folder")
        << "/w/tools"
        << ""
        << "" << false << ""
        << QStringList{"-noautoexec", "-c", "mount c \"/w/tools\"", "-c", "c:"};
}

void TestDosRunner::dosboxArguments()
{
    QFETCH(QString, workingDirectory);
    QFETCH(QString, programPath);
    QFETCH(QString, tail);
    QFETCH(bool, hidden);
    QFETCH(QString, consoleOutputName);
    QFETCH(QStringList, expected);
    QCOMPARE(
        ::dosboxArguments(DosRun{workingDirectory, programPath, tail, hidden, consoleOutputName}),
        expected);
}

QTEST_APPLESS_MAIN(TestDosRunner)
#include "tst_dosrunner.moc"
