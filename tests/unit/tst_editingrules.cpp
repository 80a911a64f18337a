#include "editing/casetext.h"
#include "editing/entercolouring.h"
#include "editing/findscan.h"
#include "editing/indenttext.h"
#include "editing/numericinput.h"

#include <QRandomGenerator>
#include <QTest>

#include <array>
#include <limits>

namespace {

// An empty comment range only says that there is nothing to colour; where it sits is free.
QString describe(const EnterColouring &r)
{
    return QStringLiteral("code %1+%2, ").arg(r.code.start).arg(r.code.length) +
           (r.comment.length == 0
                ? QStringLiteral("no comment")
                : QStringLiteral("comment %1+%2").arg(r.comment.start).arg(r.comment.length));
}

// The Enter rule as the editor calls it: on the caret's CR LF block, at the block's offset.
EnterColouring enterOnBlock(const QString &text, int caret)
{
    const qsizetype before = text.left(caret).lastIndexOf(QStringLiteral("\r\n"));
    const int start = before < 0 ? 0 : int(before) + 2;
    const qsizetype end = text.indexOf(QStringLiteral("\r\n"), start);
    return enterColouring(QStringView(text).sliced(start, (end < 0 ? text.size() : end) - start),
                          start, caret);
}

// The Enter rule as the program states it, over the whole text: the line starts after the last
// line feed at or before the caret, and its code runs to the first semicolon before the caret.
EnterColouring enterByTheLetter(const QString &text, int caret)
{
    const int start = int(text.left(caret + 1).lastIndexOf(QLatin1Char('\n'))) + 1;
    const int semicolon = int(text.indexOf(QLatin1Char(';'), start));
    if (semicolon < 0 || semicolon >= caret)
        return {{start, std::max(caret - start, 0)}, {}};
    return {{start, semicolon - start}, {semicolon, caret - semicolon}};
}

QString randomText(QRandomGenerator &rng, const QStringList &pieces, int maxPieces)
{
    QString t;
    for (int i = rng.bounded(maxPieces + 1); i > 0; --i)
        t += pieces[rng.bounded(int(pieces.size()))];
    return t;
}

// The find step as the program states it: a Mid-style comparison at every 1-based position,
// folded to upper case downward and to lower case upward, with no shortcuts.
FindStep findByTheLetter(const FindState &st, const QString &area, const FindRequest &req, int sel)
{
    FindStep step{st, FindOutcome::NothingToFind, sel, 0};
    if (req.text.isEmpty())
        return step;
    const bool down = req.downward;
    const auto fold = [&](const QString &x) {
        return req.matchCase ? x : down ? x.toUpper() : x.toLower();
    };
    const int length = int(req.text.size());
    const int last = int(area.size()) + 1 - length;
    int &pos = step.state.Findpos;
    pos = ++step.state.Findcount == 1 ? (down ? 1 : last) : (down ? sel + 2 : sel);
    while ((down ? pos <= last : pos >= 1) && fold(area.mid(pos - 1, length)) != fold(req.text))
        pos += down ? 1 : -1;
    step.selLength = length;
    step.outcome = down ? FindOutcome::ReachedEnd : FindOutcome::ReachedStart;
    if (down ? pos <= last : pos >= 1) {
        step.outcome = FindOutcome::Found;
        step.selStart = pos - 1;
        step.state.Lastfind = req.text;
    }
    return step;
}

// "found 4": the outcome of a click and the selection start it leaves; in full, all it changes.
QString describe(const FindStep &step, bool full = true)
{
    static const char *const names[] = {"nothing", "found", "end", "start"};
    const QString outcome =
        QLatin1String(names[int(step.outcome)]) + QLatin1Char(' ') + QString::number(step.selStart);
    if (!full)
        return outcome;
    return outcome + QStringLiteral("+%1 pos %2 count %3 last '%4'")
                         .arg(step.selLength)
                         .arg(step.state.Findpos)
                         .arg(step.state.Findcount)
                         .arg(step.state.Lastfind);
}

void enterRow(const char *name, const char *text, int caret, TextRange code, TextRange comment,
              bool asBlock = true)
{
    QTest::newRow(name) << QString::fromUtf8(text) << caret << code << comment << asBlock;
}

void indentRow(const char *name, const char *text, bool b, int width, const char *expected)
{
    QTest::newRow(name) << QString::fromUtf8(text) << b << width << QString::fromUtf8(expected);
}

void findRow(const char *name, const char *area, const char *what, bool matchCase, bool downward,
             int clicksBefore, int selStart, const QStringList &steps)
{
    QTest::newRow(name) << QString::fromUtf8(area) << QString::fromUtf8(what) << matchCase
                        << downward << clicksBefore << selStart << steps;
}

const char *const refused = "(refused)";

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
    void indentLimit();
    void indentThenUnindentRestores();

