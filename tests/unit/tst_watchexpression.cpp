#include "debugging/watchexpression.h"

#include <QTest>

// Watches as a student types them, read as MASM reads an operand.
class TestWatchExpression : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void conditions_data();
    void conditions();
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

void TestWatchExpression::conditions_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("result"); // "true", "false", or part of the error
    QTest::newRow("register equal") << "CX == 0"
                                    << "true";
    QTest::newRow("register not equal") << "cx != 0"
                                        << "false";
    QTest::newRow("half against a character") << "AL > 'Z'"
                                              << "true";
    QTest::newRow("and with a flag") << "AL > 'Z' && ZF"
                                     << "true";
    QTest::newRow("and with a clear flag") << "AL > 'Z' && CF"
                                           << "false";
    QTest::newRow("or") << "CF || DX == 5"
                        << "true";
    QTest::newRow("not") << "!CF"
                         << "true";
    QTest::newRow("not of a parenthesis") << "!(CX == 0) || OF"
                                          << "false";
    QTest::newRow("memory at a register") << "[SI] != 0"
                                          << "true";
    QTest::newRow("byte of memory") << "BYTE PTR [SI] == 61H"
                                    << "true";
    QTest::newRow("variable's first element") << "COUNT >= 3"
                                              << "true";
    QTest::newRow("variable below") << "COUNT < 3"
                                    << "false";
    QTest::newRow("constant") << "LIMIT == 10"
                              << "true";
    QTest::newRow("arithmetic on both sides") << "(DX+1)*2 <= 0CH"
                                              << "true";
    QTest::newRow("negative constant in a byte") << "AH == -1"
                                                 << "true";
    QTest::newRow("negative constant in a word") << "BX == -2"
                                                 << "true";
    QTest::newRow("unsigned comparison") << "BX > 7FFFH"
                                         << "true";
    QTest::newRow("binary number") << "DL <= 101B"
                                   << "true";
    QTest::newRow("a value alone") << "DX"
                                   << "true";
    QTest::newRow("variable called like a flag") << "CF == 7"
                                                 << "true";
    QTest::newRow("direction and interrupt flags") << "DF == 0 && IF"
                                                   << "true";
    QTest::newRow("unknown name") << "TOTAL > 1"
                                  << "不认识“TOTAL”";
    QTest::newRow("a comparison missing its side") << "CX =="
                                                   << "不完整";
    QTest::newRow("single equals") << "CX = 0"
                                   << "看不懂“=”";
    QTest::newRow("empty") << "  "
                           << "空";
    QTest::newRow("unclosed") << "(CX == 0"
                              << "括号";
}

void TestWatchExpression::conditions()
{
    QFETCH(QString, condition);
    QFETCH(QString, result);
    QByteArray memory(0x20000, '\0');
    // DS:SI=1000:4 holds 61H; COUNT (a word at 1000:0) is 3; CF at 1000:2 is 7.
    memory.replace(0x10000, 5, QByteArray("\x03\x00\x07\x00\x61", 5));
    Registers r;
    r.ax = 0xFF5B; // AL '[' above 'Z'
    r.bx = 0xFFFE;
    r.cx = 0;
    r.dx = 5;
    r.si = 4;
    r.ds = 0x1000;
    r.flags = 0x0242; // ZF and IF
    QList<WatchSymbol> symbols;
    symbols << WatchSymbol{"COUNT", WatchSymbol::Kind::Data, 2, 0, 0x1000, 0, 0}
            << WatchSymbol{"CF", WatchSymbol::Kind::Data, 2, 0, 0x1000, 2, 0}
            << WatchSymbol{"LIMIT", WatchSymbol::Kind::Number, 0, 0, 0, 0, 10};
    // Where the condition says a flag but the program has a variable of
    // that name, the variable is meant.
    const WatchCondition c = evaluateCondition(
        condition, r, [&memory](quint32 at) { return quint8(memory.at(at)); },
        condition.startsWith("CF ==") ? symbols : symbols.mid(0, 1) + symbols.mid(2));
    if (result == u"true" || result == u"false") {
        QVERIFY2(c.ok, qPrintable(c.error));
        QCOMPARE(c.holds, result == u"true");
    } else {
        QVERIFY(!c.ok);
        QVERIFY2(c.error.contains(result), qPrintable(c.error));
    }
}

QTEST_GUILESS_MAIN(TestWatchExpression)
#include "tst_watchexpression.moc"
