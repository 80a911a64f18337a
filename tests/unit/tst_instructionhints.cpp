#include "editing/instructionhints.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"
#include "toolchain/toollauncher.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

// The hint data the program ships: every word of the 8086 and of MASM has a hint.
class TestInstructionHints : public QObject
{
    Q_OBJECT
private slots:
    void everyWordHasAHint();
    void servicesAndPortsHaveHints_data();
    void servicesAndPortsHaveHints();
    void formsAssemble();
};

void TestInstructionHints::everyWordHasAHint()
{
    // Instructions, alternative mnemonics included, say how they are written
    // and what they do to the flags.
    const QString instructions = QStringLiteral(
        "AAA AAD AAM AAS ADC ADD AND CALL CBW CLC CLD CLI CMC CMP CMPS CMPSB CMPSW CWD DAA DAS "
        "DEC DIV ESC HLT IDIV IMUL IN INC INT INTO IRET JA JB JBE JCXZ JE JG JGE JL JLE JMP JNE "
        "JNO JNP JNS JO JP JS LAHF LDS LEA LES LOCK LODS LODSB LODSW LOOP LOOPE LOOPNE MOV MOVS "
        "MOVSB MOVSW MUL NEG NOP NOT OR OUT POP POPF PUSH PUSHF RCL RCR REP REPE REPNE RET ROL "
        "ROR SAHF SAR SBB SCAS SCASB SCASW SHL SHR STC STD STI STOS STOSB STOSW SUB TEST WAIT "
        "XCHG XLAT XOR JAE JC JNA JNAE JNB JNBE JNC JNG JNGE JNL JNLE JNZ JPE JPO JZ LOOPNZ "
        "LOOPZ REPNZ REPZ RETF RETN SAL XLATB");
    const QString others = QStringLiteral(
        "SEGMENT ENDS ASSUME PROC ENDP DB DW DD DUP EQU = ORG END MACRO ENDM LOCAL INCLUDE "
        "OFFSET SEG PTR BYTE WORD DWORD NEAR FAR SHORT LABEL PUBLIC EXTRN TYPE LENGTH SIZE $ ? "
        ".MODEL .CODE .DATA .STACK AX BX CX DX AH AL BH BL CH CL DH DL SI DI BP SP CS DS ES SS "
        "IP FLAGS INT_21H");
    const InstructionHints &hints = InstructionHints::shipped();
    for (const QString &list : {instructions, others}) {
        for (const QString &word : list.split(u' ')) {
            const HintEntry *e = hints.find(QString(word).replace(u'_', u' ').toLower());
            QVERIFY2(e && !e->name.isEmpty() && !e->text.isEmpty(), qPrintable(word));
            if (list == instructions)
                QVERIFY2(!e->forms.isEmpty() && !e->flags.isEmpty(), qPrintable(word));
        }
    }
}

void TestInstructionHints::servicesAndPortsHaveHints_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("says");
    // The word asked for where the caret is, and what the hint tells.
    QTest::newRow("video by AH") << "        INT 10H"
                                 << "INT"
                                 << "INT 10H"
                                 << "设置光标位置";
    QTest::newRow("on the number") << "  int 10h ;清屏"
                                   << "10h"
                                   << "INT 10H"
                                   << "窗口上卷";
    QTest::newRow("keyboard") << "L1: INT 16H"
                              << "16H"
                              << "INT 16H"
                              << "扫描码";
    QTest::newRow("clock") << "    INT 1AH"
                           << "1AH"
                           << "INT 1AH"
                           << "18.2";
    QTest::newRow("mouse") << "    INT 33H"
                           << "33H"
                           << "INT 33H"
                           << "AX=0FFFFH";
    QTest::newRow("dos still") << "    INT 21H"
                               << "21H"
                               << "INT 21H"
                               << "4CH";
    QTest::newRow("decimal number") << "    INT 16"
                                    << "16"
                                    << "INT 10H"
                                    << "显示";
    QTest::newRow("other interrupt") << "    INT 5"
                                     << "5"
                                     << "INT 05H"
                                     << "中断向量";
    QTest::newRow("end of interrupt") << "    OUT 20H,AL"
                                      << "20H"
                                      << "PORT 20H"
                                      << "EOI";
    QTest::newRow("mask") << "    IN AL,21H"
                          << "21H"
                          << "PORT 21H"
                          << "屏蔽";
    QTest::newRow("timer") << "    OUT 43H,AL"
                           << "43H"
                           << "PORT 43H"
                           << "1193182";
    QTest::newRow("speaker counter") << "    OUT 42H,AL"
                                     << "42H"
                                     << "PORT 42H"
                                     << "扬声器";
    QTest::newRow("scan code") << "    IN AL,60H"
                               << "60H"
                               << "PORT 60H"
                               << "80H";
    QTest::newRow("speaker gate") << "    OUT 61H,AL"
                                  << "61H"
                                  << "PORT 61H"
                                  << "门控";
    QTest::newRow("controller") << "    IN AL,64H"
                                << "64H"
                                << "PORT 64H"
                                << "状态";
    QTest::newRow("cmos") << "    OUT 70H,AL"
                          << "70H"
                          << "PORT 70H"
                          << "BCD";
    QTest::newRow("cmos data") << "    IN AL,71H"
                               << "71H"
                               << "PORT 71H"
                               << "BCD";
    QTest::newRow("palette via dx") << "    MOV DX,3C8H"
                                    << "3C8H"
                                    << "PORT 3C8H"
                                    << "红";
    QTest::newRow("palette data") << "    MOV DX,03C9H"
                                  << "03C9H"
                                  << "PORT 3C9H"
                                  << "0～63";
    QTest::newRow("byte into dx is no port") << "    MOV DX,10"
                                             << "10"
                                             << "10"
                                             << "";
    QTest::newRow("number elsewhere") << "    MOV AH,4CH"
                                      << "4CH"
                                      << "4CH"
                                      << "";
    QTest::newRow("the instruction itself") << "    IN AL,60H"
                                            << "IN"
                                            << "IN"
                                            << "端口输入";
}

