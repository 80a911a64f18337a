#include "editing/textrules.h"

#include <QRandomGenerator>
#include <QTest>

class TestTextRules : public QObject
{
    Q_OBJECT
private slots:
    void comments_data();
    void comments();
};

void TestTextRules::comments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<TextRange>>("expected");
    QTest::newRow("instruction, blank, comment, break")
        << "MOV AX,BX ;load\r\nNOP\r\n\r" << QList<TextRange>{{10, 5}};
    QTest::newRow("last line is a comment without a break") << "NOP\r\n;end\r"
                                                            << QList<TextRange>{{5, 4}};
    QTest::newRow("semicolon as the very last character") << "NOP;\r" << QList<TextRange>{{3, 1}};
    QTest::newRow("semicolon inside quotes is a comment")
        << "C DB ';',0\r\n\r" << QList<TextRange>{{6, 4}};
    QTest::newRow("two semicolons make one comment") << "A ;x ;y\r" << QList<TextRange>{{2, 5}};
    QTest::newRow("full-width semicolon is no comment mark") << "A \xEF\xBC\x9B x\r"
                                                             << QList<TextRange>{};
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

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
