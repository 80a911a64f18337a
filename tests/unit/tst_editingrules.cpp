#include "editing/casetext.h"
#include "editing/entercolouring.h"
#include "editing/findscan.h"
#include "editing/indenttext.h"
#include "editing/numericinput.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

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

// The find step as the program states it: Mid-style comparison at every position, no
// shortcuts, to hold the real scan to.
FindStep findByTheLetter(FindState st, const QString &area, const FindRequest &req, int sel)
{
    FindStep step;
    step.selStart = sel;
    if (req.text.isEmpty()) {
        step.state = st;
        return step;
    }
    ++st.Findcount;
    const int length = int(req.text.size());
    const int last = int(area.size()) + 1 - length;
    const auto fold = [&](const QString &x) {
        QString y = x;
        for (QChar &c : y)
            c = req.downward ? c.toUpper() : c.toLower();
        return y;
    };
    const auto matches = [&](int pos) {
        const QString piece = area.mid(pos - 1, length);
        return req.matchCase ? piece == req.text : fold(piece) == fold(req.text);
    };
    if (req.downward) {
        st.Findpos = st.Findcount == 1 ? 1 : sel + 2;
        while (st.Findpos <= last && !matches(st.Findpos))
            ++st.Findpos;
    } else {
        st.Findpos = st.Findcount == 1 ? last : sel;
        while (st.Findpos >= 1 && !matches(st.Findpos))
            --st.Findpos;
    }
    step.selLength = length;
    if (req.downward ? st.Findpos > last : st.Findpos < 1) {
        step.outcome = req.downward ? FindOutcome::ReachedEnd : FindOutcome::ReachedStart;
    } else {
        step.outcome = FindOutcome::Found;
        step.selStart = st.Findpos - 1;
        st.Lastfind = req.text;
    }
    step.state = st;
    return step;
}

QString describe(const FindStep &step)
{
    static const char *const names[] = {"nothing", "found", "end", "start"};
    return QStringLiteral("%1 %2+%3 pos %4 count %5 last '%6'")
        .arg(QLatin1String(names[int(step.outcome)]))
        .arg(step.selStart)
        .arg(step.selLength)
        .arg(step.state.Findpos)
        .arg(step.state.Findcount)
        .arg(step.state.Lastfind);
}

} // namespace

class TestEditingRules : public QObject
{
    Q_OBJECT
private slots:
    void enter_data();
    void enter();
    void enterMatchesWholeTextRule();

    void indent_data();
    void indent();
    void indentLimit_data();
    void indentLimit();
    void indentThenUnindentRestores_data();
    void indentThenUnindentRestores();

    void caseConversion_data();
    void caseConversion();
    void caseAlternates();

    void numericPrefix_data();
    void numericPrefix();
    void fontSize_data();
    void fontSize();
    void indentWidth_data();
    void indentWidth();

    void find_data();
    void find();
    void findEmptyTextIsNoClick();
    void findKeepsLastfindUntilASuccess();
    void findMatchesTheStatedScan();
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

void TestEditingRules::indent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("b");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two lines get the default width each")
        << "MOV AX,1\r\nRET" << true << 8 << true << "        MOV AX,1\r\n        RET";
    QTest::newRow("empty lines and the line after a final break are indented")
        << "A\r\n\r\n"
        << true << 2 << true << "  A\r\n  \r\n  ";
    QTest::newRow("empty document becomes the width in spaces") << "" << true << 3 << true << "   ";
    QTest::newRow("lines with leading spaces get more") << " A" << true << 2 << true << "   A";
    QTest::newRow("width 0 changes nothing") << "A\r\nB" << true << 0 << true << "A\r\nB";
    QTest::newRow("a lone LF starts a line") << "A\nB" << true << 1 << true << " A\n B";
    QTest::newRow("a lone CR does not start a line") << "A\rB" << true << 1 << true << " A\rB";
    QTest::newRow("negative width is refused") << "A" << true << -1 << false << "";
    QTest::newRow("un-indent removes every leading space, not just the width")
        << "     A\r\n  B" << false << 2 << true << "A\r\nB";
    QTest::newRow("un-indent keeps tabs and the spaces after them")
        << "\t  A B\r\n \tC" << false << 8 << true << "\t  A B\r\n\tC";
    QTest::newRow("un-indent keeps trailing and inner spaces")
        << "A  B  \r\n"
        << false << 8 << true << "A  B  \r\n";
    QTest::newRow("un-indent empties lines of spaces only")
        << "   \r\nA\r\n  " << false << 8 << true << "\r\nA\r\n";
    QTest::newRow("un-indent of the empty document") << "" << false << 8 << true << "";
    QTest::newRow("un-indent ignores a negative width") << "  A" << false << -1 << true << "A";
    QTest::newRow("un-indent after a lone LF") << "A\n  B" << false << 8 << true << "A\nB";
}

