#include "editing/editingcontroller.h"
#include "platform/colors.h"
#include "mainfixture.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QToolBar>

// The formatting commands on the active document, each one undo step.
class TestFormatting : public QObject
{
    Q_OBJECT
private slots:
    void colourCommands_data();
    void colourCommands();
    void commands_data();
    void commands();
    void fontDialog_data();
    void fontDialog();
    void styleKeys_data();
    void styleKeys();
    void styleIconsOnAnyToolbar_data();
    void styleIconsOnAnyToolbar();
};

namespace {

const QColor kNew(200, 30, 40);

// Each character as "K" code colour, "C" comment colour, "N" the chosen
// colour, "." a line break; then the selection and the background.
QString shown(MainFixture &f)
{
    RichText *rt = f.text();
    QString seen;
    for (int i = 0; i < rt->textLength(); ++i) {
        const QColor c = charColor(rt, i);
        seen += QStringLiteral("\r\n").contains(rt->text()[i]) ? u'.'
                : c == kNew                                    ? u'N'
                : c == toQColor(RGB(0, 0, 0))                  ? u'K'
                : c == toQColor(RGB(50, 200, 150))             ? u'C'
                                                               : u'?';
    }
    return seen + QStringLiteral(" %1+%2").arg(rt->selStart()).arg(rt->selLength()) +
           (rt->backColor() == kNew ? QStringLiteral(" N") : QString());
}

} // namespace

void TestFormatting::colourCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("after"); // colours, selection, background, a typed X
    // On "MOV AX,1 ;one\r\nNOP ;two".
    const auto row = [](const char *command, int start, int length, bool cancel,
                        const char *after) {
        QTest::newRow(after) << QString(command) << start << length << cancel << QString(after);
    };
    row("mnucodecolor", 5, 0, false, "NNNNNNNNNCCCC..NNNNCCCC 5+0");
    row("mnucodecolor", 0, 3, false, "NNNKKKKKKCCCC..KKKKCCCC 0+0");
    row("mnucodecolor", 5, 0, true, "KKKKKKKKKCCCC..KKKKCCCC 0+23");
    row("mnudimcolor", 17, 2, false, "KKKKKKKKKNNNN..KKKKNNNN 17+0");
    row("mnudimcolor", 17, 2, true, "KKKKKKKKKCCCC..KKKKCCCC 17+2");
    row("mnucurrentcolor", 5, 0, false, "KKKKKKKKKCCCC..KKKKCCCC 5+0");
    row("mnubackcolor", 5, 0, false, "KKKKKKKKKCCCC..KKKKCCCC 5+0 N");
}

void TestFormatting::colourCommands()
{
    QFETCH(QString, command);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(bool, cancel);
    QFETCH(QString, after);
    MainFixture f;
    f.text()->setText(QStringLiteral("MOV AX,1 ;one\r\nNOP ;two"));
    f.main->mnuRefresh();
    f.text()->setSelStart(selStart);
    f.text()->setSelLength(selLength);
    f.dialogs.answerColor(cancel ? std::nullopt : std::optional<QColor>(kNew));
    f.main->action(command)->trigger();
    QCOMPARE(f.dialogs.calls.size(), 1);
    QCOMPARE(shown(f), after);
    // Typed text takes the typing colour, which only its own command sets.
    QTest::keyClicks(f.text(), QStringLiteral("X"));
    QCOMPARE(charColor(f.text(), f.text()->selStart() - 1) == kNew, command == u"mnucurrentcolor");
    // The background is the active document's own.
    f.main->Newdocument();
    QVERIFY(f.text()->backColor() != kNew);
}

