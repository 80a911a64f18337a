#include "editing/entercolouring.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The caret's line as the editor holds it: the block between two CR LF breaks, and its offset.
struct Block
{
    QStringView text;
    int start = 0;
};

Block blockAt(QStringView text, int caret)
{
    int start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QStringLiteral("\r\n"), start);
        if (end < 0 || caret <= end)
            return {text.sliced(start, (end < 0 ? text.size() : end) - start), start};
        start = int(end + 2);
    }
}

// The Enter rule as the program states it, over the whole text with 1-based indices, to hold
// the line-only version to.
EnterColouring enterByTheLetter(const QString &text, int c)
{
    const QString s = QLatin1Char('\n') + text + QLatin1Char('\r');
    const auto ch = [&](int k) { return s[k - 1]; };
    int p = c + 2;
    while (ch(p) != QLatin1Char('\n'))
        --p;
    int q = p + 1;
    bool found = false;
    while (q <= c + 1) {
        if (ch(q) == QLatin1Char(';')) {
            found = true;
            break;
        }
        ++q;
    }
    EnterColouring r;
    if (found)
        r.comment = {q - 2, c - q + 2};
    r.code = {p - 1, q - p - 1};
    return r;
}

// An empty comment range says only that there is nothing to colour; where it sits is free.
bool sameColouring(const EnterColouring &a, const EnterColouring &b)
{
    return a.code == b.code && a.comment.length == b.comment.length &&
           (a.comment.length == 0 || a.comment.start == b.comment.start);
}

QString describe(const EnterColouring &r)
{
    return QStringLiteral("code %1+%2, comment %3+%4")
        .arg(r.code.start)
        .arg(r.code.length)
        .arg(r.comment.start)
        .arg(r.comment.length);
}

QString randomText(QRandomGenerator &rng, const QStringList &pieces, int maxPieces)
{
    QString t;
    const int n = rng.bounded(maxPieces + 1);
    for (int i = 0; i < n; ++i)
        t += pieces[rng.bounded(int(pieces.size()))];
    return t;
}

} // namespace

class TestEditingRules : public QObject
{
    Q_OBJECT
private slots:
    void enter_data();
    void enter();
    void enterMatchesWholeTextRule();
};

void TestEditingRules::enter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<TextRange>("code");
    QTest::addColumn<TextRange>("comment");
    QTest::addColumn<bool>("asBlock"); // the caret can sit where the editor puts it

    QTest::newRow("end of a line with a comment")
        << "MOV AX,BX ;load" << 15 << TextRange{0, 10} << TextRange{10, 5} << true;
    QTest::newRow("middle of an instruction before a comment")
        << "MOV AX,BX ;load" << 5 << TextRange{0, 5} << TextRange{} << true;
    QTest::newRow("caret right after a semicolon")
        << "NOP ;" << 5 << TextRange{0, 4} << TextRange{4, 1} << true;
    QTest::newRow("caret right before a semicolon colours no comment")
        << "NOP ;x" << 4 << TextRange{0, 4} << TextRange{} << true;
    QTest::newRow("text after the caret is not looked at")
        << "MOV ;c" << 2 << TextRange{0, 2} << TextRange{} << true;
    QTest::newRow("first line of several starts at offset 0")
        << "A ;c\r\nB" << 4 << TextRange{0, 2} << TextRange{2, 2} << true;
    QTest::newRow("a later line starts after its line break")
        << "MOV AX,1\r\nADD AX,2 ;sum\r\nRET" << 23 << TextRange{10, 9} << TextRange{19, 4} << true;
    QTest::newRow("last line without a break")
        << "A\r\nB ;z" << 7 << TextRange{3, 2} << TextRange{5, 2} << true;
    QTest::newRow("a comment on the line above is not this line's")
        << ";x\r\nMOV" << 7 << TextRange{4, 3} << TextRange{} << true;
    QTest::newRow("empty line colours nothing")
        << "A\r\n\r\nB" << 3 << TextRange{3, 0} << TextRange{} << true;
    QTest::newRow("empty document") << "" << 0 << TextRange{0, 0} << TextRange{} << true;
    QTest::newRow("start of a non-empty line colours nothing")
        << "A\r\nB;c" << 3 << TextRange{3, 0} << TextRange{} << true;
    QTest::newRow("the first of two semicolons starts the comment")
        << "A;b;c" << 5 << TextRange{0, 1} << TextRange{1, 4} << true;
    QTest::newRow("full-width semicolon is code") << "A\xEF\xBC\x9B"
                                                     "b"
                                                  << 3 << TextRange{0, 3} << TextRange{} << true;
    QTest::newRow("Chinese characters count one each")
        << "\xE6\x95\xB0 ;\xE6\xB3\xA8" << 4 << TextRange{0, 2} << TextRange{2, 2} << true;
    QTest::newRow("caret between CR and LF belongs to the next line")
        << "AB;\r\nC" << 4 << TextRange{5, 0} << TextRange{} << false;
    QTest::newRow("a lone CR does not end the line")
        << "A;\rB" << 4 << TextRange{0, 1} << TextRange{1, 3} << false;
    QTest::newRow("a lone LF ends the line")
        << "A;\nB" << 4 << TextRange{3, 1} << TextRange{} << false;
}

