#include "app/colors.h"
#include "mainfixture.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>

// The formatting commands on the active document: colours, fonts, case,
// indent, indent width, with the dialogs' exact texts.
class TestFormatting : public QObject
{
    Q_OBJECT
private slots:
    void colourCommands_data();
    void colourCommands();
    void typingAndBackgroundColours();
    void fontAppliesToSelectionOrWholeText();
    void fontSize_data();
    void fontSize();
    void caseConversionAlternates();
    void indentThenUnindent();
    void undoTakesBackWholeCommands_data();
    void undoTakesBackWholeCommands();
    void indentWidth_data();
    void indentWidth();
    void commandsWithoutDocumentDoNothing();
    void selectAllAndDeleteOnEmptyDocument();
};

namespace {

const QColor kCode = toQColor(RGB(0, 0, 0));
const QColor kComment = toQColor(RGB(50, 200, 150));
const QColor kNew(200, 30, 40);

// "K" old code colour, "C" old comment colour, "N" the chosen colour, "." a line break.
QString mapOf(RichText *rt, qsizetype length)
{
    QString seen;
    const QString text = rt->text();
    for (int i = 0; i < length; ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            seen += u'.';
            continue;
        }
        const QColor c = charColor(rt, i);
        seen += c == kNew ? u'N' : c == kCode ? u'K' : c == kComment ? u'C' : u'?';
    }
    return seen;
}

QTextCharFormat formatAt(RichText *rt, int offset)
{
    QTextCursor c(rt->document());
    c.setPosition(rt->toPosition(offset) + 1);
    return c.charFormat();
}

qreal sizeAt(RichText *rt, int offset)
{
    const qreal size = formatAt(rt, offset).fontPointSize();
    return size > 0 ? size : rt->document()->defaultFont().pointSizeF();
}

// A document with the given text coloured as a new document is.
RichText *startWith(MainFixture &f, const QString &text)
{
    f.text()->setText(text);
    f.main->mnuRefresh();
    return f.text();
}

void trigger(MainFixture &f, const char *command)
{
    f.main->action(QString::fromLatin1(command))->trigger();
}

// The dialogs shown, each as "kind title: text".
QStringList shown(const FakeDialogs &d)
{
    QStringList calls;
    for (const FakeDialogs::Call &c : d.calls)
        calls << c.kind + u' ' + c.title + QStringLiteral(": ") + c.text;
    return calls;
}

} // namespace

void TestFormatting::colourCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("colours");
    QTest::addColumn<int>("selStartAfter");
    QTest::addColumn<int>("selLengthAfter");

    // On "MOV AX,1 ;one\r\nNOP ;two".
    QTest::newRow("code colour, nothing selected: code repainted, comments kept")
        << "mnucodecolor"
        << "代码颜色" << 5 << 0 << false << "NNNNNNNNNCCCC..NNNNCCCC" << 5 << 0;
    QTest::newRow("code colour on a selection")
        << "mnucodecolor"
        << "代码颜色" << 0 << 3 << false << "NNNKKKKKKCCCC..KKKKCCCC" << 0 << 0;
    QTest::newRow("code colour cancelled leaves the whole text selected")
        << "mnucodecolor"
        << "代码颜色" << 5 << 0 << true << "KKKKKKKKKCCCC..KKKKCCCC" << 0 << 23;
    QTest::newRow("comment colour repaints every comment")
        << "mnudimcolor"
        << "注释颜色" << 17 << 2 << false << "KKKKKKKKKNNNN..KKKKNNNN" << 17 << 0;
    QTest::newRow("comment colour cancelled")
        << "mnudimcolor"
        << "注释颜色" << 17 << 2 << true << "KKKKKKKKKCCCC..KKKKCCCC" << 17 << 2;
}