void TestFormatting::commands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("after"); // text, then colours as shown() gives them
    // On "  MOV AX,1 ;one\r\nNOP ;two" with MOV in the chosen colour.
    QTest::newRow("an opened file has nothing to undo")
        << "open"
        << "  MOV AX,1 ;one\r\nNOP ;two KKKKKKKKKKKCCCC..KKKKCCCC";
    QTest::newRow("refresh") << "mnuRefresh"
                             << "  MOV AX,1 ;one\r\nNOP ;two KKKKKKKKKKKCCCC..KKKKCCCC";
    QTest::newRow("case, lower first") << "mnuUpLow"
                                       << "  mov ax,1 ;one\r\nnop ;two KKKKKKKKKKKCCCC..KKKKCCCC";
    QTest::newRow("indent by the menu, at the width given")
        << "mnurightgo"
        << "     MOV AX,1 ;one\r\n   NOP ;two KKKKKKKKKKKKKKCCCC..KKKKKKKCCCC";
    QTest::newRow("indent by the button, in step with the menu")
        << "右缩进"
        << "     MOV AX,1 ;one\r\n   NOP ;two KKKKKKKKKKKKKKCCCC..KKKKKKKCCCC";
    QTest::newRow("un-indent") << "unindent"
                               << "MOV AX,1 ;one\r\nNOP ;two KKKKKKKKKCCCC..KKKKCCCC";
}

void TestFormatting::commands()
{
    QFETCH(QString, command);
    QFETCH(QString, after);
    MainFixture f;
    RichText *rt = f.text();
    QFile file(f.path(QStringLiteral("A.ASM")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("  MOV AX,1 ;one\r\nNOP ;two") > 0);
    file.close();
    f.dialogs.answerOpen(file.fileName());
    f.main->mnuFileOpen();
    f.dialogs.answerInput(QStringLiteral("3"));
    f.main->action(QStringLiteral("mnuViewOptions"))->trigger();
    const auto state = [&] { return rt->text() + u' ' + shown(f).section(u' ', 0, 0); };
    if (command != u"open") {
        // Code in two colours, so that every command changes text or colours.
        f.main->mnuRefresh();
        rt->setSelStart(2);
        rt->setSelLength(3);
        rt->setSelColor(kNew);
        rt->document()->clearUndoRedoStacks();
    }
    const QString before = state();
    QAction *menu = f.main->action(QStringLiteral("mnurightgo"));
    QAction *uplow = f.main->action(QStringLiteral("mnuUpLow"));
    const QString caption = uplow->text();
    f.main->colours().Currentfcolor = RGB(1, 2, 3);
    if (command == u"右缩进")
        QTest::mouseClick(f.main->tbToolBar->widgetForAction(f.main->button(command)),
                          Qt::LeftButton);
    else if (command == u"unindent")
        f.main->editing().Rightgo(false, 3);
    else if (command != u"open")
        f.main->action(command)->trigger();
    QCOMPARE(state(), after);
    QCOMPARE(uplow->text() != caption, command == u"mnuUpLow");
    QCOMPARE(menu->isChecked(), command == u"mnurightgo" || command == u"右缩进");
    QCOMPARE(f.main->button(QStringLiteral("右缩进"))->isChecked(), menu->isChecked());
    QCOMPARE(f.main->colours().Currentfcolor == RGB(100, 0, 255), command != u"open");
    QCOMPARE(rt->document()->isUndoAvailable(), command != u"open");
    // Each command is one undo step; an opened file has none.
    QTest::keyClick(rt, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(state(), before);
    QVERIFY(!rt->document()->isUndoAvailable());
}

void TestFormatting::fontDialog_data()
{
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    QTest::newRow("italic alone") << false << true << false << false;
    QTest::newRow("underline alone") << false << false << true << false;
    QTest::newRow("bold and struck out") << true << false << false << true;
    QTest::newRow("all four") << true << true << true << true;
}

// What the font dialog chose is what the selected characters get, each
// choice on its own.
void TestFormatting::fontDialog()
{
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(bool, strikeOut);
    MainFixture f;
    RichText *rt = f.text();
    rt->setText(QStringLiteral("MOV AX,1 ;one\r\nNOP ;two"));
    rt->setSelStart(4);
    rt->setSelLength(4);
    QFont chosen(QStringLiteral("WenQuanYi Zen Hei"), 17);
    chosen.setBold(bold);
    chosen.setItalic(italic);
    chosen.setUnderline(underline);
    chosen.setStrikeOut(strikeOut);
    f.dialogs.answerFont(chosen);
    f.main->action(QStringLiteral("mnufont"))->trigger();
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("font")).size(), 1);
    rt->setSelStart(4);
    rt->setSelLength(4);
    QCOMPARE(rt->selBold(), bold);
    QCOMPARE(rt->selItalic(), italic);
    QCOMPARE(rt->selUnderline(), underline);
    QCOMPARE(rt->selStrikethrough(), strikeOut);
    QCOMPARE(rt->selFontSize(), 17.0);
    QCOMPARE(rt->selFontName(), QStringLiteral("WenQuanYi Zen Hei"));
    // The characters around it are as they were.
    rt->setSelStart(0);
    rt->setSelLength(3);
    QVERIFY(!rt->selBold() && !rt->selItalic() && !rt->selUnderline() && !rt->selStrikethrough());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestFormatting::styleKeys_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("button");
    QTest::newRow("bold") << "mnubold" << (Qt::ControlModifier | Qt::Key_B) << "粗体";
    QTest::newRow("italic") << "mnuitalic" << (Qt::ControlModifier | Qt::Key_I) << "斜体";
    QTest::newRow("underline") << "mnuunderline" << (Qt::ControlModifier | Qt::Key_U) << "下划线";
}

