#include "platform/colors.h"
#include "mainfixture.h"

#include <QAction>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QTest>

// Typing with real key events: Enter colours the line it ends, typed text
// takes the typing colour, and the caret drives the status bar and the cut,
// copy and delete commands.
class TestTyping : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

// Colours by letter: F code, R comment, T typing; O the colour the text had
// before the keys were pressed. "." is not checked.
static const QString kLetters = QStringLiteral("FRTO");
static const QList<QColor> kColours{{10, 20, 30}, {200, 0, 0}, {0, 150, 0}, {120, 120, 0}};

void TestTyping::keys_data()
{
    QTest::addColumn<QString>("before"); // "|" ends the selection, "^" the caret
    QTest::addColumn<QString>("keys");   // {Key+Sequence}; {IM} commits "汇编" as an input method
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("colours");
    QTest::addColumn<QString>("status");
    const auto row = [](const char *name, const char *before, const QString &keys,
                        const char *after, const char *colours, const char *status) {
        QTest::newRow(name) << QString::fromUtf8(before) << keys << QString::fromUtf8(after)
                            << QString(colours) << QString::fromUtf8(status);
    };
    row("Enter at the end, then typing", "^", "MOV AX,BX ;load{Return}XY", "MOV AX,BX ;load\r\nXY",
        "FFFFFFFFFFRRRRR..TT", "行  2， 列  3");
    row("Shift+Enter is a line break as Enter is, no line separator", "MOV AX ;x^",
        "{Shift+Return}Z", "MOV AX ;x\r\nZ", "FFFFFFFRR..T", "行  2， 列  2");
    row("Enter inside the instruction leaves the comment after the caret", "MOV^ AX,BX ;load",
        "{Return}", "MOV\r\n AX,BX ;load", "FFF..OOOOOOOOOOOO", "行  2， 列  1");
    row("only the caret's line, not the one above", "NOP\r\nINC CX;x^", "{Return}Z",
        "NOP\r\nINC CX;x\r\nZ", "OOO..FFFFFFRR..T", "行  3， 列  2");
    row("a selection moves to the new line instead of being replaced", "MOV ^AX,BX|", "{Return}",
        "MOV \r\nAX,BX", "FFFF..OOOOO", "行  2， 列  1");
    row("undo takes back the line break and its colouring together", "MOV AX ;x^",
        "{Return}{Ctrl+Z}", "MOV AX ;x", "OOOOOOOOO", "行  1");
    row("moving, selecting and copying recolour nothing", "AB\r\n^CD|EF", "{Ctrl+C}{Shift+Right}",
        "AB\r\nCDEF", "OO..OOOO", "行  2， 列  1");
    row("a letter replaces the selection in the typing colour", "MOV^AX|", "z", "MOVz", "OOOT",
        "列  5");
    row("an input method's commit takes the typing colour", "DB '^", "{IM}", "DB '汇编", "OOOOTT",
        "列  7");
    row("many Enters keep the caret in view", "^", QString("{Return}").repeated(60), "", "",
        "行  61， 列  1");
    row("undo takes back a word, the caret staying at it", "^", "{Return}MOV AX,BX{Ctrl+Z}",
        "\r\nMOV", "", "行  2， 列  4");
    row("undo takes back what was typed since the caret moved", "X^", "AB{Left}{Right}CD{Ctrl+Z}",
        "XAB", "", "列  4");
    row("undo far down the text stays there", "^", QString("{Return}").repeated(60) + "MOV{Ctrl+Z}",
        "", "", "行  61， 列  1");
    row("Ctrl+S saves and colours nothing", "MOV^AX|", "{Ctrl+S}", "MOVAX", "OOOOO", "列  4");
}

void TestTyping::keys()
{
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QFETCH(QString, colours);
    QFETCH(QString, status);
    MainFixture f;
    f.main->colours().Fcolor = fromQColor(kColours[0]);
    f.main->colours().Remcolor = fromQColor(kColours[1]);
    f.main->colours().Currentfcolor = fromQColor(kColours[2]);
    RichText *rt = f.text();
    const int caret = int(before.indexOf(u'^'));
    const int end = int(before.indexOf(u'|'));
    rt->setText(QString(before).remove(u'^').remove(u'|'));
    rt->colorRanges({{0, rt->textLength()}}, kColours[3]);
    rt->setSelStart(caret);
    rt->setSelLength(end < 0 ? 0 : end - caret - 1);
    // Menu shortcuts reach only the active window.
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    if (keys == u"{IM}") {
        // Composition first shows the pinyin, then commits the characters.
        QInputMethodEvent compose(QStringLiteral("huibian"), {}), commit;
        QCoreApplication::sendEvent(rt, &compose);
        commit.setCommitString(QStringLiteral("汇编"));
        QCoreApplication::sendEvent(rt, &commit);
    }
    // A plain character is typed with one key event, {Shift+Up} as a sequence.
    for (qsizetype i = 0; keys != u"{IM}" && i < keys.size(); ++i) {
        if (keys[i] != u'{') {
            QTest::keyClicks(rt, QString(keys[i]));
            continue;
        }
        const qsizetype close = keys.indexOf(u'}', i);
        const QKeyCombination key = QKeySequence(keys.mid(i + 1, close - i - 1))[0];
        QTest::keyClick(rt, key.key(), key.keyboardModifiers());
        i = close;
    }
    QString seen = after.isEmpty() ? after : rt->text() + u' ';
    for (int i = 0; i < colours.size(); ++i) {
        const qsizetype k = kColours.indexOf(charColor(rt, i));
        seen += colours[i] == u'.' ? u'.' : k < 0 ? u'?' : kLetters[k];
    }
    QCOMPARE(seen, after.isEmpty() ? colours : after + u' ' + colours);
    QVERIFY2(f.doc()->statusText().contains(status), qPrintable(f.doc()->statusText()));
    QVERIFY(rt->viewport()->rect().contains(rt->cursorRect()));
    // The six menu items and three buttons are on exactly while text is selected.
    for (const QString name :
         {"mnudelete", "mnuEditCopy", "mnuEditCut", "popcopy", "popcut", "popdelete"})
        QCOMPARE(f.main->action(name)->isEnabled(), rt->selLength() > 0);
    for (const QString name : {"复制", "剪切", "删除"})
        QCOMPARE(f.main->button(name)->isEnabled(), rt->selLength() > 0);
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"
