#include "app/colors.h"
#include "mainfixture.h"

#include <QAction>
#include <QInputMethodEvent>
#include <QTest>
#include <QTextCursor>

// Typing in a document with real key events: Enter colours the line it ends,
// typed text takes the typing colour, and the selection drives the status bar
// and the cut, copy and delete commands.
class TestTyping : public QObject
{
    Q_OBJECT
private slots:
    void enterColoursTheLineItEnds_data();
    void enterColoursTheLineItEnds();
    void keysThatTypeNothingKeepColours_data();
    void keysThatTypeNothingKeepColours();
    void inputMethodCommitTakesTypingColour();
    void enterKeepsTheCaretInView();
    void undoTakesBackEnterWithItsColouring();
    void selectionEnablesTheNineCommands_data();
    void selectionEnablesTheNineCommands();
    void statusBarFollowsTheCaret_data();
    void statusBarFollowsTheCaret();
};

namespace {

// Colours a row speaks of by letter: F code, R comment, T typing; O and P are
// colours the text had before the keys were pressed. "." is not checked.
const QColor kCode(10, 20, 30);
const QColor kComment(200, 0, 0);
const QColor kTyping(0, 150, 0);
const QColor kOld(120, 120, 0);
const QColor kOlder(0, 120, 120);

QColor colourOf(QChar letter)
{
    switch (letter.unicode()) {
    case 'F':
        return kCode;
    case 'R':
        return kComment;
    case 'T':
        return kTyping;
    case 'O':
        return kOld;
    case 'P':
        return kOlder;
    default:
        return {};
    }
}

void setColours(frmMain *main)
{
    main->Fcolor = fromQColor(kCode);
    main->Remcolor = fromQColor(kComment);
    main->Currentfcolor = fromQColor(kTyping);
}

// The text with every character painted as the map says.
void paintText(RichText *rt, const QString &text, const QString &map)
{
    rt->setText(text);
    for (int i = 0; i < map.size(); ++i) {
        if (map[i] != QLatin1Char('.'))
            rt->colorRanges({{i, 1}}, colourOf(map[i]));
    }
}

QString mapOf(RichText *rt, const QString &expected)
{
    QString seen;
    for (int i = 0; i < expected.size(); ++i) {
        if (expected[i] == QLatin1Char('.')) {
            seen += QLatin1Char('.');
            continue;
        }
        const QColor c = charColor(rt, i);
        QChar letter = QLatin1Char('?');
        for (char l : {'F', 'R', 'T', 'O', 'P'}) {
            if (colourOf(QLatin1Char(l)) == c)
                letter = QLatin1Char(l);
        }
        seen += letter;
    }
    return seen;
}

// Types the text with one key event per character; "\n" presses Enter.
void type(QWidget *w, const QString &keys)
{
    for (QChar ch : keys) {
        if (ch == QLatin1Char('\n'))
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::keyClicks(w, QString(ch));
    }
}

} // namespace

