#include "platform/dosrunner.h"
#include "toolchain/commandlines.h"

#include <QTest>

class TestCommandLines : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void promptAnswer_data();
    void promptAnswer();
    void dosNames_data();
    void dosNames();
};

static const QString masm_ = QStringLiteral("C:\\KV\\masm.exe");
static const QString link_ = QStringLiteral("C:\\KV\\link.exe");

static void lineRow(const char *name, const QString &line, const QString &expected,
                    const QString &program)
{
    QTest::newRow(name) << line << expected << program;
}

// Each row builds its line here; the test compares it and takes it apart again.
void TestCommandLines::commandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("program"); // what a split by the Windows rules finds

    // The assembler's fields are source, object, listing, cross-reference.
    lineRow("start-up options: listing on, cross off",
            assemblerCommand(masm_, "Temp_F", "asm", true, false), masm_ + " Temp_F.asm,Temp_F,,,",
            masm_);
    lineRow("listing and cross on", assemblerCommand(masm_, "Temp_F", "asm", true, true),
            masm_ + " Temp_F.asm,Temp_F,Temp_F,,", masm_);
    lineRow("listing off puts report in the listing field, not the object field",
            assemblerCommand(masm_, "Temp_F", "asm", false, false),
            masm_ + " Temp_F.asm,Temp_F,report,,", masm_);
    lineRow("listing off, cross on: cross base in the cross field",
            assemblerCommand(masm_, "Temp_F", "asm", false, true),
            masm_ + " Temp_F.asm,Temp_F,report,Temp_F,", masm_);
    lineRow("a saved file keeps its own name and extension",
            assemblerCommand(masm_, "prog", "ASM", true, false), masm_ + " prog.ASM,prog,,,",
            masm_);
    lineRow("assembler path with blanks is quoted",
            assemblerCommand("/home/li/my tools/masm.exe", "Temp_F", "asm", true, false),
            "\"/home/li/my tools/masm.exe\" Temp_F.asm,Temp_F,,,", "/home/li/my tools/masm.exe");
    lineRow("typed assembler answer, its blanks kept", assemblerPromptCommand(masm_, " prog.asm"),
            masm_ + "  prog.asm,,,,", masm_);

    // The linker's fields are objects, program, map, libraries.
    lineRow("temporary file, no library", linkerCommand(link_, "Temp_F", ""),
            link_ + " Temp_F.obj,Temp_F,;", link_);
    lineRow("program named after the object, not Temp_F", linkerCommand(link_, "prog", ""),
            link_ + " prog.obj,prog,;", link_);
    lineRow("library goes into the library field, not the map field",
            linkerCommand(link_, "prog", "L"), link_ + " prog.obj,prog,,L;", link_);
    lineRow("library answer is used untrimmed", linkerCommand(link_, "prog", " L.lib "),
            link_ + " prog.obj,prog,, L.lib ;", link_);
    lineRow("linker path with blanks is quoted",
            linkerCommand("C:\\My Tools\\link.exe", "Temp_F", ""),
            "\"C:\\My Tools\\link.exe\" Temp_F.obj,Temp_F,;", "C:\\My Tools\\link.exe");
    lineRow("typed linker answer", linkerPromptCommand(link_, "a.obj"), link_ + " a.obj,,,,",
            link_);

    // Run starts the program the linker wrote in the tool folder.
    lineRow("run in the tool folder", runCommand("C:\\KV\\", "Temp_F"), "C:\\KV\\Temp_F.exe",
            "C:\\KV\\Temp_F.exe");
    lineRow("run in a tool folder with blanks", runCommand("/home/li/my tools/", "prog"),
            "\"/home/li/my tools/prog.exe\"", "/home/li/my tools/prog.exe");

    lineRow("a tab is quoted like a blank", quoteProgramPath("/a\tb/masm.exe"),
            "\"/a\tb/masm.exe\"", "/a\tb/masm.exe");
    lineRow("a quoted path is not quoted twice", quoteProgramPath("\"C:\\a b\\x.exe\""),
            "\"C:\\a b\\x.exe\"", "C:\\a b\\x.exe");
    lineRow("a bare name stays bare", quoteProgramPath("command.com"), "command.com",
            "command.com");
}

