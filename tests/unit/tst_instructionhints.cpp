#include "editing/instructionhints.h"

#include <QTest>

// The hint data the program ships, and which word a caret position asks for.
class TestInstructionHints : public QObject
{
    Q_OBJECT
private slots:
    void everyWordHasAHint_data();
    void everyWordHasAHint();
    void wordAtColumn_data();
    void wordAtColumn();
};

static QStringList words(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '));
}

void TestInstructionHints::everyWordHasAHint_data()
{
    QTest::addColumn<QStringList>("words");
    // Instructions must say how they are written and what they do to the flags.
    QTest::addColumn<bool>("instruction");
    QTest::newRow("8086/8088 instructions")
        << words("AAA AAD AAM AAS ADC ADD AND CALL CBW CLC CLD CLI CMC CMP CMPS CMPSB CMPSW "
                 "CWD DAA DAS DEC DIV ESC HLT IDIV IMUL IN INC INT INTO IRET JA JB JBE JCXZ "
                 "JE JG JGE JL JLE JMP JNE JNO JNP JNS JO JP JS LAHF LDS LEA LES LOCK LODS "
                 "LODSB LODSW LOOP LOOPE LOOPNE MOV MOVS MOVSB MOVSW MUL NEG NOP NOT OR OUT "
                 "POP POPF PUSH PUSHF RCL RCR REP REPE REPNE RET ROL ROR SAHF SAR SBB SCAS "
                 "SCASB SCASW SHL SHR STC STD STI STOS STOSB STOSW SUB TEST WAIT XCHG XLAT XOR")
        << true;
    QTest::newRow("alternative mnemonics")
        << words("JAE JC JNA JNAE JNB JNBE JNC JNG JNGE JNL JNLE JNZ JPE JPO JZ LOOPNZ LOOPZ "
                 "REPNZ REPZ RETF RETN SAL XLATB")
        << true;
    QTest::newRow("directives and operators")
        << words("SEGMENT ENDS ASSUME PROC ENDP DB DW DD DUP EQU = ORG END MACRO ENDM LOCAL "
                 "INCLUDE OFFSET SEG PTR BYTE WORD DWORD NEAR FAR SHORT LABEL PUBLIC EXTRN "
                 "TYPE LENGTH SIZE $ ? .MODEL .CODE .DATA .STACK")
        << false;
    QTest::newRow("registers")
        << words("AX BX CX DX AH AL BH BL CH CL DH DL SI DI BP SP CS DS ES SS IP FLAGS") << false;
    QTest::newRow("DOS functions") << QStringList{"INT 21H"} << false;
}

void TestInstructionHints::everyWordHasAHint()
{
    QFETCH(QStringList, words);
    QFETCH(bool, instruction);
    const InstructionHints &hints = InstructionHints::shipped();
    for (const QString &word : words) {
        const HintEntry *e = hints.find(word.toLower());
        QVERIFY2(e, qPrintable(word));
        QVERIFY2(!e->name.isEmpty() && !e->text.isEmpty(), qPrintable(word));
        if (instruction)
            QVERIFY2(!e->forms.isEmpty() && !e->flags.isEmpty(), qPrintable(word));
    }
}

void TestInstructionHints::wordAtColumn_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("word");
    // The first word of the entry shown; empty: the text that there is no hint.
    QTest::addColumn<QString>("title");
    QTest::newRow("in a mnemonic") << "        MOV AX,DATA" << 9 << "MOV"
                                   << "MOV";
    QTest::newRow("right behind a word") << "        MOV AX,DATA" << 11 << "MOV"
                                         << "MOV";
    QTest::newRow("register operand") << "        MOV AX,DATA" << 13 << "AX"
                                      << "AX";
    QTest::newRow("alternative mnemonic, lower case") << "  jz done" << 3 << "JZ"
                                                      << "JE";
    QTest::newRow("INT of INT 21H") << "        INT 21H ;Return to DOS" << 8 << "INT 21H"
                                    << "INT 21H";
    QTest::newRow("21H of int 21h") << "  int   21h" << 9 << "INT 21H"
                                    << "INT 21H";
    QTest::newRow("another interrupt") << "  INT 10H" << 3 << "INT"
                                       << "INT";
    QTest::newRow("DUP and its ?") << "        DW 128 DUP(?)" << 16 << "DUP"
                                   << "DUP";
    QTest::newRow("equals sign") << "N = 5" << 2 << "="
                                 << "=";
    QTest::newRow("dotted directive") << ".MODEL SMALL" << 3 << ".MODEL"
                                      << ".MODEL";
    QTest::newRow("unknown word") << "        MOV CX,CNTX" << 17 << "CNTX"
                                  << "";
    QTest::newRow("in a comment") << "  NOP ;MOV" << 8 << ""
                                  << "";
    QTest::newRow("blanks") << "MOV    AX" << 5 << ""
                            << "";
}

void TestInstructionHints::wordAtColumn()
{
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(QString, word);
    QFETCH(QString, title);
    QCOMPARE(hintWord(line, column), word);
    const HintEntry *e = InstructionHints::shipped().find(word);
    QCOMPARE(e ? e->words.first() : QString(), title);
    // Whatever the word, the window has something to say.
    const QString html = hintHtml(InstructionHints::shipped(), word);
    QVERIFY(!html.isEmpty());
    if (!e && !word.isEmpty())
        QVERIFY(html.contains(word));
}

QTEST_MAIN(TestInstructionHints)
#include "tst_instructionhints.moc"