void TestFormatting::colourCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(bool, cancel);
    QFETCH(QString, colours);
    QFETCH(int, selStartAfter);
    QFETCH(int, selLengthAfter);

    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("MOV AX,1 ;one\r\nNOP ;two"));
    rt->setSelStart(selStart);
    rt->setSelLength(selLength);
    f.dialogs.answerColor(cancel ? std::nullopt : std::optional<QColor>(kNew));
    f.main->action(command)->trigger();

    QCOMPARE(shown(f.dialogs), QStringList{"color " + title + ": "});
    QCOMPARE(mapOf(rt, colours.size()), colours);
    QCOMPARE(rt->selStart(), selStartAfter);
    QCOMPARE(rt->selLength(), selLengthAfter);
    const bool code = command == QStringLiteral("mnucodecolor");
    QCOMPARE(toQColor(code ? f.main->Fcolor : f.main->Remcolor),
             cancel ? (code ? kCode : kComment) : kNew);
}

void TestFormatting::typingAndBackgroundColours()
{
    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("NOP"));
    // The typing colour reaches only text typed after it, until a whole-document
    // operation sets the default back.
    f.dialogs.answerColor(kNew);
    trigger(f, "mnucurrentcolor");
    QCOMPARE(shown(f.dialogs).last(), QStringLiteral("color 当前颜色: "));
    QCOMPARE(mapOf(rt, 3), QStringLiteral("KKK"));
    rt->setSelStart(3);
    QTest::keyClicks(rt, QStringLiteral("X"));
    QCOMPARE(charColor(rt, 3), kNew);
    f.main->mnuRefresh();
    rt->setSelStart(4);
    QTest::keyClicks(rt, QStringLiteral("Y"));
    QCOMPARE(charColor(rt, 4), toQColor(RGB(100, 0, 255)));

    // The background is the active document's own.
    f.dialogs.answerColor(kNew);
    trigger(f, "mnubackcolor");
    QCOMPARE(shown(f.dialogs).last(), QStringLiteral("color 背景颜色: "));
    QCOMPARE(rt->backColor(), kNew);
    f.main->Newdocument();
    QVERIFY(f.text() != rt);
    QVERIFY(f.text()->backColor() != kNew);
}

void TestFormatting::fontAppliesToSelectionOrWholeText()
{
    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("MOV AX,1\r\nNOP"));
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSize(15);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);

    // A selection: only it changes.
    rt->setSelStart(4);
    rt->setSelLength(2);
    f.dialogs.answerFont(chosen);
    trigger(f, "mnufont");
    QCOMPARE(sizeAt(rt, 4), 15.0);
    QCOMPARE(sizeAt(rt, 3), 9.0);
    const QTextCharFormat styled = formatAt(rt, 5);
    QCOMPARE(styled.fontFamilies().toStringList().value(0), QStringLiteral("DejaVu Sans"));
    QVERIFY(styled.fontWeight() >= QFont::Bold);
    QVERIFY(styled.fontItalic() && styled.fontUnderline() && styled.fontStrikeOut());
    QCOMPARE(rt->selLength(), 2);

    // Nothing selected: the whole text, and it stays selected; then Cancel
    // changes nothing.
    chosen.setPointSize(11);
    f.dialogs.answerFont(chosen);
    f.dialogs.answerFont(std::nullopt);
    for (int use = 0; use < 2; ++use) {
        rt->setSelStart(0);
        trigger(f, "mnufont");
        QCOMPARE(sizeAt(rt, 0), 11.0);
        QCOMPARE(sizeAt(rt, 12), 11.0);
        QCOMPARE(rt->selLength(), use == 0 ? rt->textLength() : 0);
    }
}

void TestFormatting::fontSize_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<qreal>("size");
    // The text starts at 20 points; a refused size leaves it there. The reading
    // of the answer has its own unit tests.
    QTest::newRow("empty answer, also Cancel, is the default") << "" << 9.0;
    QTest::newRow("minus sign dropped") << "-14" << 14.0;
    QTest::newRow("largest taken") << "1638" << 1638.0;
    QTest::newRow("too large refused") << "1639" << 20.0;
}