    void caseAlternates();

    void numericPrefix_data();
    void numericPrefix();
    void answers_data();
    void answers();

    void find_data();
    void find();
    void findMatchesTheStatedScan();
};

void TestEditingRules::enter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<TextRange>("code");
    QTest::addColumn<TextRange>("comment");
    QTest::addColumn<bool>("asBlock"); // the caret can sit where the editor puts it

    enterRow("end of a line with a comment", "MOV AX,BX ;load", 15, {0, 10}, {10, 5});
    enterRow("middle of an instruction, comment after the caret", "MOV AX,BX ;load", 5, {0, 5}, {});
    enterRow("caret right after a semicolon", "NOP ;", 5, {0, 4}, {4, 1});
    enterRow("caret right before a semicolon colours no comment", "NOP ;x", 4, {0, 4}, {});
    enterRow("the first of two semicolons starts the comment", "A;b;c", 5, {0, 1}, {1, 4});
    enterRow("a middle line starts after its line break", "A\r\nB ;c\r\nD", 7, {3, 2}, {5, 2});
    enterRow("a comment on the line above is not this line's", ";x\r\nMOV", 7, {4, 3}, {});
    enterRow("start of a non-empty line colours nothing", "A\r\nB;c", 3, {3, 0}, {});
    enterRow("empty document", "", 0, {0, 0}, {});
    enterRow("full-width semicolon is code, Chinese count one each", "数；b ;注", 6, {0, 4},
             {4, 2});
    enterRow("caret between CR and LF belongs to the next line", "AB;\r\nC", 4, {5, 0}, {}, false);
    enterRow("a lone CR does not end the line", "A;\rB", 4, {0, 1}, {1, 3}, false);
    enterRow("a lone LF ends the line", "A;\nB", 4, {3, 1}, {}, false);
}

void TestEditingRules::enter()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(TextRange, code);
    QFETCH(TextRange, comment);
    QFETCH(bool, asBlock);
    const QString expected = describe(EnterColouring{code, comment});
    QCOMPARE(describe(enterColouring(text, 0, caret)), expected);
    if (asBlock)
        QCOMPARE(describe(enterOnBlock(text, caret)), expected);
}

void TestEditingRules::enterMatchesWholeTextRule()
{
    QRandomGenerator rng(20240604);
    const QStringList anyPieces{"a", " ", ";", "\r\n", "\r", "\n", "数"};
    const QStringList linePieces{"a", " ", ";", "\r\n"};
    for (int round = 0; round < 2000; ++round) {
        const bool editorText = round % 2 == 0;
        const QString text = randomText(rng, editorText ? linePieces : anyPieces, 24);
        const int caret = rng.bounded(int(text.size()) + 1);
        const QString at = QString(text).replace('\r', "<CR>").replace('\n', "<LF>") + " at " +
                           QString::number(caret) + ": ";
        const QString expected = at + describe(enterByTheLetter(text, caret));
        QCOMPARE(at + describe(enterColouring(text, 0, caret)), expected);
        // The editor never leaves the caret between CR and LF.
        if (editorText && !text.left(caret).endsWith(QLatin1Char('\r')))
            QCOMPARE(at + describe(enterOnBlock(text, caret)), expected);
    }
}

void TestEditingRules::indent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("b");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");

    indentRow("every line gains the width, leading spaces kept", "A\r\n B", true, 2, "  A\r\n   B");
    indentRow("empty lines and the line after a final break", "A\r\n\r\n", true, 2,
              "  A\r\n  \r\n  ");
    indentRow("empty document becomes the width in spaces", "", true, 3, "   ");
    indentRow("width 0 changes nothing", "A\r\nB", true, 0, "A\r\nB");
    indentRow("a lone LF starts a line, a lone CR does not", "A\nB\rC", true, 1, " A\n B\rC");
    indentRow("negative width is refused", "A", true, -1, refused);
    indentRow("un-indent removes every leading space, not the width", "   A\r\n  B\n C", false, 2,
              "A\r\nB\nC");
    indentRow("un-indent keeps tabs and inner and trailing spaces", "\t A B \r\n \tC", false, 8,
              "\t A B \r\n\tC");
    indentRow("un-indent empties lines of spaces only", "   \r\nA\r\n  ", false, 8, "\r\nA\r\n");
    indentRow("un-indent of the empty document", "", false, 8, "");
    indentRow("un-indent ignores a negative width", "  A", false, -1, "A");
}

