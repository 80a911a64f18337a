#include "checking/similarity.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

// Finding programs copied from one another in a class's submissions.
class TestSimilarity : public QObject
{
    Q_OBJECT
private slots:
    void tokens_data();
    void tokens();
    void pairs_data();
    void pairs();
    void insertedProcedure();
    void wholeClass();
};

// The teacher's skeleton, after each task's data.
static const char kSkeleton[] = "DATA ENDS\n"
                                "STACK SEGMENT STACK\n"
                                "      DW 128 DUP(?)\n"
                                "STACK ENDS\n"
                                "CODE SEGMENT\n"
                                "      ASSUME CS:CODE, DS:DATA, SS:STACK\n"
                                "START: MOV AX, DATA\n"
                                "      MOV DS, AX\n";
static const char kExit[] = "      MOV AH, 4CH\n"
                            "      INT 21H\n";
static const char kEnd[] = "CODE ENDS\n"
                           "      END START\n";
// Sum the words of ARR and print the sum in decimal.
static const char kSumData[] = "DATA SEGMENT\n"
                               "ARR   DW 123, 456, 789, 1000, 2345, 17, 5, 300\n"
                               "N     EQU ($-ARR)/2\n"
                               "SUM   DW ?\n"
                               "MSG   DB 'SUM = $'\n";
// One student: LOOP, and the sum printed digit by digit off the stack.
static const char kLoopSum[] = "      LEA SI, ARR         ; 数组首地址\n"
                               "      MOV CX, N\n"
                               "      XOR AX, AX\n"
                               "AGAIN: ADD AX, [SI]\n"
                               "      ADD SI, 2\n"
                               "      LOOP AGAIN\n"
                               "      MOV SUM, AX\n"
                               "      LEA DX, MSG\n"
                               "      MOV AH, 9\n"
                               "      INT 21H\n"
                               "      MOV AX, SUM\n"
                               "      CALL PRINTDEC\n";
static const char kStackDigits[] = "; 以十进制显示 AX\n"
                                   "PRINTDEC PROC NEAR\n"
                                   "      MOV BX, 10\n"
                                   "      XOR CX, CX\n"
                                   "DIVIDE: XOR DX, DX\n"
                                   "      DIV BX\n"
                                   "      PUSH DX\n"
                                   "      INC CX\n"
                                   "      CMP AX, 0\n"
                                   "      JNE DIVIDE\n"
                                   "SHOW:  POP DX\n"
                                   "      ADD DL, 30H\n"
                                   "      MOV AH, 2\n"
                                   "      INT 21H\n"
                                   "      LOOP SHOW\n"
                                   "      RET\n"
                                   "PRINTDEC ENDP\n";
// Another: an index compared with the end, the digits stored backwards into
// a buffer printed with 09h.
static const char kCompareSum[] = "      MOV BX, 0\n"
                                  "      MOV DX, 0\n"
                                  "NEXT:  ADD DX, ARR[BX]\n"
                                  "      ADD BX, 2\n"
                                  "      CMP BX, N*2\n"
                                  "      JNE NEXT\n"
                                  "      MOV SUM, DX\n"
                                  "      MOV DX, OFFSET MSG\n"
                                  "      MOV AH, 09H\n"
                                  "      INT 21H\n"
                                  "      MOV AX, SUM\n"
                                  "      CALL OUTNUM\n";
static const char kBufferDigits[] = "OUTNUM PROC\n"
                                    "      MOV DI, OFFSET BUF + 5\n"
                                    "      MOV CX, 10\n"
                                    "CONV:  MOV DX, 0\n"
                                    "      DIV CX\n"
                                    "      ADD DL, '0'\n"
                                    "      MOV [DI], DL\n"
                                    "      DEC DI\n"
                                    "      OR AX, AX\n"
                                    "      JNZ CONV\n"
                                    "      LEA DX, [DI+1]\n"
                                    "      MOV AH, 9\n"
                                    "      INT 21H\n"
                                    "      RET\n"
                                    "BUF   DB 6 DUP(' '), '$'\n"
                                    "OUTNUM ENDP\n";
static QByteArray program(QByteArrayList pieces)
{
    return pieces.join();
}

// What a copier does to hide it: other names and comments, lower case,
// numbers in other bases, labels on lines of their own, blank lines.
static QByteArray disguised(const QByteArray &text)
{
    QString s = QString::fromUtf8(text);
    const char *const names[][2] = {{"ARR", "SHUZU"}, {"SUM", "HE"},           {"MSG", "TISHI"},
                                    {"AGAIN", "L1"},  {"PRINTDEC", "XIANSHI"}, {"DIVIDE", "L2"},
                                    {"SHOW", "L3"},   {"START", "BEGIN"},      {"DATA", "DSEG"},
                                    {"CODE", "CSEG"}, {"N", "COUNT"}};
    for (const auto &name : names)
        s.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(name[0])), name[1]);
    s.replace(QRegularExpression(";[^\n]*"), QStringLiteral("; 求和"));
    s.replace(QRegularExpression("\\b10\\b"), "0AH")
        .replace("30H", "'0'")
        .replace("4CH", "1001100B");
    s.replace(": ", ":\n").replace("\n", "\r\n\r\n");
    return s.toLower().toUtf8();
}