void TestEditingRules::enter()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(TextRange, code);
    QFETCH(TextRange, comment);
    QFETCH(bool, asBlock);
    const EnterColouring expected{code, comment};

    const EnterColouring whole = enterColouring(text, 0, caret);
    QVERIFY2(sameColouring(whole, expected), qPrintable(describe(whole)));
    if (asBlock) {
        const Block block = blockAt(text, caret);
        const EnterColouring line = enterColouring(block.text, block.start, caret);
        QVERIFY2(sameColouring(line, expected), qPrintable(describe(line)));
    }
}

void TestEditingRules::enterMatchesWholeTextRule()
{
    QRandomGenerator rng(20240604);
    const QStringList anyPieces{QStringLiteral("a"),           QStringLiteral(" "),
                                QStringLiteral(";"),           QStringLiteral("\r\n"),
                                QStringLiteral("\r"),          QStringLiteral("\n"),
                                QStringLiteral("\xE6\x95\xB0")};
    const QStringList linePieces{QStringLiteral("a"), QStringLiteral(" "), QStringLiteral(";"),
                                 QStringLiteral("\r\n")};
    for (int round = 0; round < 3000; ++round) {
        const bool editorText = round % 2 == 0;
        const QString text = randomText(rng, editorText ? linePieces : anyPieces, 24);
        const int caret = rng.bounded(int(text.size()) + 1);
        const EnterColouring expected = enterByTheLetter(text, caret);
        const EnterColouring whole = enterColouring(text, 0, caret);
        const QByteArray where = QStringLiteral("text \"%1\" caret %2: ")
                                     .arg(QString(text)
                                              .replace(QLatin1Char('\r'), "<CR>")
                                              .replace(QLatin1Char('\n'), "<LF>"))
                                     .arg(caret)
                                     .toUtf8();
        QVERIFY2(sameColouring(whole, expected),
                 where + describe(whole).toUtf8() + " vs " + describe(expected).toUtf8());
        // The editor never leaves the caret between CR and LF.
        const bool insideBreak = caret > 0 && caret < text.size() &&
                                 text[caret - 1] == QLatin1Char('\r') &&
                                 text[caret] == QLatin1Char('\n');
        if (editorText && !insideBreak) {
            const Block block = blockAt(text, caret);
            const EnterColouring line = enterColouring(block.text, block.start, caret);
            QVERIFY2(sameColouring(line, expected),
                     where + describe(line).toUtf8() + " vs " + describe(expected).toUtf8());
        }
    }
}

QTEST_APPLESS_MAIN(TestEditingRules)
#include "tst_editingrules.moc"