void TestEditingRules::indent()
{
    QFETCH(QString, text);
    QFETCH(bool, b);
    QFETCH(int, width);
    QFETCH(bool, applied);
    QFETCH(QString, expected);
    const std::optional<QString> result = indentText(text, b, width);
    QCOMPARE(result.has_value(), applied);
    if (applied)
        QCOMPARE(*result, expected);
}

void TestEditingRules::indentLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("applied");

    // 500 lines of 2 + 998 characters in all, each gaining the width.
    const QString lines = QStringLiteral("ab") + QStringLiteral("\r\n").repeated(499);
    QTest::newRow("exactly 16 million characters is applied") << lines << 31998 << true;
    QTest::newRow("one character more is refused")
        << QString(lines + QLatin1Char('c')) << 31998 << false;
    QTest::newRow("the largest width on many lines does not overflow")
        << QStringLiteral("\n").repeated(70000) << 32767 << false;
}

void TestEditingRules::indentLimit()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(bool, applied);
    const std::optional<QString> result = indentText(text, true, width);
    QCOMPARE(result.has_value(), applied);
    if (applied)
        QCOMPARE(result->size(), kMaxIndentedLength);
    // Taking spaces away never grows a text, so un-indenting it is never refused.
    QVERIFY(indentText(text, false, width).has_value());
}

void TestEditingRules::indentThenUnindentRestores_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("default width 8") << 8;
    QTest::newRow("width 1") << 1;
    QTest::newRow("width 0") << 0;
    QTest::newRow("wide indent") << 300;
}

void TestEditingRules::indentThenUnindentRestores()
{
    QFETCH(int, width);
    QRandomGenerator rng(77);
    const QStringList pieces{QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("\t"),
                             QStringLiteral(";"), QStringLiteral("\r\n")};
    for (int round = 0; round < 300; ++round) {
        QString text = randomText(rng, pieces, 30);
        // Only lines that start without a space come back as they were.
        text = *indentText(text, false, 0);
        const std::optional<QString> indented = indentText(text, true, width);
        QVERIFY(indented);
        QCOMPARE(*indentText(*indented, false, width), text);
    }
}

void TestEditingRules::caseConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lowerstyleBefore");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("lowerstyleAfter");
    QTest::addColumn<QString>("caption");

    QTest::newRow("first use lowers and offers upper case")
        << "MOV Ax,1 ;Load" << false << "mov ax,1 ;load" << true << "大写风格";
    QTest::newRow("second use uppers and offers lower case")
        << "mov Ax,1 ;Load" << true << "MOV AX,1 ;LOAD" << false << "小写风格";
    QTest::newRow("quoted strings and comments change alike")
        << "Msg DB 'Hello',0 ;Greet" << true << "MSG DB 'HELLO',0 ;GREET" << false << "小写风格";
    QTest::newRow("characters without case stay")
        << "数据；１２\r\n;注释" << false << "数据；１２\r\n;注释" << true << "大写风格";
    QTest::newRow("line breaks stay") << "A\r\nB\r\n"
                                      << false << "a\r\nb\r\n"
                                      << true << "大写风格";
}