void TestSimilarity::tokens_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("tokens");
    QTest::newRow("hex, comment") << QByteArray("mov ax, 0AH ; ten") << "MOV AX , 10";
    QTest::newRow("decimal, spacing") << QByteArray("MOV  AX,10\r\n\r\n") << "MOV AX , 10";
    QTest::newRow("character") << QByteArray("cmp al,'a'") << "CMP AL , 97";
    QTest::newRow("bases") << QByteArray("Nums db 1010B, 12O, 12q, 0FFH, 12D")
                           << "ID DB 10 , 10 , 10 , 255 , 12";
    QTest::newRow("strings") << QByteArray("Msg DB 'It''s',13,10,'$'")
                             << "ID DB STR , 13 , 10 , 36";
    QTest::newRow("comment block")
        << QByteArray("COMMENT * MOV AX,1\nJMP X *  ADD\n inc cx") << "INC CX";
    QTest::newRow("stack segment")
        << QByteArray("STACK SEGMENT STACK\nMOV BYTE PTR [BX+SI],AL\nSTACK ENDS")
        << "ID SEGMENT STACK MOV BYTE PTR [ BX + SI ] , AL ID ENDS";
    QTest::newRow("labels, directives") << QByteArray("next: loop Next\n.stack 100h\nmov ax,@data")
                                        << "ID : LOOP ID .STACK 256 MOV AX , @DATA";
    QTest::newRow("field, location")
        << QByteArray("mov dx,[bx].len\nL EQU $-Msg") << "MOV DX , [ BX ] . ID ID EQU $ - ID";
}

void TestSimilarity::tokens()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, tokens);
    QCOMPARE(normalisedTokens(source).join(u' '), tokens);
}

void TestSimilarity::pairs_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<double>("overlap"); // 0: not paired
    const QByteArray loop = program({kSumData, kSkeleton, kLoopSum, kExit, kStackDigits, kEnd});
    const QByteArray compare =
        program({kSumData, kSkeleton, kCompareSum, kExit, kBufferDigits, kEnd});
    const QByteArray compareGiven =
        program({kSumData, kSkeleton, kCompareSum, kExit, kStackDigits, kEnd});
    const QByteArray given = program({kSumData, kSkeleton, kExit, kStackDigits, kEnd});
    QTest::newRow("renamed copy") << loop << disguised(loop) << QByteArray() << 1.0;
    QTest::newRow("written apart") << loop << compare << QByteArray() << 0.0;
    // The teacher gave the data and the printing routine: alike only in those.
    QTest::newRow("routine given, no template") << loop << compareGiven << QByteArray() << 0.6;
    QTest::newRow("routine given, template") << loop << compareGiven << given << 0.0;
    QTest::newRow("copy, template") << loop << disguised(loop) << given << 1.0;
}

void TestSimilarity::pairs()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QByteArray, given);
    QFETCH(double, overlap);
    const QList<SimilarPair> found = findSimilar({{"a", a}, {"b", b}}, {0.6, given});
    QCOMPARE(found.size(), overlap > 0 ? 1 : 0);
    if (overlap > 0) {
        QCOMPARE(found[0].first, "a");
        QVERIFY2(found[0].overlap >= overlap, qPrintable(QString::number(found[0].overlap)));
    }
}

// A procedure put in the middle of a copy: two runs, each on its lines.
void TestSimilarity::insertedProcedure()
{
    const QByteArray before = program({kSumData, kSkeleton, kLoopSum, kExit});
    const QByteArray after = program({kStackDigits, kEnd});
    const QByteArray copy = QStringEncoder("GB18030").encode(
        QString::fromUtf8(program({before, kBufferDigits, after})));
    const QList<SimilarPair> found = findSimilar({{"a", program({before, after})}, {"b", copy}});
    QCOMPARE(found.size(), 1);
    const QList<SimilarPair::Lines> runs = found[0].runs;
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].firstLine, 2);
    QCOMPARE(runs[0].secondLine, 2);
    QCOMPARE(runs[0].secondText.at(12), "      LEA SI, ARR         ; 数组首地址");
    QCOMPARE(runs[0].firstText.last(), "      CALL PRINTDEC");
    const int first = before.count('\n') + 2; // past the comment line
    QCOMPARE(runs[1].firstLine, first);
    QCOMPARE(runs[1].secondLine, first + QByteArray(kBufferDigits).count('\n'));
    QCOMPARE(runs[1].secondText.first(), "PRINTDEC PROC NEAR");
    QCOMPARE(runs[1].secondText.last(), "PRINTDEC ENDP");
}

// Four hundred made-up programs with a routine most of them share, one a
// copy of another: only those two are paired, in good time.
void TestSimilarity::wholeClass()
{
    static const char *const ops[] = {"MOV", "ADD", "SUB", "XOR", "CMP", "AND"};
    static const char *const regs[] = {"AX", "BX", "CX", "DX", "SI", "DI"};
    QRandomGenerator random(7);
    QList<SimilarSource> sources;
    QByteArrayList owns;
    for (int s = 0; s < 400; ++s) {
        QByteArray own;
        for (int line = 0; line < 15; ++line)
            own += QByteArray(ops[random.bounded(6)]) + ' ' + regs[random.bounded(6)] + ", " +
                   (line % 2 ? QByteArray(regs[random.bounded(6)])
                             : QByteArray::number(random.bounded(1000))) +
                   '\n';
        if (s % 5)
            own += kStackDigits + QByteArray(kBufferDigits);
        if (s == 7)
            own = owns[3].toLower();
        owns.append(own);
        sources.append({QString::number(s), program({kSumData, kSkeleton, own, kExit, kEnd})});
    }
    QElapsedTimer timer;
    timer.start();
    const QList<SimilarPair> found = findSimilar(sources);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].first + '-' + found[0].second, "3-7");
    QCOMPARE(found[0].overlap, 1.0);
}

QTEST_GUILESS_MAIN(TestSimilarity)
#include "tst_similarity.moc"
