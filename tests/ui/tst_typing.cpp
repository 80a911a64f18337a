#include "app/colors.h"
#include "mainfixture.h"

#include <QAction>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QTest>

// Typing in a document with real key events: Enter colours the line it ends,
// typed text takes the typing colour, and the selection drives the status bar
// and the cut, copy and delete commands.
class TestTyping : public QObject
{
    Q_OBJECT
private slots:
    void keysColourTheText_data();
    void keysColourTheText();
    void inputMethodCommitTakesTypingColour();
    void enterKeepsTheCaretInView();
    void caretAndSelection_data();
    void caretAndSelection();
};

namespace {

// Colours a row speaks of by letter: F code, R comment, T typing; O and P are
// colours the text had before the keys were pressed. "." is not checked.
const QString kLetters = QStringLiteral("FRTOP");
const QList<QColor> kColours{{10, 20, 30}, {200, 0, 0}, {0, 150, 0}, {120, 120, 0}, {0, 120, 120}};

// A document whose text is painted as the map says, with the row's colours set.
RichText *paintedText(MainFixture &f, const QString &text, const QString &map)
{
    f.main->Fcolor = fromQColor(kColours[0]);
    f.main->Remcolor = fromQColor(kColours[1]);
    f.main->Currentfcolor = fromQColor(kColours[2]);
    RichText *rt = f.text();
    rt->setText(text);
    for (int i = 0; i < map.size(); ++i) {
        if (map[i] != u'.')
            rt->colorRanges({{i, 1}}, kColours[kLetters.indexOf(map[i])]);
    }
    return rt;
}

QString mapOf(RichText *rt, const QString &expected)
{
    QString seen;
    for (int i = 0; i < expected.size(); ++i) {
        const qsizetype k = kColours.indexOf(charColor(rt, i));
        seen += expected[i] == u'.' ? u'.' : k < 0 ? u'?' : kLetters[k];
    }
    return seen;
}

// Presses keys as written: a plain character is typed with one key event;
// {Shift+Right} presses the key sequence inside the braces.
void press(QWidget *w, const QString &keys)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] != u'{') {
            QTest::keyClicks(w, QString(keys[i]));
            continue;
        }
        const qsizetype close = keys.indexOf(u'}', i);
        const QKeyCombination key = QKeySequence(keys.mid(i + 1, close - i - 1))[0];
        QTest::keyClick(w, key.key(), key.keyboardModifiers());
        i = close;
    }
}

} // namespace

void TestTyping::keysColourTheText_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("paint");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("colours");

    QTest::newRow("instruction and comment, Enter at the end, then typing")
        << ""
        << "" << 0 << 0 << "MOV AX,BX ;load{Return}XY"
        << "MOV AX,BX ;load\r\nXY"
        << "FFFFFFFFFFRRRRR..TT";
    QTest::newRow("Enter inside the instruction leaves the comment after the caret alone")
        << "MOV AX,BX ;load"
        << "OOOOOOOOOOPPPPP" << 3 << 0 << "{Return}"
        << "MOV\r\n AX,BX ;load"
        << "FFF..OOOOOOOPPPPP";
    QTest::newRow("only the caret's line, not the one above")
        << "NOP\r\nINC CX;x"
        << "OOO..OOOOOOOO" << 13 << 0 << "{Return}Z"
        << "NOP\r\nINC CX;x\r\nZ"
        << "OOO..FFFFFFRR..T";
    QTest::newRow("a selection moves to the new line instead of being replaced")
        << "MOV AX,BX"
        << "OOOOOOOOO" << 4 << 5 << "{Return}"
        << "MOV \r\nAX,BX"
        << "FFFF..OOOOO";
    QTest::newRow("undo takes back the line break and its colouring together")
        << "MOV AX ;x"
        << "OOOOOOOPP" << 9 << 0 << "{Return}{Ctrl+Z}"
        << "MOV AX ;x"
        << "OOOOOOOPP";
    // On "MOV AX" with "AX" selected.
    QTest::newRow("Shift+Right only extends the selection") << "MOV AX"
                                                            << "OOOOOO" << 3 << 3 << "{Shift+Right}"
                                                            << "MOV AX"
                                                            << "OOOOOO";
    QTest::newRow("Ctrl+C copies the selection without recolouring it")
        << "MOV AX"
        << "OOOOOO" << 3 << 3 << "{Ctrl+C}"
        << "MOV AX"
        << "OOOOOO";
    QTest::newRow("a letter replaces the selection in the typing colour")
        << "MOV AX"
        << "OOOOOO" << 3 << 3 << "z"
        << "MOVz"
        << "OOOT";
}