void TestEditingRules::caseConversion()
{
    QFETCH(QString, text);
    QFETCH(bool, lowerstyleBefore);
    QFETCH(QString, expected);
    QFETCH(bool, lowerstyleAfter);
    QFETCH(QString, caption);
    const CaseConversion step = convertCase(text, lowerstyleBefore);
    QCOMPARE(step.text, expected);
    QCOMPARE(step.Lowerstyle, lowerstyleAfter);
    QCOMPARE(step.caption, caption);
}

void TestEditingRules::caseAlternates()
{
    bool lowerstyle = false;
    QCOMPARE(upLowCaption(lowerstyle), QStringLiteral("小写风格"));
    QString text = QStringLiteral("Mov ax,1");
    const QStringList texts{QStringLiteral("mov ax,1"), QStringLiteral("MOV AX,1"),
                            QStringLiteral("mov ax,1")};
    const QStringList captions{QStringLiteral("大写风格"), QStringLiteral("小写风格"),
                               QStringLiteral("大写风格")};
    for (int use = 0; use < 3; ++use) {
        const CaseConversion step = convertCase(text, lowerstyle);
        QCOMPARE(step.text, texts[use]);
        QCOMPARE(step.caption, captions[use]);
        QCOMPARE(upLowCaption(step.Lowerstyle), step.caption);
        text = step.text;
        lowerstyle = step.Lowerstyle;
    }
}

void TestEditingRules::numericPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("empty is 0") << "" << 0.0;
    QTest::newRow("digits") << "12" << 12.0;
    QTest::newRow("digits then letters") << "12pt" << 12.0;
    QTest::newRow("leading minus") << "-14" << -14.0;
    QTest::newRow("leading plus") << "+7" << 7.0;
    QTest::newRow("fraction stays a fraction") << "10.5" << 10.5;
    QTest::newRow("fraction without whole part") << ".5" << 0.5;
    QTest::newRow("point without fraction") << "5." << 5.0;
    QTest::newRow("second point ends the number") << "1.2.3" << 1.2;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("double sign") << "--3" << 0.0;
    QTest::newRow("inner space ends the number") << "1 2" << 1.0;
    QTest::newRow("comma ends the number") << "1,5" << 1.0;
    QTest::newRow("hexadecimal prefix is a 0 and a letter") << "0x10" << 0.0;
    QTest::newRow("exponent") << "2e1" << 20.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("e without digits is a letter") << "2em" << 2.0;
    QTest::newRow("e with a sign but no digits is a letter") << "2e+" << 2.0;
    QTest::newRow("leading zeros") << "0008" << 8.0;
    QTest::newRow("full-width digits are no digits") << "\xEF\xBC\x91\xEF\xBC\x92" << 0.0;
    QTest::newRow("too large is infinite") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("too small is 0") << "1e-999" << 0.0;
}

void TestEditingRules::numericPrefix()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::numericPrefix(text), value);
}

void TestEditingRules::fontSize_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<double>("size");

    QTest::newRow("empty answer or Cancel gives 9") << "" << true << 9.0;
    QTest::newRow("spaces only give 9") << "   " << true << 9.0;
    QTest::newRow("minus fourteen gives 14") << "-14" << true << 14.0;
    QTest::newRow("spaces around are trimmed") << "  12  " << true << 12.0;
    QTest::newRow("a fraction stays") << "10.5" << true << 10.5;
    QTest::newRow("digits then letters") << "72pt" << true << 72.0;
    QTest::newRow("smallest size") << "1" << true << 1.0;
    QTest::newRow("largest size") << "1638" << true << 1638.0;
    QTest::newRow("letters only ask for 0, refused") << "abc" << false << 0.0;
    QTest::newRow("below 1 refused") << "0.5" << false << 0.0;
    QTest::newRow("just over the largest refused") << "1638.5" << false << 0.0;
    QTest::newRow("far too large refused") << "1e999" << false << 0.0;
    QTest::newRow("a tab is not a space, so no number leads") << "\t12" << false << 0.0;
}

void TestEditingRules::fontSize()
{
    QFETCH(QString, answer);
    QFETCH(bool, applied);
    QFETCH(double, size);
    const std::optional<double> result = fontSizeFromAnswer(answer);
    QCOMPARE(result.has_value(), applied);
    if (applied)
        QCOMPARE(*result, size);
}