void TestEditingRules::indent()
{
    QFETCH(QString, text);
    QFETCH(bool, b);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(indentText(text, b, width).value_or(refused), expected);
}

void TestEditingRules::indentLimit()
{
    // 500 lines of 2 + 998 characters in all, each gaining the width: exactly 16 million.
    const QString lines = QStringLiteral("ab") + QStringLiteral("\r\n").repeated(499);
    QCOMPARE(indentText(lines, true, 31998).value_or(QString()).size(), kMaxIndentedLength);
    QVERIFY(!indentText(lines + 'c', true, 31998)); // one character more
    // The largest width on many lines does not overflow the count.
    QVERIFY(!indentText(QStringLiteral("\n").repeated(70000), true, 32767));
    // Taking spaces away never grows a text, so un-indenting it is never refused.
    QVERIFY(indentText(lines + 'c', false, 31998));
}

void TestEditingRules::indentThenUnindentRestores()
{
    QRandomGenerator rng(77);
    const QStringList pieces{"a", " ", "\t", ";", "\r\n"};
    for (int round = 0; round < 800; ++round) {
        // Only lines that start without a space come back as they were.
        const QString text = indentText(randomText(rng, pieces, 30), false, 0).value();
        const int width = std::array{8, 1, 0, 300}[round % 4];
        QCOMPARE(indentText(indentText(text, true, width).value(), false, width).value(), text);
    }
}

// Lower case first, then upper, then lower again, with the caption naming the next style;
// strings and comments change alike, characters without case and line breaks stay.
void TestEditingRules::caseAlternates()
{
    const QString lower = QStringLiteral("msg db 'hi',0 ;greet\r\n数据；１２");
    const QString upper = QStringLiteral("MSG DB 'HI',0 ;GREET\r\n数据；１２");
    QCOMPARE(upLowCaption(false), QStringLiteral("小写风格"));
    CaseConversion step{false, QStringLiteral("Msg DB 'Hi',0 ;Greet\r\n数据；１２"), {}};
    for (const QString &expected : {lower, upper, lower}) {
        step = convertCase(step.text, step.Lowerstyle);
        QCOMPARE(step.text, expected);
        QCOMPARE(step.Lowerstyle, expected == lower);
        QCOMPARE(step.caption,
                 expected == lower ? QStringLiteral("大写风格") : QStringLiteral("小写风格"));
    }
}

void TestEditingRules::numericPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("empty is 0") << "" << 0.0;
    QTest::newRow("leading zeros") << "0008" << 8.0;
    QTest::newRow("leading minus") << "-14" << -14.0;
    QTest::newRow("fraction without whole part") << ".5" << 0.5;
    QTest::newRow("point without fraction") << "5." << 5.0;
    QTest::newRow("second point ends the number") << "1.2.3" << 1.2;
    QTest::newRow("double sign") << "--3" << 0.0;
    QTest::newRow("comma ends the number, whatever the locale") << "1,5" << 1.0;
    QTest::newRow("hexadecimal prefix is a 0 and a letter") << "0x10" << 0.0;
    QTest::newRow("negative exponent, upper-case E") << "25E-1" << 2.5;
    QTest::newRow("e without digits is a letter") << "2em" << 2.0;
    QTest::newRow("e with a sign but no digits is a letter") << "2e+" << 2.0;
    QTest::newRow("full-width digits are no digits") << "１２" << 0.0;
    QTest::newRow("too large is infinite") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("too small is 0") << "1e-999" << 0.0;
}

void TestEditingRules::numericPrefix()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::numericPrefix(text), value);
}