void TestTyping::enterColoursTheLineItEnds_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("paint");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("colours");

    QTest::newRow("instruction and comment, Enter at the end")
        << ""
        << "" << 0 << 0 << "MOV AX,BX ;load\nXY"
        << "MOV AX,BX ;load\r\nXY"
        << "FFFFFFFFFFRRRRR..TT";
    QTest::newRow("Enter inside the instruction leaves the comment after the caret alone")
        << "MOV AX,BX ;load"
        << "OOOOOOOOOOPPPPP" << 3 << 0 << "\n"
        << "MOV\r\n AX,BX ;load"
        << "FFF..OOOOOOOPPPPP";
    QTest::newRow("caret right after a semicolon") << "ADD AX,1 ;"
                                                   << "OOOOOOOOOO" << 10 << 0 << "\n"
                                                   << "ADD AX,1 ;\r\n"
                                                   << "FFFFFFFFFR..";
    QTest::newRow("only the caret's line, not the one above") << "NOP\r\nINC CX;x"
                                                              << "OOO..OOOOOOOO" << 13 << 0 << "\nZ"
                                                              << "NOP\r\nINC CX;x\r\nZ"
                                                              << "OOO..FFFFFFRR..T";
    QTest::newRow("first line starts at offset 0") << "JMP L1\r\nNOP"
                                                   << "OOOOOO..OOO" << 6 << 0 << "\n"
                                                   << "JMP L1\r\n\r\nNOP"
                                                   << "FFFFFF....OOO";
    QTest::newRow("empty line colours nothing but what is typed") << "NOP\r\n\r\nNOP"
                                                                  << "OOO....OOO" << 5 << 0 << "\nQ"
                                                                  << "NOP\r\n\r\nQ\r\nNOP"
                                                                  << "OOO....T..OOO";
    QTest::newRow("semicolon after the caret is no comment yet") << "MOV AX,1;c"
                                                                 << "OOOOOOOOPP" << 6 << 0 << "\n"
                                                                 << "MOV AX\r\n,1;c"
                                                                 << "FFFFFF..OOPP";
    QTest::newRow("a selection moves to the new line instead of being replaced")
        << "MOV AX,BX"
        << "OOOOOOOOO" << 4 << 5 << "\n"
        << "MOV \r\nAX,BX"
        << "FFFF..OOOOO";
    QTest::newRow("typed text takes the typing colour before any Enter") << "NOP"
                                                                         << "OOO" << 3 << 0 << " ;x"
                                                                         << "NOP ;x"
                                                                         << "OOOTTT";
}

void TestTyping::enterColoursTheLineItEnds()
{
    QFETCH(QString, before);
    QFETCH(QString, paint);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QFETCH(QString, colours);

    MainFixture f;
    setColours(f.main.get());
    RichText *rt = f.text();
    paintText(rt, before, paint);
    rt->setSelStart(selStart);
    rt->setSelLength(selLength);
    type(rt, keys);
    QCOMPARE(rt->text(), after);
    QCOMPARE(mapOf(rt, colours), colours);
}

void TestTyping::keysThatTypeNothingKeepColours_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("colours");

    QTest::newRow("Shift+Right extends the selection only")
        << int(Qt::Key_Right) << int(Qt::ShiftModifier) << "MOV AX"
        << "OOOOOO";
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "MOV AX"
                                 << "OOOOOO";
    QTest::newRow("Ctrl+C copies the text in its own colours")
        << int(Qt::Key_C) << int(Qt::ControlModifier) << "MOV AX"
        << "OOOOOO";
    QTest::newRow("a letter replaces the selection in the typing colour")
        << int(Qt::Key_Z) << 0 << "MOVz"
        << "OOOT";
    QTest::newRow("Backspace removes the selection") << int(Qt::Key_Backspace) << 0 << "MOV"
                                                     << "OOO";
}

void TestTyping::keysThatTypeNothingKeepColours()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, after);
    QFETCH(QString, colours);

    MainFixture f;
    setColours(f.main.get());
    RichText *rt = f.text();
    paintText(rt, QStringLiteral("MOV AX"), QStringLiteral("OOOOOO"));
    rt->setSelStart(3);
    rt->setSelLength(3);
    QTest::keyClick(rt, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(rt->text(), after);
    QCOMPARE(mapOf(rt, colours), colours);
}

void TestTyping::inputMethodCommitTakesTypingColour()
{
    MainFixture f;
    setColours(f.main.get());
    RichText *rt = f.text();
    paintText(rt, QStringLiteral("DB '"), QStringLiteral("OOOO"));
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
    QString many;
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("NOP ;%1\r\n").arg(i);
    rt->setText(many);
    rt->setSelStart(rt->textLength());
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(rt, Qt::Key_Return);
    QVERIFY(rt->viewport()->rect().contains(rt->cursorRect()));
}

