#include "platform/dosrunner.h"
#include "toolchain/commandlines.h"

#include <QTest>

class TestCommandLines : public QObject
{
    Q_OBJECT
private slots:
    void assembler_data();
    void assembler();
    void assemblerPrompt_data();
    void assemblerPrompt();
    void linker_data();
    void linker();
    void linkerPrompt_data();
    void linkerPrompt();
    void quoting_data();
    void quoting();
    void dosNames_data();
    void dosNames();
    void listingBase_data();
    void listingBase();
    void run_data();
    void run();
};

static const QString masm_ = QStringLiteral("C:\\KV\\masm.exe");
static const QString linker_ = QStringLiteral("C:\\KV\\link.exe");

void TestCommandLines::assembler_data()
{
    QTest::addColumn<QString>("masmPath");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<bool>("makeList");
    QTest::addColumn<bool>("makeCross");
    QTest::addColumn<QString>("expected");

    QTest::newRow("start-up options: listing on, cross off")
        << masm_ << "Temp_F"
        << "asm" << true << false << masm_ + " Temp_F.asm,Temp_F,,,";
    QTest::newRow("listing and cross on")
        << masm_ << "Temp_F"
        << "asm" << true << true << masm_ + " Temp_F.asm,Temp_F,Temp_F,,";
    QTest::newRow("listing off puts report in the listing field, not the object field")
        << masm_ << "Temp_F"
        << "asm" << false << false << masm_ + " Temp_F.asm,Temp_F,report,,";
    QTest::newRow("listing off, cross on: cross base in the cross field")
        << masm_ << "Temp_F"
        << "asm" << false << true << masm_ + " Temp_F.asm,Temp_F,report,Temp_F,";
    QTest::newRow("a saved file keeps its own name and extension")
        << masm_ << "prog"
        << "ASM" << true << false << masm_ + " prog.ASM,prog,,,";
    QTest::newRow("assembler path with blanks is quoted")
        << "/home/li/my tools/masm.exe"
        << "Temp_F"
        << "asm" << true << false << "\"/home/li/my tools/masm.exe\" Temp_F.asm,Temp_F,,,";
    QTest::newRow("assembler path with Chinese characters and no blank stays bare")
        << "/home/li/汇编/masm.exe"
        << "Temp_F"
        << "asm" << true << false << "/home/li/汇编/masm.exe Temp_F.asm,Temp_F,,,";
}

void TestCommandLines::assembler()
{
    QFETCH(QString, masmPath);
    QFETCH(QString, baseName);
    QFETCH(QString, ext);
    QFETCH(bool, makeList);
    QFETCH(bool, makeCross);
    QFETCH(QString, expected);
    const QString line = assemblerCommand(masmPath, baseName, ext, makeList, makeCross);
    QCOMPARE(line, expected);
    // Whoever takes the line apart by the Windows rules finds the assembler.
    QCOMPARE(splitProgram(line).program, masmPath);
}

void TestCommandLines::assemblerPrompt_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");

    QTest::newRow("upper-case MASM and two blanks lose exactly five characters")
        << "MASM  prog.asm"
        << " prog.asm" << masm_ + "  prog.asm,,,,";
    QTest::newRow("tasm alone with blanks is trimmed first and kept")
        << "tasm   "
        << "tasm" << masm_ + " tasm,,,,";
    QTest::newRow("blanks around the answer are trimmed") << "  Masm x.asm,y  "
                                                          << "x.asm,y" << masm_ + " x.asm,y,,,,";
    QTest::newRow("prefix without a blank is part of the file name")
        << "masmprog.asm"
        << "masmprog.asm" << masm_ + " masmprog.asm,,,,";
    QTest::newRow("answer without a prefix passes unchanged")
        << "prog.asm,prog;"
        << "prog.asm,prog;" << masm_ + " prog.asm,prog;,,,,";
    QTest::newRow("a tab is no blank: not trimmed, prefix not seen")
        << "\tmasm x"
        << "\tmasm x" << masm_ + " \tmasm x,,,,";
    QTest::newRow("blanks only is an empty answer") << "    "
                                                    << "" << QString();
    QTest::newRow("the prefix alone is trimmed to four characters and kept")
        << "masm "
        << "masm" << masm_ + " masm,,,,";
}

void TestCommandLines::assemblerPrompt()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QCOMPARE(assemblerPromptAnswer(typed), answer);
    if (!answer.isEmpty())
        QCOMPARE(assemblerPromptCommand(masm_, answer), expected);
}

