#include "debugging/debugbuild.h"
#include "debugging/debugsession.h"
#include "mainfixture.h"
#include "realtools.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Course programs built by the real MASM and LINK and run under the
// debugger: a script of commands, and what the user sees after each one.
class TestDebugger : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void script_data();
    void script();
    void assemblyErrors();
};

namespace {

const QByteArray kGreeting = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
DATA SEGMENT
MSG     DB 'Hello$'
DATA ENDS
CODE SEGMENT
        ASSUME CS:CODE,DS:DATA,SS:STACK
START:  MOV AX,DATA
        MOV DS,AX
        MOV DX,OFFSET MSG
        MOV AH,9
        INT 21H
        MOV AX,4C03H
        INT 21H
CODE ENDS
        END START
)";

const QByteArray kLoop = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  MOV CX,3
AGAIN:  CALL BUMP
        LOOP AGAIN
        MOV AX,5
        CMP AX,5
        MOV AX,4C00H
        INT 21H
BUMP    PROC NEAR
        INC BX
        RET
BUMP    ENDP
CODE ENDS
        END START
)";

const QByteArray kFaults = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
DATA SEGMENT
NOWHERE DW 0,9000H
DATA ENDS
CODE SEGMENT
        ASSUME CS:CODE,DS:DATA,SS:STACK
START:  MOV AX,DATA
        MOV DS,AX
        MOV AH,1
        INT 21H
        CMP AL,'j'
        JE  JUMP
        MOV AX,10
        MOV BL,0
        DIV BL
JUMP:   JMP DWORD PTR NOWHERE
CODE ENDS
        END START
)";

const QByteArray kKey = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  MOV AH,1
        INT 21H
        MOV DL,AL
        MOV AH,2
        INT 21H
HERE:   JMP HERE
CODE ENDS
        END START
)";

// An INT 9 handler that counts the codes it sees and chains to the BIOS's;
// the program waits for two (a key's press and release).
const QByteArray kKeyHandler = R"(STACK SEGMENT STACK
        DW 128 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,DS:CODE,SS:STACK
OLD     DD ?
COUNT   DW 0
START:  PUSH CS
        POP DS
        MOV AX,3509H
        INT 21H
        MOV WORD PTR OLD,BX
        MOV WORD PTR OLD+2,ES
        MOV DX,OFFSET KEYINT
        MOV AX,2509H
        INT 21H
WAIT1:  CMP COUNT,2
        JB WAIT1
        LDS DX,OLD
        MOV AX,2509H
        INT 21H
        MOV AX,4C00H
        INT 21H
KEYINT: PUSH AX
        IN AL,60H
        INC CS:COUNT
        POP AX
        JMP CS:OLD
CODE ENDS
        END START
)";

// A routine copied to 0000:0200 and called through INT 7Ch, as the
// interrupt labs have it.
const QByteArray kCopiedRoutine = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  PUSH CS
        POP DS
        MOV AX,0
        MOV ES,AX
        MOV DI,200H
        MOV SI,OFFSET ROUT
        MOV CX,OFFSET ROUTEND - OFFSET ROUT
        CLD
        REP MOVSB
        MOV WORD PTR ES:[7CH*4],200H
        MOV WORD PTR ES:[7CH*4+2],0
        INT 7CH
        MOV BX,AX
        MOV AX,4C00H
        INT 21H
ROUT:   MOV AX,1234H
        INC AX
        IRET
ROUTEND:
CODE ENDS
        END START
)";

// The textbooks' order, the stack first: a recursion without end wraps its
// stack round and writes down over the code above it.
const QByteArray kRecursion = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  MOV AX,1
DEEPER: PUSH AX
        CALL DEEPER
        MOV AX,4C00H
        INT 21H
CODE ENDS
        END START
)";

const QByteArray kCom = R"(CODE SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG 100H
START:  MOV DX,OFFSET MSG
        MOV AH,9
        INT 21H
        MOV AX,4C00H
        INT 21H
MSG     DB 'Hi$'
CODE ENDS
        END START
)";

const QByteArray kIncluding = R"(INCLUDE MACS.INC
STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  PUTC 'A'
        CALL TWICE
        MOV AX,4C00H
        INT 21H
INCLUDE PROCS.INC
CODE ENDS
        END START
)";

const QByteArray kMacros = R"(PUTC    MACRO C
        MOV DL,C
        MOV AH,2
        INT 21H
        ENDM
)";

const QByteArray kProcs = R"(; shared procedures
TWICE   PROC NEAR
        PUTC 'B'
        PUTC 'C'
        RET
TWICE   ENDP
)";

const QByteArray kRecursive = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
START:  MOV CX,3
        CALL DOWN
        MOV AX,4C00H
        INT 21H
DOWN    PROC NEAR
        INC BX
        DEC CX
        JZ BACK
        CALL DOWN
BACK:   RET
DOWN    ENDP
CODE ENDS
        END START
)";

const QByteArray kFar = R"(STACK SEGMENT STACK
        DW 64 DUP(?)
STACK ENDS
CODE SEGMENT
        ASSUME CS:CODE,SS:STACK