void TestFormatting::fontSize()
{
    QFETCH(QString, answer);
    QFETCH(qreal, size);
    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("MOV AX,1\r\nNOP"));
    rt->setSelStart(0);
    rt->setSelLength(rt->textLength());
    rt->setSelFontSize(20);
    rt->setSelStart(2);

    f.dialogs.answerInput(answer);
    trigger(f, "mnufontsize");
    QCOMPARE(
        shown(f.dialogs),
        QStringList{"inputBox Font Size: 请输入您需要的字体大小：（一般为8--72，不填则为默认值）"});
    QCOMPARE(sizeAt(rt, 0), size);
    QCOMPARE(sizeAt(rt, 11), size);
}

void TestFormatting::caseConversionAlternates()
{
    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("Mov AX,bx ;Load 汇编\r\nint 21H"));
    QAction *uplow = f.main->action(QStringLiteral("mnuUpLow"));
    QCOMPARE(uplow->text(), QStringLiteral("小写风格"));

    const struct
    {
        QString text, caption;
    } uses[] = {
        {QStringLiteral("mov ax,bx ;load 汇编\r\nint 21h"), QStringLiteral("大写风格")},
        {QStringLiteral("MOV AX,BX ;LOAD 汇编\r\nINT 21H"), QStringLiteral("小写风格")},
    };
    for (const auto &use : uses) {
        f.main->Currentfcolor = RGB(1, 2, 3);
        uplow->trigger();
        QCOMPARE(rt->text(), use.text);
        QCOMPARE(uplow->text(), use.caption);
        // Comments come back; code keeps the plain format of a new text.
        QCOMPARE(mapOf(rt, 18), QStringLiteral("KKKKKKKKKKCCCCCCCC"));
        QCOMPARE(f.main->Currentfcolor, RGB(100, 0, 255));
        QCOMPARE(rt->selStart(), rt->textLength());
        QCOMPARE(f.doc()->statusText(), QStringLiteral("位置 ：     行  2， 列  8"));
    }
}

void TestFormatting::indentThenUnindent()
{
    // By the menu, then by the toolbar's button: each keeps the other in step.
    MainFixture f;
    RichText *rt = startWith(f, QStringLiteral("MOV AX,1\r\nNOP"));
    QAction *menu = f.main->action(QStringLiteral("mnurightgo"));
    QAction *button = f.main->button(QStringLiteral("右缩进"));
    menu->trigger();
    QCOMPARE(rt->text(), QStringLiteral("        MOV AX,1\r\n        NOP"));
    QVERIFY(menu->isChecked() && button->isChecked());
    QCOMPARE(f.main->Currentfcolor, RGB(100, 0, 255));
    QTest::mouseClick(f.main->tbToolBar->widgetForAction(button), Qt::LeftButton);
    QCOMPARE(rt->text(), QStringLiteral("MOV AX,1\r\nNOP"));
    QVERIFY(!menu->isChecked() && !button->isChecked());
}

// Text and colour of every character, line breaks included.
static QString textAndColours(RichText *rt)
{
    QString seen;
    QTextCursor c(rt->document());
    while (!c.atEnd()) {
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        seen += c.selectedText() + c.charFormat().foreground().color().name();
        c.clearSelection();
    }
    return seen;
}

void TestFormatting::undoTakesBackWholeCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("a new document has nothing to undo") << "new";
    QTest::newRow("an opened file has nothing to undo") << "open";
    QTest::newRow("refresh is one step") << "refresh";
    QTest::newRow("case conversion is one step") << "case";
    QTest::newRow("indent is one step") << "indent";
    QTest::newRow("un-indent is one step") << "unindent";
}

