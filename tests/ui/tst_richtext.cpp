#include "editing/textrules.h"
#include "platform/richtext.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>

// The control speaks in CR LF offsets while the editor counts a line break as
// one position: these tests hold the two in step.
class TestRichText : public QObject
{
    Q_OBJECT
private slots:
    void textRoundTrip_data();
    void textRoundTrip();
    void offsetsInsideLineBreak_data();
    void offsetsInsideLineBreak();
    void caretPositionMatchesTextRules();
    void setTextDropsCaretFormat();
    void shiftEnterBreaksTheLine();
    void colorRangesColoursOnlyThoseCharacters();
};

void TestRichText::textRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("one line") << "MOV AX,BX";
    QTest::newRow("ends with a break") << "A\r\nB\r\n";
    QTest::newRow("empty lines") << "\r\n\r\n";
    QTest::newRow("tabs and Chinese") << "\tMOV AX,1 ;\u8D4B\u503C\r\n";
}

void TestRichText::textRoundTrip()
{
    QFETCH(QString, text);
    RichText rt;
    rt.setText(text);
    QCOMPARE(rt.text(), text);
    QCOMPARE(rt.textLength(), text.size());
}

void TestRichText::offsetsInsideLineBreak_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("landsAt");
    // "AB\r\nCD\r\n\r\nE": A0 B1 CR2 LF3 C4 D5 CR6 LF7 CR8 LF9 E10
    QTest::newRow("before the CR") << 2 << 2;
    QTest::newRow("between CR and LF goes after the break") << 3 << 4;
    QTest::newRow("start of the next line") << 4 << 4;
    QTest::newRow("inside the break of an empty line") << 9 << 10;
    QTest::newRow("end of the text") << 11 << 11;
    QTest::newRow("past the end") << 500 << 11;
    QTest::newRow("negative") << -3 << 0;
}

void TestRichText::offsetsInsideLineBreak()
{
    QFETCH(int, offset);
    QFETCH(int, landsAt);
    RichText rt;
    rt.setText(QStringLiteral("AB\r\nCD\r\n\r\nE"));
    rt.setSelStart(offset);
    QCOMPARE(rt.selStart(), landsAt);
    QCOMPARE(rt.selLength(), 0);
}

void TestRichText::caretPositionMatchesTextRules()
{
    // The status bar reads line and column from the caret's block; they must
    // equal what the rules give on the whole text, for any text and caret.
    QRandomGenerator rng(20261206);
    const QString alphabet = QStringLiteral("ab ;\t\u6C47");
    RichText rt;
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int len = rng.bounded(40);
        for (int i = 0; i < len; ++i) {
            if (rng.bounded(6) == 0)
                text += QStringLiteral("\r\n");
            else
                text += alphabet[rng.bounded(alphabet.size())];
        }
        rt.setText(text);
        const int start = rng.bounded(text.size() + 1);
        rt.setSelStart(start);
        rt.setSelLength(rng.bounded(3));
        const QString all = rt.text();
        const int caret = rt.selStart();
        const bool empty = all.isEmpty();
        const QString line = empty ? QStringLiteral("1") : positionNumber(rt.caretLine());
        const QString column = empty ? QStringLiteral("1") : positionNumber(rt.caretColumn());
        QCOMPARE(line, rowCount(all, caret));
        QCOMPARE(column, lineCount(all, caret));
    }
}

void TestRichText::setTextDropsCaretFormat()
{
    RichText rt;
    rt.setText(QStringLiteral("old"));
    rt.setSelColor(Qt::red);
    rt.setText(QStringLiteral("new text"));
    rt.setSelStart(2);
    rt.setSelLength(1);
    QVERIFY(rt.selColor() != QColor(Qt::red));
}

void TestRichText::shiftEnterBreaksTheLine()
{
    RichText rt;
    rt.setText(QStringLiteral("AB"));
    rt.setSelStart(1);
    QTest::keyClick(&rt, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(rt.text(), QStringLiteral("A\r\nB"));
    QCOMPARE(rt.selStart(), 3);
}

void TestRichText::colorRangesColoursOnlyThoseCharacters()
{
    RichText rt;
    const QString text = QStringLiteral("A ;x\r\nB\r\n;yz");
    rt.setText(text);
    rt.colorRanges(commentRanges(text + QLatin1Char('\r')), Qt::green);
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n'))
            continue;
        rt.setSelStart(i);
        rt.setSelLength(1);
        const bool comment = (i >= 2 && i < 4) || i >= 9;
        QCOMPARE(rt.selColor() == QColor(Qt::green), comment);
    }
}

QTEST_MAIN(TestRichText)
#include "tst_richtext.moc"
