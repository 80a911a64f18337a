#include "debugging/watchexpression.h"

#include <QTest>

// Watches as a student types them, read as MASM reads an operand.
class TestWatchExpression : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
};

void TestWatchExpression::values_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("hex"); // or part of the error
    QTest::addColumn<QString>("signedDecimal");
    QTest::addColumn<QString>("text");
    QTest::newRow("register") << "AX"
                              << "FFFEH"
                              << "-2"
                              << "";
    QTest::newRow("half") << "ah"
                          << "00FFH"
                          << "255"
                          << "";
    QTest::newRow("register and number") << "AX+1"
                                         << "FFFFH"
                                         << "-1"
                                         << "";
    QTest::newRow("hex number") << "0AH*2"
                                << "0014H"
                                << "20"
                                << "";
    QTest::newRow("character") << "'A'"
                               << "0041H"
                               << "65"
                               << "";
    QTest::newRow("constant") << "COUNT"
                              << "0003H"
                              << "3"
                              << "";
    QTest::newRow("words of a DUP") << "arr"
                                    << "0001H FFFFH 0300H"
                                    << "1 -1 768"
                                    << "";
    QTest::newRow("the next element") << "ARR+2"
                                      << "FFFFH"
                                      << "-1"
                                      << "";
    QTest::newRow("string") << "MSG"
                            << "48H 69H 24H"
                            << "72 105 36"
                            << "Hi$";
    QTest::newRow("based and indexed") << "[BX+SI+2]"
                                       << "FFFFH"
                                       << "-1"
                                       << "";
    QTest::newRow("byte at a register") << "BYTE PTR [BX]"
                                        << "01H"
                                        << "1"
                                        << ".";
    QTest::newRow("segment named") << "WORD PTR ES:[DI]"
                                   << "BEEFH"
                                   << "-16657"
                                   << "";
    QTest::newRow("BP means SS") << "[BP]"
                                 << "CAFEH"
                                 << "-13570"
                                 << "";
    QTest::newRow("code label") << "START"
                                << "2000:0010"
                                << "16"
                                << "";
    QTest::newRow("unknown name") << "TOTAL"
                                  << "TOTAL"
                                  << ""
                                  << "";
    QTest::newRow("unclosed") << "[BX"
                              << "]"
                              << ""
                              << "";
    QTest::newRow("two addresses") << "ARR+MSG"
                                   << "两个地址"
                                   << ""
                                   << "";
    QTest::newRow("PTR of a number") << "WORD PTR 5"
                                     << "PTR"
                                     << ""
                                     << "";
}

void TestWatchExpression::values()
{
    QFETCH(QString, expression);
    QFETCH(QString, hex);
    QByteArray memory(0x40000, '\0');
    // DS=1000: ARR at 0 (three words), MSG at 6; ES:DI=3000:4; SS:BP=3000:8.
    memory.replace(0x10000, 9, QByteArray("\x01\x00\xFF\xFF\x00\x03Hi$", 9));
    memory.replace(0x30004, 2, QByteArray("\xEF\xBE", 2));
    memory.replace(0x30008, 2, QByteArray("\xFE\xCA", 2));
    Registers r;
    r.ax = 0xFFFE;
    r.bx = 0;
    r.si = 0;
    r.ds = 0x1000;
    r.es = 0x3000;
    r.di = 4;
    r.ss = 0x3000;
    r.bp = 8;
    QList<WatchSymbol> symbols;
    symbols << WatchSymbol{"ARR", WatchSymbol::Kind::Data, 2, 3, 0x1000, 0, 0}
            << WatchSymbol{"MSG", WatchSymbol::Kind::Data, 1, 3, 0x1000, 6, 0}
            << WatchSymbol{"COUNT", WatchSymbol::Kind::Number, 0, 0, 0, 0, 3}
            << WatchSymbol{"START", WatchSymbol::Kind::Code, 0, 0, 0x2000, 0x10, 0};
    const WatchValue v = evaluateWatch(expression, r, memory, symbols);
    if (!v.ok) {
        QVERIFY2(v.error.contains(hex), qPrintable(v.error));
        return;
    }
    QCOMPARE(v.hex, hex);
    QTEST(v.signedDecimal, "signedDecimal");
    QTEST(v.text, "text");
}

QTEST_GUILESS_MAIN(TestWatchExpression)
#include "tst_watchexpression.moc"