NEAR1   PROC FAR
        INC BX
        RET
NEAR1   ENDP
START:  CALL FAR PTR AWAY
        CALL NEAR1
        MOV AX,4C00H
        INT 21H
CODE ENDS
FARSEG SEGMENT
        ASSUME CS:FARSEG
AWAY    PROC FAR
        ADD BX,10
        RET
AWAY    ENDP
FARSEG ENDS
        END START
)";

QByteArray dos(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

QString hex4(quint16 v)
{
    return QString::number(v, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

void TestDebugger::initTestCase()
{
    REQUIRE_REAL_TOOLS();
}

void TestDebugger::script_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("seen");
    // i into, o over, u out, c continue (C without waiting), rN run to line
    // N, bN breakpoint on line N (BN while running), kC type C, p continue
    // and pause; ?reg shows a register, ?data
    // the bytes at AX:0, ?screen the first screen line. Stops show as the
    // line (stepped), BN breakpoint, PN paused, KN waiting for a key, EcodeN
    // ended, FN fault.
    QTest::newRow("greeting: lines in order, AX holds the data segment")
        << kGreeting << "i ?data i i i i i ?screen i"
        << "10 data=Hello$ 11 12 13 14 15 screen=Hello E3@15";
    QTest::newRow("loop: into the procedure and back, CX counting down")
        << kLoop << "i i i i ?cx i i i i ?cx ?bx"
        << "7 14 15 8 cx=0003 7 14 15 8 cx=0002 bx=0002";
    QTest::newRow("step over a call and a loop") << kLoop << "i o ?bx o ?bx ?cx"
                                                 << "7 8 bx=0001 9 bx=0003 cx=0000";
    QTest::newRow("compare of equal values sets ZF") << kLoop << "r10 ?zf i ?zf"
                                                     << "10 zf=0000 11 zf=0001";
    QTest::newRow("breakpoint in a loop stops on each pass")
        << kLoop << "b14 c i c ?cx c ?cx c"
        << "B14 15 B14 cx=0002 B14 cx=0001 E0@12";
    QTest::newRow("breakpoint set while running") << kKey << "kx C B11"
                                                  << "B11";
    QTest::newRow("run to cursor, step out to the caller's line") << kLoop << "r14 u i"
                                                                  << "14 8 7";
    QTest::newRow("step over a recursive call: the whole call returns first")
        << kRecursive << "i o ?bx"
        << "7 8 bx=0003";
    QTest::newRow("step over the recursive call inside: back on the caller's next line")
        << kRecursive << "r14 o ?bx o"
        << "14 15 bx=0003 8";
    QTest::newRow("step over far calls: another segment's, a FAR procedure's")
        << kFar << "o ?bx o ?bx"
        << "11 bx=000A 12 bx=000B";
    QTest::newRow("run to the caret in a loop, then continue: no stop there again")
        << kLoop << "r14 c"
        << "14 E0@12";
    QTest::newRow("run to the caret, then continue: a breakpoint elsewhere still stops")
        << kLoop << "r14 b8 c c ?cx"
        << "14 B8 B8 cx=0002";
    QTest::newRow("run to a caret on a breakpoint: continue stops there again")
        << kLoop << "b14 r14 c ?cx"
        << "B14 B14 cx=0002";
    QTest::newRow("step over an interrupt") << kGreeting << "r13 o ?screen"
                                            << "13 14 screen=Hello";
    QTest::newRow("division by zero") << kFaults << "kd c ?said"
                                      << "F17 said=程序在第 17 行除法溢出（除数为 0 或商太大）。";
    QTest::newRow("jump into nowhere while continuing")
        << kFaults << "kj c ?said"
        << "F18 said=程序在第 18 行跳到了程序之外的地址 9000:0000，那里没有程序的代码。";
    QTest::newRow("jump into nowhere while stepping") << kFaults << "kj r18 i"
                                                      << "18 F18";
    QTest::newRow("a key typed reaches the program")
        << kKey << "c ?said kx p ?said ?screen"
        << "K7 said=程序在第 7 行等待键盘输入。 P11 said=已暂停：程序停在第 11 行。 screen=xx";
    QTest::newRow("a breakpoint in an INT 9 handler stops for the key typed, and its release")
        << kKeyHandler << "b24 C w Kx c c"
        << "B24 B24 E0@23";
    QTest::newRow("a routine copied to 0000:0200 is stepped an instruction at a time")
        << kCopiedRoutine << "r17 i ?said i i i ?ax"
        << "17 :0 said=已单步到没有源程序的代码（0000:0200）：F11 逐条指令执行，F10 运行到回到源程序。 "
           ":0 :0 18 ax=1235";
    QTest::newRow("a copied routine is stepped over whole")
        << kCopiedRoutine << "r17 o o ?bx"
        << "17 18 19 bx=1235";
    QTest::newRow("a recursion without end is named a stack overflow")
        << kRecursion << "c ?said"
        << "F8 said=程序在第 8 行栈溢出：递归太深或压栈太多，栈越过了栈段的界限，覆盖了别处的内容。";
    QTest::newRow(".COM program") << kCom << "i i i ?screen c ?said"
                                  << "5 6 7 screen=Hi E0@8 said=程序在第 8 行结束，返回码 0。";
    QTest::newRow("macro call is one line, include file lines")
        << kIncluding << "i ?screen i i o i"
        << "8 screen=A PROCS.INC:3 PROCS.INC:4 PROCS.INC:5 9";
}

void TestDebugger::script()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, commands);
    QFETCH(QString, seen);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("src/MACS.INC"), dos(kMacros)));
    QVERIFY(writeFile(dir.filePath("src/PROCS.INC"), dos(kProcs)));
    DebugBuildRequest request;
    request.masm = realToolsFolder() + "/MASM.EXE";
    request.link = realToolsFolder() + "/LINK.EXE";
    request.sourceBytes = dos(source);
    request.sourcePath = dir.filePath("src/PROG.ASM");
    request.sourceFolder = dir.filePath("src");
    request.runFolder = dir.path();
    DebugBuild build(request);
    QSignalSpy built(&build, &DebugBuild::finished);
    QVERIFY(built.wait(60000));
    QVERIFY2(built.at(0).at(0).toBool(), qPrintable(built.at(0).at(1).toString()));
    std::unique_ptr<DebugSession> session = build.takeSession();
    QVERIFY(session);
    QCOMPARE(session->currentLine().line, source.left(source.indexOf("START:")).count('\n') + 1);

    QSignalSpy stops(session.get(), &DebugSession::stopped);
    QStringList transcript;
    auto place = [&](const SourceLine &l) {
        const QString file = QFileInfo(l.file).fileName();
        return (file == "PROG.ASM" ? QString() : file + ':') + QString::number(l.line);
    };
    for (const QString &c : commands.split(' ')) {
        const qsizetype before = stops.size();
        const int line = c.mid(1).toInt();
        const Registers r = session->view().registers;
        if (c == "i")
            session->stepInto();
        else if (c == "o")
            session->stepOver();
        else if (c == "u")
            session->stepOut();
        else if (c.toLower() == "c")
            session->continueRun();
        else if (c.startsWith('r'))
            session->runTo({request.sourcePath, line});
        else if (c.startsWith('b') || c.startsWith('B'))
            QVERIFY(session->setBreakpoint({request.sourcePath, line}, true));
        else if (c == "w") // as a user would, some time after
            QTest::qWait(300);
        else if (c.startsWith('k') || c.startsWith('K')) // K: and wait for a stop
            session->typeKey(quint16(0x2D00 | c[1].unicode()));
        else if (c == "p") {
            if (!session->running())
                session->continueRun();
            QTest::qWait(100);
            session->pause();
        } else if (c == "?data")
            transcript << "data=" + session->view().memory.mid(r.ax * 16, 6);
        else if (c == "?screen") {
            const QByteArray memory = session->view().memory;
            QString text;
            for (int column = 0; column < 80; ++column)
                text += QChar(memory[0xB8000 + 2 * column]);
            transcript << "screen=" + text.trimmed();
        } else if (c == "?said") {
            transcript << "said=" + stops.last().at(0).value<DebugStop>().message;
        } else if (c.startsWith('?')) {
            const QHash<QString, quint16> values{
                {"?ax", r.ax}, {"?bx", r.bx}, {"?cx", r.cx}, {"?zf", quint16((r.flags >> 6) & 1)}};
            transcript << c.mid(1) + '=' + hex4(values.value(c));
        }
        if (c.startsWith('?') || c.startsWith('b') || c.startsWith('k') || c == "C" || c == "w")
            continue;
        QVERIFY2(stops.size() > before || stops.wait(20000), qPrintable(c));
        const DebugStop stop = stops.last().at(0).value<DebugStop>();
        static const char *kinds[] = {"", "B", "P", "K", "E", "F"};
        QString code = kinds[stop.kind];
        if (stop.kind == DebugStop::Ended)
            code += QString::number(stop.exitCode) + '@';
        transcript << code + place(stop.line);
        QVERIFY(!session->running());
    }
    QCOMPARE(transcript.join(' '), seen);
}

// What the user reads when the program does not assemble or link.
void TestDebugger::assemblyErrors()
{
    DebugBuildRequest request;
    request.masm = realToolsFolder() + "/MASM.EXE";
    request.link = realToolsFolder() + "/LINK.EXE";
    request.sourceBytes =
        dos("CODE SEGMENT\nSTART: MOV AX,NOWHERE\n MOV BX,ALSO\nCODE ENDS\nEND START\n");
    DebugBuild build(request);
    QSignalSpy built(&build, &DebugBuild::finished);
    QVERIFY(built.wait(60000));
    QCOMPARE(built.at(0).at(0).toBool(), false);
    QCOMPARE(built.at(0).at(1).toString(), QString("汇编有 2 个错误，请先按 F9 查看编译报告。"));
    QVERIFY(!build.takeSession());
}

QTEST_GUILESS_MAIN(TestDebugger)
#include "tst_debugger.moc"