// The two input boxes read the same answers differently: the font size takes the leading number
// of any answer, the indent width only an answer that is all number.
void TestEditingRules::answers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("fontSize"); // 0: refused, the size stays
    QTest::addColumn<int>("indentWidth"); // -1: refused, the width stays

    QTest::newRow("empty answer or Cancel: size 9, no width") << "" << 9.0 << -1;
    QTest::newRow("spaces only: size 9, no width") << "   " << 9.0 << -1;
    QTest::newRow("minus fourteen: size 14, negative width") << "-14" << 14.0 << -1;
    QTest::newRow("spaces around trimmed, plus sign read") << " +12 " << 12.0 << 12;
    QTest::newRow("letters after the number: size only") << "  72pt  " << 72.0 << -1;
    QTest::newRow("a tab is not a space, so no number leads") << "\t12" << 0.0 << -1;
    QTest::newRow("letters only") << "eight" << 0.0 << -1;
    QTest::newRow("smallest size") << "1" << 1.0 << 1;
    QTest::newRow("fraction stays in the size, rounds in the width") << "27e-1" << 2.7 << 3;
    QTest::newRow("half goes down to even") << "10.5" << 10.5 << 10;
    QTest::newRow("half goes up to even") << "3.5" << 3.5 << 4;
    QTest::newRow("below 1, half of one rounds to 0") << "0.5" << 0.0 << 0;
    QTest::newRow("small negative rounds to width 0") << "-0.4" << 0.0 << 0;
    QTest::newRow("rounding to width -1 refused") << "-0.6" << 0.0 << -1;
    QTest::newRow("largest size") << "1638" << 1638.0 << 1638;
    QTest::newRow("just over the largest size") << "1638.5" << 0.0 << 1638;
    QTest::newRow("largest 16-bit width") << "32767" << 0.0 << 32767;
    QTest::newRow("rounding past the 16-bit range") << "32767.5" << 0.0 << -1;
    QTest::newRow("far too large for either") << "1e999" << 0.0 << -1;
}

void TestEditingRules::answers()
{
    QFETCH(QString, answer);
    QFETCH(double, fontSize);
    QFETCH(int, indentWidth);
    QCOMPARE(fontSizeFromAnswer(answer).value_or(0), fontSize);
    QCOMPARE(indentWidthFromAnswer(answer).value_or(-1), indentWidth);
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

    findRow("downward from the top, hit by hit, then the end repeats", "ab  ab", "ab", true, true,
            0, 3, {"found 0", "found 4", "end 4", "end 4"});
    findRow("upward from the bottom, then the start", "ab  ab", "ab", true, false, 0, 0,
            {"found 4", "found 0", "start 0"});
    findRow("the first click starts at the top, not at the caret", "ab ab", "ab", true, true, 0, 4,
            {"found 0"});
    findRow("an empty text is no click", "ab ab", "", true, true, 0, 3, {"nothing 3"});
    findRow("match case misses lower-case mov", "mov ax,1", "MOV", true, true, 0, 0, {"end 0"});
    findRow("ignore case finds lower-case mov", "mov ax,1", "MOV", false, true, 0, 0, {"found 0"});
    findRow("ignore case finds upper-case MOV upward", "x MOV", "mov", false, false, 0, 0,
            {"found 2", "start 2"});
    findRow("text longer than the document, downward", "ab", "abc", true, true, 0, 0, {"end 0"});
    findRow("text longer than the document, upward", "ab", "abc", true, false, 0, 1, {"start 1"});
    findRow("a hit right at the caret is skipped downward", "ab ab", "ab", true, true, 1, 0,
            {"found 3", "end 3"});
    findRow("upward finds only hits before the caret", "ab ab", "ab", true, false, 1, 3,
            {"found 0", "start 0"});
    findRow("upward from past the end of a shorter copy", "ab", "ab", true, false, 1, 40,
            {"found 0"});
    findRow("overlapping hits are all found", "aaa", "aa", true, true, 0, 0,
            {"found 0", "found 1", "end 1"});
    findRow("across a line break, Chinese count one each", "数据\r\nB", "\r\nB", true, true, 0, 0,
            {"found 2"});
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

    FindState state{QStringLiteral("old"), clicksBefore, 0};
    int sel = selStart;
    QStringList seen;
    for (int click = 0; click < steps.size(); ++click) {
        const FindStep step = findNext(state, area, {what, matchCase, downward}, sel);
        seen << describe(step, false);
        QCOMPARE(step.selLength, int(what.size()));
        QCOMPARE(step.state.Findcount, clicksBefore + (what.isEmpty() ? 0 : click + 1));
        // Only a success changes the text the dialog shows when it is reopened.
        QCOMPARE(step.state.Lastfind, step.outcome == FindOutcome::Found ? what : state.Lastfind);
        state = step.state;
        sel = step.selStart;
    }
    QCOMPARE(seen, steps);
}

void TestEditingRules::findMatchesTheStatedScan()
{
    QRandomGenerator rng(4242);
    // The Kelvin sign is k only in lower case, the long s S only in upper case: the two
    // directions fold differently.
    const QStringList pieces{"a", "A", "b", " ", "\r\n", "\u212A", "k", "\u017F", "s"};
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
            QCOMPARE(describe(got), describe(findByTheLetter(state, area, req, sel)));
            state = got.state;
            if (got.outcome != FindOutcome::NothingToFind)
                sel = got.selStart;
        }
    }
}

QTEST_APPLESS_MAIN(TestEditingRules)
#include "tst_editingrules.moc"
