#include "platform/dosrunner.h"
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

QTEST_APPLESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