void TestCommandLines::linker_data()
{
    QTest::addColumn<QString>("linkPath");
    QTest::addColumn<QString>("objectBase");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("expected");

    QTest::newRow("temporary file, no library") << linker_ << "Temp_F"
                                                << "" << linker_ + " Temp_F.obj,Temp_F,;";
    QTest::newRow("program named after the object, not Temp_F")
        << linker_ << "prog"
        << "" << linker_ + " prog.obj,prog,;";
    QTest::newRow("library goes into the library field, not the map field")
        << linker_ << "prog"
        << "L" << linker_ + " prog.obj,prog,,L;";
    QTest::newRow("library answer is used untrimmed")
        << linker_ << "prog"
        << " L.lib " << linker_ + " prog.obj,prog,, L.lib ;";
    QTest::newRow("linker path with blanks is quoted")
        << "C:\\My Tools\\link.exe"
        << "Temp_F"
        << ""
        << "\"C:\\My Tools\\link.exe\" Temp_F.obj,Temp_F,;";
}

void TestCommandLines::linker()
{
    QFETCH(QString, linkPath);
    QFETCH(QString, objectBase);
    QFETCH(QString, library);
    QFETCH(QString, expected);
    const QString line = linkerCommand(linkPath, objectBase, library);
    QCOMPARE(line, expected);
    QCOMPARE(splitProgram(line).program, linkPath);
}

void TestCommandLines::linkerPrompt_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");

    QTest::newRow("TLINK and a blank lose six characters") << "TLINK a.obj"
                                                           << "a.obj";
    QTest::newRow("link and a blank lose five characters") << "link a.obj"
                                                           << "a.obj";
    QTest::newRow("LINK and two blanks keep one blank") << "LINK  a.obj"
                                                        << " a.obj";
    QTest::newRow("tlink is not read as t + link") << "tlink link a"
                                                   << "link a";
    QTest::newRow("linker is no prefix") << "linker a"
                                         << "linker a";
    QTest::newRow("tlink alone stays") << "  tlink  "
                                       << "tlink";
    QTest::newRow("empty stays empty") << ""
                                       << "";
}

void TestCommandLines::linkerPrompt()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QCOMPARE(linkerPromptAnswer(typed), answer);
    if (!answer.isEmpty())
        QCOMPARE(linkerPromptCommand(linker_, answer), linker_ + " " + answer + ",,,,");
}

void TestCommandLines::quoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no blank") << "C:\\KV\\masm.exe"
                              << "C:\\KV\\masm.exe";
    QTest::newRow("blank") << "C:\\My Tools\\masm.exe"
                           << "\"C:\\My Tools\\masm.exe\"";
    QTest::newRow("tab") << "/a\tb/masm.exe"
                         << "\"/a\tb/masm.exe\"";
    QTest::newRow("already quoted is not quoted twice") << "\"C:\\a b\\x.exe\""
                                                        << "\"C:\\a b\\x.exe\"";
    QTest::newRow("bare name") << "command.com"
                               << "command.com";
}

void TestCommandLines::quoting()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(quoteProgramPath(path), expected);
}

void TestCommandLines::dosNames_data()
{
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<bool>("fits");
    QTest::newRow("temporary file") << "Temp_F" << true;
    QTest::newRow("new document name") << "VaDid12" << true;
    QTest::newRow("exactly eight") << "ABCDEFGH" << true;
    QTest::newRow("nine is too long") << "ABCDEFGHI" << false;
    QTest::newRow("long name of a saved file") << "homework3" << false;
}

void TestCommandLines::dosNames()
{
    QFETCH(QString, baseName);
    QFETCH(bool, fits);
    QCOMPARE(fitsDosName(baseName), fits);
}

void TestCommandLines::listingBase_data()
{
    QTest::addColumn<bool>("makeList");
    QTest::addColumn<QString>("expected");
    QTest::newRow("listing wanted: the source's name") << true << "Temp_F";
    QTest::newRow("listing not wanted: report") << false << "report";
}

void TestCommandLines::listingBase()
{
    QFETCH(bool, makeList);
    QFETCH(QString, expected);
    QCOMPARE(listingBaseName(QStringLiteral("Temp_F"), makeList), expected);
}

void TestCommandLines::run_data()
{
    QTest::addColumn<QString>("toolFolder");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("temporary file") << "C:\\KV\\"
                                    << "Temp_F"
                                    << "C:\\KV\\Temp_F.exe";
    QTest::newRow("tool folder with blanks") << "/home/li/my tools/"
                                             << "prog"
                                             << "\"/home/li/my tools/prog.exe\"";
}

void TestCommandLines::run()
{
    QFETCH(QString, toolFolder);
    QFETCH(QString, baseName);
    QFETCH(QString, expected);
    QCOMPARE(runCommand(toolFolder, baseName), expected);
}

QTEST_APPLESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
