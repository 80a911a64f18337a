#include "rules/textrules.h"
#include "platform/richtext.h"

#include <QRandomGenerator>
#include <QTest>

// The control speaks in CR LF offsets while the editor counts a line break as
// one position: comments, caret and position text must agree on both.
class TestRichText : public QObject
{
    Q_OBJECT
private slots:
    void commentsAreColoured_data();
    void commentsAreColoured();
    void positionText();
};

void TestRichText::commentsAreColoured_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("comments"); // "C" a comment character
    QTest::newRow("instruction, blank, comment, empty lines") << "MOV AX,1 ;ld\r\n\r\n"
                                                              << "         CCC    ";
    QTest::newRow("semicolons in quotes and twice, last line without a break")
        << "DB ';',0\r\nA ;x ;y\r\n\tNOP;"
        << "    CCCC    CCCCC      C";
    QTest::newRow("full-width semicolon is no comment mark") << "A \uFF1B x"
                                                             << "     ";
    QTest::newRow("empty text") << ""
                                << "";
}

void TestRichText::commentsAreColoured()
{
    QFETCH(QString, text);
    QFETCH(QString, comments);
    RichText rt;
    rt.setText(text);
    QCOMPARE(rt.text(), text);
    QCOMPARE(rt.textLength(), text.size());
    rt.colorRanges(commentRanges(text + u'\r'), Qt::green);
    QString seen;
    for (int i = 0; i < text.size(); ++i) {
        rt.setSelStart(i);
        rt.setSelLength(1);
        seen +=
            QStringLiteral("\r\n").contains(text[i]) || rt.selColor() != Qt::green ? u' ' : u'C';
    }
    QCOMPARE(seen, comments);
}

void TestRichText::positionText()
{
    // "AB\r\nCD\r\n\r\nE": the caret never lands inside a line break, nor outside the text.
    RichText rt;
    rt.setText(QStringLiteral("AB\r\nCD\r\n\r\nE"));
    for (const auto &[offset, landsAt] : {std::pair{3, 4}, {9, 10}, {500, 11}, {-3, 0}}) {
        rt.setSelStart(offset);
        QCOMPARE(rt.selStart(), landsAt);
    }
    QCOMPARE(rowCount(u"\r\n\r\n\r\n\u6C47X", 9) + lineCount(u"\r\n\r\n\r\n\u6C47X", 9),
             QStringLiteral(" 4 3"));
    // The status bar reads line and column from the caret's block: they equal
    // what the rules give on the whole text, for any text and caret.
    QRandomGenerator rng(20261206);
    const QString alphabet = QStringLiteral("ab ;\t\u6C47");
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = rng.bounded(40); i > 0; --i)
            text += rng.bounded(6) ? QString(alphabet[rng.bounded(6)]) : QStringLiteral("\r\n");
        rt.setText(text);
        rt.setSelStart(rng.bounded(text.size() + 1));
        rt.setSelLength(rng.bounded(3));
        const QString line = text.isEmpty() ? QStringLiteral("1") : positionNumber(rt.caretLine());
        const QString column =
            text.isEmpty() ? QStringLiteral("1") : positionNumber(rt.caretColumn());
        QCOMPARE(line + column, rowCount(text, rt.selStart()) + lineCount(text, rt.selStart()));
    }
}

QTEST_MAIN(TestRichText)
#include "tst_richtext.moc"
