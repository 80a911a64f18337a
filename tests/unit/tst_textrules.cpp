#include "editing/textrules.h"

#include <QTest>

class TestTextRules : public QObject
{
    Q_OBJECT
private slots:
    void comments_data();
    void comments();
    void position_data();
    void position();
};

void TestTextRules::comments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<TextRange>>("expected");
    QTest::newRow("instruction, blank, comment, break")
        << "MOV AX,BX ;load\r\nNOP\r\n\r" << QList<TextRange>{{10, 5}};
    QTest::newRow("last line is a comment without a break")
        << "NOP\r\n;end\r" << QList<TextRange>{{5, 4}};
    QTest::newRow("semicolon as the very last character") << "NOP;\r" << QList<TextRange>{{3, 1}};
    QTest::newRow("semicolon inside quotes is a comment")
        << "C DB ';',0\r\n\r" << QList<TextRange>{{6, 4}};
    QTest::newRow("two semicolons make one comment") << "A ;x ;y\r" << QList<TextRange>{{2, 5}};
    QTest::newRow("full-width semicolon is no comment mark")
        << "A \xEF\xBC\x9B x\r" << QList<TextRange>{};
    QTest::newRow("comments on several lines")
        << ";a\r\nB\r\n  ;cc\r" << QList<TextRange>{{0, 2}, {9, 3}};
    QTest::newRow("empty text") << "\r" << QList<TextRange>{};
}

void TestTextRules::comments()
{
    QFETCH(QString, text);
    QFETCH(QList<TextRange>, expected);
    QCOMPARE(commentRanges(text), expected);
}

void TestTextRules::position_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("column");
    QTest::newRow("empty text has no blanks") << "" << 0 << "1"
                                              << "1";
    QTest::newRow("start of a text") << "MOV AX,BX" << 0 << " 1"
                                     << " 1";
    QTest::newRow("after two characters") << "MOV AX,BX" << 2 << " 1"
                                          << " 3";
    QTest::newRow("just after a line break") << "A\r\nBC" << 3 << " 2"
                                             << " 1";
    QTest::newRow("before the CR of a line") << "A\r\nBC\r\n"
                                             << 5 << " 2"
                                             << " 3";
    QTest::newRow("empty lines count") << "\r\n\r\n\r\nX" << 7 << " 4"
                                       << " 2";
    QTest::newRow("Chinese characters count as one") << "\u6c47\u7f16\r\n\u6307\u4ee4" << 5 << " 2"
                                                     << " 2";
    QTest::newRow("caret past the end is held at the end") << "AB" << 9 << " 1"
                                                           << " 3";
}

void TestTextRules::position()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, line);
    QFETCH(QString, column);
    QCOMPARE(rowCount(text, caret), line);
    QCOMPARE(lineCount(text, caret), column);
}

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