void TestCommandLines::commandLine()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QFETCH(QString, program);
    QCOMPARE(line, expected);
    QCOMPARE(splitProgram(line).program, program);
}

static void answerRow(const char *name, const char *typed, const char *masm, const char *link)
{
    QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(masm)
                        << QString::fromUtf8(link);
}

// Each tool's prefix is removed from its own answer only.
void TestCommandLines::promptAnswer_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("assemblerAnswer");
    QTest::addColumn<QString>("linkerAnswer");

    answerRow("upper-case MASM and two blanks lose exactly five characters", "MASM  prog.asm",
              " prog.asm", "MASM  prog.asm");
    answerRow("blanks around the answer are trimmed first", "  Tasm x.asm,y  ", "x.asm,y",
              "Tasm x.asm,y");
    answerRow("the prefix alone is trimmed to four characters and kept", "tasm   ", "tasm", "tasm");
    answerRow("prefix without a blank is part of the file name", "masmprog.asm", "masmprog.asm",
              "masmprog.asm");
    answerRow("a tab is no blank: not trimmed, prefix not seen", "\tmasm x", "\tmasm x",
              "\tmasm x");
    answerRow("blanks only is an empty answer", "    ", "", "");
    answerRow("TLINK and a blank lose six characters", "TLINK a.obj", "TLINK a.obj", "a.obj");
    answerRow("LINK and two blanks keep one blank", "LINK  a.obj", "LINK  a.obj", " a.obj");
    answerRow("tlink is not read as t + link", "tlink link a", "tlink link a", "link a");
    answerRow("linker is no prefix", "linker a", "linker a", "linker a");
}

void TestCommandLines::promptAnswer()
{
    QFETCH(QString, typed);
    QFETCH(QString, assemblerAnswer);
    QFETCH(QString, linkerAnswer);
    QCOMPARE(assemblerPromptAnswer(typed), assemblerAnswer);
    QCOMPARE(linkerPromptAnswer(typed), linkerAnswer);
}

void TestCommandLines::dosNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<DosNameRule>("rule");
    QTest::addColumn<QString>("character");
    auto row = [](const char *what, const char *name, DosNameRule rule, const char *c = "") {
        QTest::newRow(what) << QString::fromUtf8(name) << rule << QString::fromUtf8(c);
    };
    row("eight and three", "ABCDEFGH.ASM", DosNameRule::Fits);
    row("no extension, marks DOS allows", "a_b-$~!", DosNameRule::Fits);
    row("nine characters", "homework3.asm", DosNameRule::BaseLength);
    row("no base name", ".asm", DosNameRule::BaseLength);
    row("four-letter extension", "prog.asmx", DosNameRule::ExtensionLength);
    row("two dots", "prog.v2.asm", DosNameRule::TwoDots);
    row("Chinese name DOS shows as other characters", "你好.asm", DosNameRule::NotAscii, "你");
    row("comma splits the assembler's fields", "a,b.asm", DosNameRule::Forbidden, ",");
    row("semicolon ends the command line", "t;1.asm", DosNameRule::Forbidden, ";");
    row("blank", "my prog.asm", DosNameRule::Forbidden, " ");
    row("redirection", "a>b.asm", DosNameRule::Forbidden, ">");
    row("percent sign DOSBox expands", "a%1.asm", DosNameRule::Forbidden, "%");
    row("quote", "a\"b.asm", DosNameRule::Forbidden, "\"");
    row("ampersand", "a&b.asm", DosNameRule::Forbidden, "&");
    row("leading dash reads as a switch", "-x.asm", DosNameRule::LeadingDash, "-");
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