void TestInstructionHints::servicesAndPortsHaveHints()
{
    QFETCH(QString, line);
    QFETCH(QString, at);
    QFETCH(QString, word);
    QFETCH(QString, says);
    QCOMPARE(hintWord(line, int(line.indexOf(at)) + 1), word);
    if (says.isEmpty())
        return;
    const QString html = hintHtml(InstructionHints::shipped(), word);
    QVERIFY2(html.contains(says), qPrintable(html));
}

// The code the hints show, made concrete: notes in brackets dropped, each
// alternative ("寄存器/存储器") taken in turn, placeholders given operands the
// test program defines, a name placeholder a name of its own. Templates
// ("[变量名]", "…") and the lines that open or close a block stay out.
static QStringList formLines()
{
    const QStringList operands =
        QStringLiteral(
            "16位寄存器 BX 8位寄存器 CL 段寄存器 ES 寄存器 AX 双字存储器 DV 字存储单元 WV 存储器 "
            "WV "
            "立即数 5 端口号 60H 标号 $+2 表名 TB 过程名 P1 中断类型号 21H 目的串 WV 源串 WV "
            "外部操作码 5 目的 AX 源 BX 功能号 9 指令 NOP")
            .split(u' ');
    static const QRegularExpression note(u"（[^）]*）|\\([^)]*～[^)]*\\)"_qs),
        name(u"^\\p{Han}"_qs);
    static const QRegularExpression unwritten(
        u"\\p{Han}|[…|]|^\\[|\\[(?![A-Z]{2})|^(\\S+ )?(SEGMENT|ENDS|PROC|ENDP|END|ENDM|EXITM|"
        "MACRO|INCLUDE|EXTRN|PUBLIC|ASSUME|GROUP|TITLE|PAGE|ELSE|ENDIF|\\.[A-Z]+)\\b"_qs);
    QStringList lines;
    for (const HintEntry &e : InstructionHints::shipped().entries()) {
        for (QString form : e.forms) {
            QStringList parts = form.remove(note).trimmed().split(u' ');
            if (parts[0].contains(name))
                parts[0] = "N" + QString::number(lines.size());
            QStringList made{parts.takeFirst()};
            const QStringList operandsOf = parts.join(u' ').split(", ", Qt::SkipEmptyParts);
            for (int i = 0; i < operandsOf.size(); ++i) {
                QStringList next;
                for (const QString &m : std::as_const(made))
                    for (const QString &alternative : operandsOf[i].split(u'/'))
                        next << m + (i ? ", " : " ") + alternative;
                made = next;
            }
            for (QString line : made) {
                for (qsizetype i = 0; i < operands.size(); i += 2)
                    line.replace(operands[i], operands[i + 1]);
                if (!line.contains(unwritten))
                    lines << line;
            }
        }
    }
    return lines;
}

// Every form a hint shows assembles with the real MASM 5.10, in one program
// whose first 11 lines are the frame's.
void TestInstructionHints::formsAssemble()
{
    REQUIRE_REAL_TOOLS();
    const QString masm = realToolsFolder() + QStringLiteral("/MASM.EXE");
    QTemporaryDir dir;
    const QStringList lines = formLines();
    QVERIFY(lines.size() > 200 && QFile::copy(masm, dir.filePath("masm.exe")));
    QVERIFY(
        writeFile(dir.filePath("HINTS.ASM"),
                  "DATA SEGMENT\r\nWV DW 0\r\nDV DD 0\r\nTB DB 0\r\nDATA ENDS\r\nCODE SEGMENT\r\n"
                  "ASSUME CS:CODE,DS:DATA,ES:DATA\r\nP1 PROC NEAR\r\nRET\r\nP1 ENDP\r\nLAB:\r\n" +
                      lines.join("\r\n").toUtf8() + "\r\nCODE ENDS\r\nEND LAB\r\n"));
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    LaunchResult run =
        launcher.start("masm.exe HINTS.ASM,HINTS;", dir.path(), WindowStyle::Hidden, "OUT.TXT");
    QVERIFY(run.started() && QTest::qWaitFor([&] { return run.run->hasEnded(); }, 60000));
    QString said = QString::fromLatin1(fileBytes(dir.filePath("OUT.TXT")));
    for (const auto &m : QRegularExpression(R"(\((\d+)\))").globalMatch(said))
        said += "\n" + lines.value(m.captured(1).toInt() - 12);
    QVERIFY2(said.contains(" 0 Warning Errors") && said.contains(" 0 Severe  Errors"),
             qPrintable(said));
}

QTEST_MAIN(TestInstructionHints)
#include "tst_instructionhints.moc"
