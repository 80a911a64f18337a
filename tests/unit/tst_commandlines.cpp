#include "platform/dosrunner.h"
#include "toolchain/comimage.h"
#include "toolchain/commandlines.h"

#include <QTest>

class TestCommandLines : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void dosNames_data();
    void dosNames();
    void comImage_data();
    void comImage();
    void toolOutputs_data();
    void toolOutputs();
};

static const QString masm_ = QStringLiteral("C:\\KV\\masm.exe");
static const QString link_ = QStringLiteral("C:\\KV\\link.exe");

// Each row builds its line; the test compares it and takes it apart again.
void TestCommandLines::commandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("program"); // what a split by the Windows rules finds
    auto row = [](const char *name, const QString &line, const QString &expected,
                  const QString &program = masm_) {
        QTest::newRow(name) << line << expected << program;
    };
    row("path with blanks quoted", assemblerCommand("/my tools/masm.exe", "T", "asm", true, false),
        "\"/my tools/masm.exe\" T.asm,T,,,", "/my tools/masm.exe");
    // A typed answer: trimmed, then the tool's own prefix and one blank removed.
    row("no blank after the prefix",
        assemblerPromptCommand(masm_, assemblerPromptAnswer("masmprog.asm")),
        masm_ + " masmprog.asm,,,,");
    row("tlink is not t + link", linkerPromptCommand(link_, linkerPromptAnswer("tlink link a")),
        link_ + " link a,,,,", link_);
    row("run in a tool folder with blanks", runCommand("/my tools/", "prog"),
        "\"/my tools/prog.exe\"", "/my tools/prog.exe");
    row("a quoted path is not quoted twice", quoteProgramPath("\"C:\\a b\\x.exe\""),
        "\"C:\\a b\\x.exe\"", "C:\\a b\\x.exe");
}

void TestCommandLines::commandLine()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QFETCH(QString, program);
    QCOMPARE(line, expected);
    QCOMPARE(splitProgram(line).program, program);
}

void TestCommandLines::dosNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<DosNameRule>("rule");
    QTest::addColumn<QString>("character");
    auto row = [](const char *name, DosNameRule rule, const char *c = "") {
        QTest::newRow(name) << QString::fromUtf8(name) << rule << QString::fromUtf8(c);
    };
    row("ABCDEFGH.ASM", DosNameRule::Fits);
    row("a_b-$~!", DosNameRule::Fits);
    row("homework3.asm", DosNameRule::BaseLength);
    row(".asm", DosNameRule::BaseLength);
    row("prog.asmx", DosNameRule::ExtensionLength);
    row("prog.v2.asm", DosNameRule::TwoDots);
    row("你好.asm", DosNameRule::NotAscii, "你");
    for (const char *c : {",", ";", " ", ">", "%", "\"", "&"})
        row((QByteArray("a") + c + "b.asm").constData(), DosNameRule::Forbidden, c);
    row("-x.asm", DosNameRule::LeadingDash, "-");
}

void TestCommandLines::dosNames()
{
    QFETCH(QString, name);
    QFETCH(DosNameRule, rule);
    QFETCH(QString, character);
    const DosNameCheck check = checkDosName(name);
    QCOMPARE(check.rule, rule);
    if (!character.isEmpty())
        QCOMPARE(QString(check.character), character);
}

// Only a program linked from ORG 100H in one segment goes through EXE2BIN:
// another would be refused by it, or would ask for a fix-up segment.
void TestCommandLines::comImage_data()
{
    QTest::addColumn<int>("offset"); // of the word changed in a .COM-shaped header; -1: none
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("warned"); // the linker printed L4021
    QTest::addColumn<bool>("com");
    QTest::newRow("entry 0000:0100, no stack, no fix-ups") << -1 << 0 << true << true;
    QTest::newRow("a stack segment: an ordinary program") << -1 << 0 << false << false;
    QTest::newRow("a segment fix-up") << 0x06 << 1 << true << false;
    QTest::newRow("entry at 0000:0000") << 0x14 << 0 << true << false;
    QTest::newRow("entry in another segment") << 0x16 << 0x10 << true << false;
    QTest::newRow("no MZ header") << 0x00 << 0x4142 << true << false;
}

void TestCommandLines::comImage()
{
    QFETCH(int, offset);
    QFETCH(int, value);
    QFETCH(bool, warned);
    QFETCH(bool, com);
    QByteArray head(0x20, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[0x15] = 1;
    if (offset >= 0) {
        head[offset] = char(value & 0xFF);
        head[offset + 1] = char(value >> 8);
    }
    QCOMPARE(linkedAsCom(head, warned ? u"LINK : warning L4021: no stack segment" : u""), com);
}

void TestCommandLines::toolOutputs_data()
{
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QStringList>("outputs");
    QTest::newRow("assembler, listing and cross-reference by default")
        << "Temp_F.asm,Temp_F,,,"
        << "" << QStringList{"TEMP_F.*"};
    QTest::newRow("assembler with a report listing and its console")
        << "Temp_F.asm,Temp_F,report,;"
        << "masmout.txt" << QStringList{"MASMOUT.TXT", "TEMP_F.*", "REPORT.*"};
    QTest::newRow("linker with a library typed with a folder")
        << "Temp_F.obj,Temp_F,,d:\\lib\\io.lib;"
        << "" << QStringList{"TEMP_F.*", "IO.*"};
    QTest::newRow("switches name no file") << "/Zi /ML a.asm+b.asm,c/MAP;"
                                           << "" << QStringList{"A.*", "B.*", "C.*"};
    QTest::newRow("EXE2BIN's two names") << "Temp_F.exe Temp_F.com"
                                         << "" << QStringList{"TEMP_F.*"};
}

// A hidden tool run may write only what its command line names.
void TestCommandLines::toolOutputs()
{
    QFETCH(QString, tail);
    QFETCH(QString, console);
    QFETCH(QStringList, outputs);
    QCOMPARE(toolOutputNames(tail, console), outputs);
}

QTEST_APPLESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