void TestTyping::keysColourTheText()
{
    QFETCH(QString, before);
    QFETCH(QString, paint);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QFETCH(QString, colours);

    MainFixture f;
    RichText *rt = paintedText(f, before, paint);
    rt->setSelStart(selStart);
    rt->setSelLength(selLength);
    press(rt, keys);
    QCOMPARE(rt->text(), after);
    QCOMPARE(mapOf(rt, colours), colours);
}

void TestTyping::inputMethodCommitTakesTypingColour()
{
    MainFixture f;
    RichText *rt = paintedText(f, QStringLiteral("DB '"), QStringLiteral("OOOO"));
    rt->setSelStart(4);
    // Composition first shows the pinyin, then commits the characters.
    QInputMethodEvent compose(QStringLiteral("huibian"), {});
    QCoreApplication::sendEvent(rt, &compose);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("汇编"));
    QCoreApplication::sendEvent(rt, &commit);
    QCOMPARE(rt->text(), QStringLiteral("DB '汇编"));
    QCOMPARE(mapOf(rt, QStringLiteral("OOOOTT")), QStringLiteral("OOOOTT"));
}

void TestTyping::enterKeepsTheCaretInView()
{
    MainFixture f;
    RichText *rt = f.text();
    rt->setText(QStringLiteral("NOP ;x\r\n").repeated(300));
    rt->setSelStart(rt->textLength());
    press(rt, QStringLiteral("{Return}").repeated(40));
    QVERIFY(rt->viewport()->rect().contains(rt->cursorRect()));
}

void TestTyping::caretAndSelection_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("status"); // empty: not checked
    QTest::addColumn<bool>("selected");
    // On "AB\r\nCDEF\r\n\r\nG" with the caret at the start.
    QTest::newRow("Down and End move the status") << "{Down}{End}"
                                                  << "当前位置 ：     行  2， 列  5" << false;
    QTest::newRow("typing then Enter") << "x{Return}"
                                       << "当前位置 ：     行  2， 列  1" << false;
    QTest::newRow("Shift+Down selects: the nine on, the status at the selection's start")
        << "{Right}{Shift+Down}"
        << "当前位置 ：     行  1， 列  2" << true;
    QTest::newRow("Ctrl+A selects everything") << "{Ctrl+A}"
                                               << "当前位置 ：     行  1， 列  1" << true;
    QTest::newRow("a selection collapsed by Right turns the nine off") << "{Shift+End}{Right}"
                                                                       << "" << false;
}

void TestTyping::caretAndSelection()
{
    QFETCH(QString, keys);
    QFETCH(QString, status);
    QFETCH(bool, selected);
    MainFixture f;
    RichText *rt = f.text();
    rt->setText(QStringLiteral("AB\r\nCDEF\r\n\r\nG"));
    rt->setSelStart(0);
    // The six menu items and three buttons, on or off together.
    auto states = [&] {
        QString s;
        for (const char *n :
             {"mnudelete", "mnuEditCopy", "mnuEditCut", "popcopy", "popcut", "popdelete"})
            s += f.main->action(QString::fromLatin1(n))->isEnabled() ? u'1' : u'0';
        for (const char *k : {"复制", "剪切", "删除"})
            s += f.main->button(QString::fromUtf8(k))->isEnabled() ? u'1' : u'0';
        return s;
    };
    QCOMPARE(states(), QStringLiteral("000000000"));
    press(rt, keys);
    QCOMPARE(rt->selLength() > 0, selected);
    QCOMPARE(states(), QString(9, selected ? u'1' : u'0'));
    if (!status.isEmpty())
        QCOMPARE(f.doc()->statusText(), status);
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"