void TestEditingRules::indentWidth_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<int>("width");

    QTest::newRow("whole number") << "4" << true << 4;
    QTest::newRow("spaces around are trimmed") << " 12 " << true << 12;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("plus sign") << "+3" << true << 3;
    QTest::newRow("fraction rounds to nearest") << "2.7" << true << 3;
    QTest::newRow("half goes down to even") << "2.5" << true << 2;
    QTest::newRow("half goes up to even") << "3.5" << true << 4;
    QTest::newRow("half of one goes to 0") << "0.5" << true << 0;
    QTest::newRow("small negative rounds to 0") << "-0.4" << true << 0;
    QTest::newRow("exponent") << "1e2" << true << 100;
    QTest::newRow("largest 16-bit width") << "32767" << true << 32767;
    QTest::newRow("rounding past the 16-bit range refused") << "32767.5" << false << 0;
    QTest::newRow("past the 16-bit range refused") << "32768" << false << 0;
    QTest::newRow("negative refused") << "-1" << false << 0;
    QTest::newRow("rounding to a negative refused") << "-0.6" << false << 0;
    QTest::newRow("empty answer or Cancel refused") << "" << false << 0;
    QTest::newRow("a word refused") << "eight" << false << 0;
    QTest::newRow("digits then letters refused") << "12abc" << false << 0;
    QTest::newRow("sign only refused") << "-" << false << 0;
    QTest::newRow("far too large refused") << "1e999" << false << 0;
}

void TestEditingRules::indentWidth()
{
    QFETCH(QString, answer);
    QFETCH(bool, applied);
    QFETCH(int, width);
    const std::optional<int> result = indentWidthFromAnswer(answer);
    QCOMPARE(result.has_value(), applied);
    if (applied)
        QCOMPARE(*result, width);
}

void TestEditingRules::find_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("downward");
    QTest::addColumn<int>("clicksBefore");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<QStringList>("steps"); // one per click: outcome and selection start

    const QStringList twoHits{"found 0", "found 4", "end 4", "end 4"};
    QTest::newRow("downward from the top, hit by hit, then the end repeats")
        << "ab  ab"
        << "ab" << true << true << 0 << 3 << twoHits;
    QTest::newRow("upward from the bottom, then the start")
        << "ab  ab"
        << "ab" << true << false << 0 << 0 << QStringList{"found 4", "found 0", "start 0"};
    QTest::newRow("match case misses lower-case mov")
        << "mov ax,1"
        << "MOV" << true << true << 0 << 0 << QStringList{"end 0"};
    QTest::newRow("ignore case finds lower-case mov downward")
        << "mov ax,1"
        << "MOV" << false << true << 0 << 0 << QStringList{"found 0"};
    QTest::newRow("ignore case finds upper-case MOV upward")
        << "x MOV"
        << "mov" << false << false << 0 << 0 << QStringList{"found 2", "start 2"};
    QTest::newRow("text longer than the document, downward")
        << "ab"
        << "abc" << true << true << 0 << 0 << QStringList{"end 0"};
    QTest::newRow("text longer than the document, upward")
        << "ab"
        << "abc" << true << false << 0 << 1 << QStringList{"start 1"};
    QTest::newRow("later clicks continue after the selection start")
        << "ab ab ab"
        << "ab" << true << true << 1 << 2 << QStringList{"found 3", "found 6"};
    QTest::newRow("a hit right at the caret is skipped downward")
        << "ab ab"
        << "ab" << true << true << 1 << 0 << QStringList{"found 3", "end 3"};
    QTest::newRow("upward finds only hits that begin before the caret")
        << "ab ab"
        << "ab" << true << false << 1 << 3 << QStringList{"found 0", "start 0"};
    QTest::newRow("upward from past the end of a shorter copy")
        << "ab"
        << "ab" << true << false << 1 << 40 << QStringList{"found 0"};
    QTest::newRow("overlapping hits are all found")
        << "aaa"
        << "aa" << true << true << 0 << 0 << QStringList{"found 0", "found 1", "end 1"};
    QTest::newRow("a hit across a line break")
        << "A\r\nB"
        << "\r\nB" << true << true << 0 << 0 << QStringList{"found 1"};
    QTest::newRow("Chinese text counts one character each")
        << "\xE6\x95\xB0\xE6\x8D\xAE ab"
        << "ab" << true << true << 0 << 0 << QStringList{"found 3"};
    QTest::newRow("the first click searches from the top wherever the caret is")
        << "ab ab"
        << "ab" << true << true << 0 << 4 << QStringList{"found 0"};
}