void TestFormatting::undoTakesBackWholeCommands()
{
    QFETCH(QString, command);
    MainFixture f;
    const QString source = QStringLiteral("  MOV AX,1 ;one\r\nNOP ;two");
    if (command == u"new") {
        f.main->Newdocument();
    } else if (command == u"open") {
        QFile file(f.path(QStringLiteral("A.ASM")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(source.toLatin1());
        file.close();
        f.dialogs.answerOpen(file.fileName());
        f.main->mnuFileOpen();
        QCOMPARE(f.text()->text(), source);
    }
    RichText *rt = f.text();
    if (command == u"new" || command == u"open") {
        const QString shown = textAndColours(rt);
        QVERIFY(!rt->document()->isUndoAvailable());
        QTest::keyClick(rt, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(textAndColours(rt), shown);
        return;
    }

    // Code in two colours and a comment, so that every command changes text
    // or colours; nothing to undo before the command.
    startWith(f, source);
    rt->setSelStart(2);
    rt->setSelLength(3);
    rt->setSelColor(kNew);
    rt->document()->clearUndoRedoStacks();
    const QString before = textAndColours(rt);
    if (command == u"refresh")
        f.main->mnuRefresh();
    else if (command == u"case")
        f.main->mnuUpLow();
    else
        f.main->Rightgo(command == u"indent", 4);
    QVERIFY(textAndColours(rt) != before);

    QTest::keyClick(rt, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(textAndColours(rt), before);
    QVERIFY(!rt->document()->isUndoAvailable());
}

void TestFormatting::indentWidth_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("lines");  // of "NOP"
    QTest::addColumn<int>("indent"); // spaces the indent gives each line
    // The reading of the answer has its own unit tests.
    QTest::newRow("number") << "4" << 1 << 4;
    QTest::newRow("negative refused: the width stays 8") << "-3" << 1 << 8;
    QTest::newRow("widest, past 16 million characters: not applied") << "32767" << 600 << 0;
}

void TestFormatting::indentWidth()
{
    QFETCH(QString, answer);
    QFETCH(int, lines);
    QFETCH(int, indent);
    MainFixture f;
    RichText *rt = startWith(f, QStringList(lines, QStringLiteral("NOP")).join("\r\n"));
    f.dialogs.answerInput(answer);
    trigger(f, "mnuViewOptions");
    QCOMPARE(shown(f.dialogs), QStringList{"inputBox 内缩进参数: 请输入内缩进字符数"});
    trigger(f, "mnurightgo");
    QCOMPARE(rt->text(), QStringList(lines, QString(indent, u' ') + "NOP").join("\r\n"));
}

void TestFormatting::commandsWithoutDocumentDoNothing()
{
    MainFixture f;
    f.dialogs.answerMsgBox(Dialogs::No);
    f.main->mnuFileClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.main->documents().isEmpty());
    f.dialogs.calls.clear();

    for (const char *name : {"mnucodecolor", "mnudimcolor", "mnubackcolor", "mnufont",
                             "mnufontsize", "mnuUpLow", "mnuselectAll", "mnudelete"})
        trigger(f, name);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.calls.value(0).kind));
    QCOMPARE(f.main->action(QStringLiteral("mnuUpLow"))->text(), QStringLiteral("小写风格"));

    // The two commands that need no document still ask.
    f.dialogs.answerColor(kNew);
    trigger(f, "mnucurrentcolor");
    QCOMPARE(f.main->Currentfcolor, fromQColor(kNew));
    f.dialogs.answerInput(QStringLiteral("5"));
    trigger(f, "mnuViewOptions");
    QCOMPARE(int(f.main->Indentwidth), 5);
}

void TestFormatting::selectAllAndDeleteOnEmptyDocument()
{
    MainFixture f;
    RichText *rt = startWith(f, QString());
    trigger(f, "mnuselectAll");
    QCOMPARE(rt->selLength(), 0);
    trigger(f, "popdelete");
    QCOMPARE(rt->text(), QString());

    // Delete with nothing selected deletes nothing.
    startWith(f, QStringLiteral("MOV AX,1"));
    trigger(f, "mnuselectAll");
    QCOMPARE(rt->selLength(), 8);
    rt->setSelStart(3);
    f.main->mnudelete();
    QCOMPARE(rt->text(), QStringLiteral("MOV AX,1"));
}

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