// Bold, italic and underline from the keyboard: a menu item each, after the
// settings menu's own items, with its key; the toolbar's button follows.
void TestFormatting::styleKeys()
{
    QFETCH(QString, item);
    QFETCH(QKeyCombination, key);
    QFETCH(QString, button);
    MainFixture f;
    QAction *action = f.main->action(item);
    QCOMPARE(action->shortcut(), QKeySequence(key));
    const QList<QAction *> menu = f.main->findChild<QMenu *>("menucolor")->actions();
    const qsizetype at = menu.indexOf(action);
    QVERIFY(at > 0 && menu.indexOf(f.main->action("mnubackcolor")) < at);
    QVERIFY(menu[menu.indexOf(f.main->action("mnubackcolor")) + 1]->isSeparator());
    RichText *rt = f.text();
    rt->setText(QStringLiteral("MOV AX,1"));
    rt->setSelStart(4);
    rt->setSelLength(4);
    const auto styled = [&] {
        return item == u"mnubold"     ? rt->selBold()
               : item == u"mnuitalic" ? rt->selItalic()
                                      : rt->selUnderline();
    };
    press(f, key);
    QVERIFY(styled());
    QVERIFY(f.main->button(button)->isChecked());
    press(f, key);
    QVERIFY(!styled());
    QVERIFY(!f.main->button(button)->isChecked());
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestFormatting::styleIconsOnAnyToolbar_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QColor>("toolbar");
    for (const char *button : {"粗体", "斜体", "下划线"}) {
        QTest::addRow("%s on a light toolbar", button)
            << QString::fromUtf8(button) << QColor(240, 240, 240);
        QTest::addRow("%s on a dark toolbar", button)
            << QString::fromUtf8(button) << QColor(43, 43, 43);
    }
}

// The style buttons' glyphs stand out from a dark desktop theme's toolbar as
// from a light one's: enough of the icon differs plainly from the toolbar.
void TestFormatting::styleIconsOnAnyToolbar()
{
    QFETCH(QString, button);
    QFETCH(QColor, toolbar);
    MainFixture f;
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(toolbar);
    {
        QPainter p(&image);
        f.main->button(button)->icon().paint(&p, image.rect());
    }
    int standOut = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            standOut += std::abs(qGray(image.pixel(x, y)) - qGray(toolbar.rgb())) > 100;
    QVERIFY2(standOut > 60, qPrintable(QString::number(standOut)));
}

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
