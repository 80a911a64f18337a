#include "editing/instructionhints.h"

#include <QTest>

// The hint data the program ships: every word of the 8086 and of MASM has a hint.
class TestInstructionHints : public QObject
{
    Q_OBJECT
private slots:
    void everyWordHasAHint();
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

QTEST_MAIN(TestInstructionHints)
#include "tst_instructionhints.moc"