void TestTyping::undoTakesBackEnterWithItsColouring()
{
    MainFixture f;
    setColours(f.main.get());
    RichText *rt = f.text();
    paintText(rt, QStringLiteral("MOV AX ;x"), QStringLiteral("OOOOOOOPP"));
    rt->setSelStart(9);
    QTest::keyClick(rt, Qt::Key_Return);
    QCOMPARE(mapOf(rt, QStringLiteral("FFFFFFFRR")), QStringLiteral("FFFFFFFRR"));
    QTest::keyClick(rt, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rt->text(), QStringLiteral("MOV AX ;x"));
    QCOMPARE(mapOf(rt, QStringLiteral("OOOOOOOPP")), QStringLiteral("OOOOOOOPP"));
}

void TestTyping::selectionEnablesTheNineCommands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Shift+Right") << int(Qt::Key_Right) << int(Qt::ShiftModifier);
    QTest::newRow("Shift+Down") << int(Qt::Key_Down) << int(Qt::ShiftModifier);
    QTest::newRow("Shift+End") << int(Qt::Key_End) << int(Qt::ShiftModifier);
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier);
}

void TestTyping::selectionEnablesTheNineCommands()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    MainFixture f;
    const QStringList items = {"mnudelete", "mnuEditCopy", "mnuEditCut",
                               "popcopy",   "popcut",      "popdelete"};
    const QStringList buttons = {"复制", "剪切", "删除"};
    auto states = [&] {
        QString s;
        for (const QString &n : items)
            s += f.main->action(n)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        for (const QString &k : buttons)
            s += f.main->button(k)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    f.text()->setSelStart(0);
    QCOMPARE(states(), QStringLiteral("000000000"));
    QTest::keyClick(f.text(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(f.text()->selLength() > 0);
    QCOMPARE(states(), QStringLiteral("111111111"));
    QTest::keyClick(f.text(), Qt::Key_Right);
    QCOMPARE(f.text()->selLength(), 0);
    QCOMPARE(states(), QStringLiteral("000000000"));
}

void TestTyping::statusBarFollowsTheCaret_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("status");
    // On "AB\r\nCDEF\r\n\r\nG" with the caret at the start.
    QTest::newRow("Down") << "D"
                          << "当前位置 ：     行  2， 列  1";
    QTest::newRow("Down, End") << "DE"
                               << "当前位置 ：     行  2， 列  5";
    QTest::newRow("Right twice, Down") << "RRD"
                                       << "当前位置 ：     行  2， 列  3";
    QTest::newRow("Down three times") << "DDD"
                                      << "当前位置 ：     行  4， 列  1";
    QTest::newRow("End, Right wraps to the next line") << "ER"
                                                       << "当前位置 ：     行  2， 列  1";
    QTest::newRow("typing then Enter") << "xn"
                                       << "当前位置 ：     行  2， 列  1";
    QTest::newRow("selection reports its start") << "RS"
                                                 << "当前位置 ：     行  1， 列  2";
}

void TestTyping::statusBarFollowsTheCaret()
{
    QFETCH(QString, keys);
    QFETCH(QString, status);
    MainFixture f;
    RichText *rt = f.text();
    rt->setText(QStringLiteral("AB\r\nCDEF\r\n\r\nG"));
    rt->setSelStart(0);
    for (QChar k : keys) {
        switch (k.unicode()) {
        case 'D':
            QTest::keyClick(rt, Qt::Key_Down);
            break;
        case 'E':
            QTest::keyClick(rt, Qt::Key_End);
            break;
        case 'R':
            QTest::keyClick(rt, Qt::Key_Right);
            break;
        case 'S':
            QTest::keyClick(rt, Qt::Key_Down, Qt::ShiftModifier);
            break;
        case 'n':
            QTest::keyClick(rt, Qt::Key_Return);
            break;
        default:
            QTest::keyClicks(rt, QString(k));
        }
    }
    QCOMPARE(f.doc()->statusText(), status);
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"
