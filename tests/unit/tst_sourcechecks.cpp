#include "rules/sourcechecks.h"

#include <QTest>

// The mistakes marked while the student types, before any assembly.
class TestSourceChecks : public QObject
{
    Q_OBJECT
private slots:
    void hints_data();
    void hints();
};

// The first lab's skeleton, right as it stands.
static const char kSkeleton[] = "DATA SEGMENT\r\n"
                                "MSG  DB 'Hello$'\r\n"
                                "DATA ENDS\r\n"
                                "STACK SEGMENT STACK\r\n"
                                "     DW 64 DUP(?)\r\n"
                                "STACK ENDS\r\n"
                                "CODE SEGMENT\r\n"
                                "     ASSUME CS:CODE,DS:DATA,SS:STACK\r\n"
                                "START: MOV AX,DATA\r\n"
                                "     MOV DS,AX ; MOV DS,DATA would not do\r\n"
                                "     LEA DX,MSG\r\n"
                                "     MOV AH,9\r\n"
                                "     INT 21H\r\n"
                                "     JMP DONE\r\n"
                                "DONE: MOV AH,4CH\r\n"
                                "     INT 21H\r\n"
                                "CODE ENDS\r\n"
                                "     END START\r\n";

void TestSourceChecks::hints_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QString>("says");
    const QString ok = QString::fromUtf8(kSkeleton);
    QTest::newRow("skeleton is fine") << ok << QList<int>{} << "";
    QTest::newRow("no end") << QString(ok).remove("     END START\r\n") << QList<int>{17}
                            << "没有 END 伪指令";
    QTest::newRow("end in lower case")
        << QString(ok).replace("END START", "end start") << QList<int>{} << "";
    QTest::newRow("end with a comment only after it")
        << QString(ok).replace("     END START\r\n", "; END START\r\n") << QList<int>{17}
        << "END START";
    QTest::newRow("segment into DS")
        << QString(ok).replace("START: MOV AX,DATA", "START: MOV DS,Data") << QList<int>{9}
        << "Data 是段名（段地址是立即数），不能直接送入段寄存器 DS：先 MOV AX,Data，再 MOV DS,AX。";
    QTest::newRow("number into ES") << QString(ok).replace("LEA DX,MSG", "MOV ES,0B800H")
                                    << QList<int>{11} << "0B800H 是立即数";
    QTest::newRow("register into DS is right") << ok << QList<int>{} << "";
    QTest::newRow("variable as jump target")
        << QString(ok).replace("JMP DONE", "JMP MSG") << QList<int>{14}
        << "MSG 是第 2 行用 DB 定义的变量，不能作为 JMP 的目标";
    QTest::newRow("variable as loop target")
        << QString(ok).replace("JMP DONE", "LOOP msg") << QList<int>{14} << "msg 是第 2 行";
    QTest::newRow("name in a string is no jump")
        << QString(ok).replace("JMP DONE", "DB 'JMP MSG'") << QList<int>{} << "";
    QTest::newRow("com program with stack")
        << QString(ok).replace("START: MOV AX,DATA", "ORG 100H") << QList<int>{4}
        << "这是 .COM 程序（第 9 行 ORG 100H），不能有堆栈段 STACK";
    QTest::newRow("com program without stack")
        << "CODE SEGMENT\r\nASSUME CS:CODE,DS:CODE\r\nORG 100H\r\nSTART: JMP GO\r\nGO: INT 20H\r\n"
           "CODE ENDS\r\nEND START\r\n"
        << QList<int>{} << "";
    QTest::newRow("empty text") << "" << QList<int>{} << "";
    QTest::newRow("two at once")
        << QString(ok).replace("JMP DONE", "JMP MSG").replace("     END START\r\n", "")
        << QList<int>{14, 17} << "";
}

void TestSourceChecks::hints()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, lines);
    QFETCH(QString, says);
    const QList<SourceHint> found = sourceHints(text);
    QList<int> at;
    for (const SourceHint &h : found)
        at << h.line;
    QCOMPARE(at, lines);
    if (!says.isEmpty())
        QVERIFY2(found.first().text.contains(says), qPrintable(found.first().text));
}

QTEST_GUILESS_MAIN(TestSourceChecks)
#include "tst_sourcechecks.moc"