void TestEditingRules::find()
{
    QFETCH(QString, area);
    QFETCH(QString, what);
    QFETCH(bool, matchCase);
    QFETCH(bool, downward);
    QFETCH(int, clicksBefore);
    QFETCH(int, selStart);
    QFETCH(QStringList, steps);

    FindState state;
    state.Findcount = clicksBefore;
    int sel = selStart;
    QStringList seen;
    for (int click = 0; click < steps.size(); ++click) {
        const FindStep step = findNext(state, area, {what, matchCase, downward}, sel);
        static const char *const names[] = {"nothing", "found", "end", "start"};
        seen << QStringLiteral("%1 %2")
                    .arg(QLatin1String(names[int(step.outcome)]))
                    .arg(step.selStart);
        QCOMPARE(step.selLength, int(what.size()));
        QCOMPARE(step.state.Findcount, clicksBefore + click + 1);
        state = step.state;
        sel = step.selStart;
    }
    QCOMPARE(seen, steps);
}

void TestEditingRules::findEmptyTextIsNoClick()
{
    const FindStep empty = findNext({}, u"ab ab", {QString(), true, true}, 3);
    QCOMPARE(empty.outcome, FindOutcome::NothingToFind);
    QCOMPARE(empty.state.Findcount, 0);
    // So the next real click is still the first one and starts at the top.
    const FindStep next = findNext(empty.state, u"ab ab", {QStringLiteral("ab"), true, true}, 3);
    QCOMPARE(next.outcome, FindOutcome::Found);
    QCOMPARE(next.selStart, 0);
}

void TestEditingRules::findKeepsLastfindUntilASuccess()
{
    FindState state;
    state.Lastfind = QStringLiteral("old");
    const FindStep miss = findNext(state, u"abc", {QStringLiteral("zz"), true, true}, 0);
    QCOMPARE(miss.outcome, FindOutcome::ReachedEnd);
    QCOMPARE(miss.state.Lastfind, QStringLiteral("old"));
    const FindStep hit = findNext(miss.state, u"abc", {QStringLiteral("B"), false, false}, 3);
    QCOMPARE(hit.outcome, FindOutcome::Found);
    QCOMPARE(hit.state.Lastfind, QStringLiteral("B"));
}

void TestEditingRules::findMatchesTheStatedScan()
{
    QRandomGenerator rng(4242);
    const QStringList pieces{QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"),
                             QStringLiteral(" "), QStringLiteral("\r\n"),
                             // The Kelvin sign is k only in lower case, the long s S only in
                             // upper case: the two directions fold differently.
                             QStringLiteral("\u212A"), QStringLiteral("k"),
                             QStringLiteral("\u017F"), QStringLiteral("s")};
    for (int round = 0; round < 400; ++round) {
        const QString area = randomText(rng, pieces, 16);
        FindState state;
        int sel = 0;
        for (int click = 0; click < 6; ++click) {
            const FindRequest req{randomText(rng, pieces, 3), rng.bounded(2) == 0,
                                  rng.bounded(2) == 0};
            if (rng.bounded(4) == 0)
                sel = rng.bounded(int(area.size()) + 3);
            const FindStep got = findNext(state, area, req, sel);
            const FindStep want = findByTheLetter(state, area, req, sel);
            QCOMPARE(describe(got), describe(want));
            state = got.state;
            if (got.outcome != FindOutcome::NothingToFind)
                sel = got.selStart;
        }
    }
}

QTEST_APPLESS_MAIN(TestEditingRules)
#include "tst_editingrules.moc"
