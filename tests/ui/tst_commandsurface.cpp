#include "toolchain/toolchaincontroller.h"
#include "documents/diagnosticstrip.h"
#include "editing/frmhint.h"
#include "help/frmabout.h"
#include "help/usagetext.h"
#include "rules/webaddresses.h"
#include "mainfixture.h"
#include "platform/pathregistry.h"
#include "toolchain/frmreport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QScopeGuard>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

Q_DECLARE_METATYPE(std::optional<RegistryValue>)

// The menus, the context menu and the toolbar as a user works them.
class TestCommandSurface : public QObject
{
    Q_OBJECT
private slots:
    void contextMenuOnScreen_data();
    void contextMenuOnScreen();
    void structure();
    void copyPaste_data();
    void copyPaste();
    void instructionHintFollowsTheCaret();
    void helpCommands();
    void aboutSystemInfo_data();
    void aboutSystemInfo();
};

// In menu, context-menu and toolbar order, the items with a shortcut ("=key"),
// disabled at start ("!") or with a check mark ("?", "*" checked).
static const char kSurface[] =
    "mnuFileNew=Ctrl+N mnuFileOpen=Ctrl+O mnuFileSave=Ctrl+S "
    "mnuEditCut=Ctrl+X! mnuEditCopy=Ctrl+C! "
    "mnudelete=Ctrl+D! mnurightgo? menufind=Ctrl+F mnuViewToolbar?* mnuViewStatusBar?* mnudebugpanels! mnunextpane=F7 "
    "mnucompile=F9 mnuCompilelist! mnulookcross! mnulink=Ctrl+L! mnulinkresult! "
    "mnurun=F5! mnushellDOS=F8 mnunextmark=F6 mnudebugstart=Ctrl+F5 mnustepinto=F11 mnustepover=F10 "
    "mnustepout=Shift+F11! mnustepinstruction=Ctrl+F11 mnuruntocursor=Ctrl+F10 "
    "mnutogglebreakpoint=F2 mnustopdebug=Shift+F5! mnupausedebug=F12! mnuinterruptsteps? mnustepback=Ctrl+Shift+F11! mnurunback=Ctrl+Shift+F5! mnubold=Ctrl+B mnuitalic=Ctrl+I mnuunderline=Ctrl+U "
    "mnusavetip? mnumakelist?* mnumakecross? mnumakemap? "
    "mnuuselib? "
    "mnuparameter? mnudosboxonly? mnuf5dosbox? popcut! popcopy! popdelete! popRefresh=F4 剪切! 复制! 删除! 右缩进? 粗体? 斜体? "
    "下划线? mnudebugstart=Ctrl+F5 mnustepinto=F11 mnustepover=F10 mnustepout=Shift+F11! "
    "mnuruntocursor=Ctrl+F10 mnutogglebreakpoint=F2 mnupausedebug=F12! mnustopdebug=Shift+F5!";

void TestCommandSurface::structure()
{
    MainFixture f;
    QList<QAction *> menus = f.main->menuBar()->actions(), actions;
    for (QAction *top : menus << f.main->popmain->menuAction())
        actions << top->menu()->actions();
    for (QAction *button : f.main->tbToolBar->actions())
        QVERIFY(button->isSeparator() || !button->icon().pixmap(16, 16).isNull());
    QStringList keys; // every menu item has an access key, none twice in one menu
    for (QAction *a : actions)
        if (!a->isSeparator())
            keys << a->parent()->objectName() + QKeySequence::mnemonic(a->text()).toString();
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size() + keys.size(),
             2 * keys.filter("Alt+").size());
    QStringList items;
    for (QAction *a : actions << f.main->tbToolBar->actions()) {
        QString s = a->shortcut().isEmpty() ? QString() : u'=' + a->shortcut().toString();
        s += QString(a->isEnabled() ? "" : "!") + (a->isCheckable() ? "?" : "");
        if (!s.isEmpty())
            items << a->objectName() + s + (a->isChecked() ? "*" : "");
    }
    QCOMPARE(items.join(u' '), QString::fromUtf8(kSurface));
}

static void row(const char *name, const char *how, const QString &html, const QString &pasted,
                const QString &plain = QString())
{
    QTest::newRow(name) << QString(how) << html << plain << pasted;
}

void TestCommandSurface::copyPaste_data()
{
    QTest::addColumn<QString>("how"); // copy or cut in the program by menu or keys, or foreign
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("pasted");
    row("menu Copy and Paste keep colours", "menu copy", "", "RED BLUE");
    row("the control's Ctrl+C and Ctrl+V", "keys copy", "", "RED BLUE");
    row("menu Cut", "menu cut", "", "RED BLUE");
    // From a web page or an office program: only what it shows.
    row("non-breaking spaces in coloured markup", "menu",
        "<span style=\"color:#ff0000\">MOV&nbsp;AX,1&nbsp;;x</span>", "MOV AX,1 ;x");
    row("a table's cells, an image, by Ctrl+V", "keys",
        "<table><tr><td>MOV</td><td>A<img src=\"x.png\">X</td></tr><tr><td>NOP</td></tr></table>",
        "MOV\r\nAX\r\nNOP");
    row("the plain text beside the markup, with invisible characters", "keys", "<b>ignored</b>",
        "MOV AX,1\tNOP\r\nINC\r\nCX",
        QStringLiteral("\uFEFFMOV\u00A0AX,\u200B1\u00AD\tNOP\uFFFC\r\nINC\u2028CX"));
}

void TestCommandSurface::copyPaste()
{
    QFETCH(QString, how);
    QFETCH(QString, html);
    QFETCH(QString, plain);
    QFETCH(QString, pasted);
    MainFixture f;
    const bool keys = how.startsWith(QLatin1String("keys"));
    if (html.isEmpty()) {
        QApplication::clipboard()->clear();
        f.text()->setText(QStringLiteral("RED BLUE"));
        f.text()->setSelStart(0);
        f.text()->setSelLength(3);
        f.text()->setSelColor(Qt::red);
        f.main->action(QStringLiteral("popselectAll"))->trigger();
        how == QLatin1String("menu cut") ? f.main->mnuEditCut()
        : keys                           ? QTest::keyClick(f.text(), Qt::Key_C, Qt::ControlModifier)
                                         : f.main->mnuEditCopy();
        QCOMPARE(f.text()->text(), QString(how.endsWith(QLatin1String("cut")) ? "" : "RED BLUE"));
        // Any other program pastes the bare text.
        QCOMPARE(QApplication::clipboard()->text(), pasted);
        f.main->Newdocument();
    } else {
        auto *data = new QMimeData;
        data->setHtml(html);
        if (!plain.isEmpty())
            data->setText(plain);
        QApplication::clipboard()->setMimeData(data);
    }
    RichText *rt = f.text();
    rt->setText(QStringLiteral("<>"));
    rt->setSelStart(1);
    rt->setSelColor(Qt::blue);
    keys ? QTest::keyClick(rt, Qt::Key_V, Qt::ControlModifier) : f.main->mnuEditPaste();
    // Block markup puts line breaks around a table.
    const QRegularExpression blockBreaks(QStringLiteral("(?<=^<)(\r\n)+|(\r\n)+(?=>$)"));
    QCOMPARE(rt->text().remove(blockBreaks), u'<' + pasted + u'>');
    // Our own colours come along; a foreign markup's stay behind.
    QCOMPARE(charColor(rt, 1) == QColor(Qt::red), html.isEmpty());
    QVERIFY(!html.isEmpty() || charColor(rt, 5) == QColor(Qt::black));
}

void TestCommandSurface::instructionHintFollowsTheCaret()
{
    MainFixture f;
    const QString text = "        MOV AX,DATA\r\nLP:     LOOP LP\r\n        INT 21H\r\n"
                         "        MOV CX,CNTX";
    f.text()->setText(text);
    // Chosen from the context menu: the word under the mouse, not at the caret.
    QTextCursor onLoop(f.text()->document());
    onLoop.setPosition(f.text()->toPosition(int(text.indexOf("LOOP")) + 1));
    QTest::mouseClick(f.text()->viewport(), Qt::RightButton, {},
                      f.text()->cursorRect(onLoop).center());
    QTRY_VERIFY(f.main->popmain->isVisible());
    f.main->popmain->hide();
    f.main->action("popinsTip")->trigger();
    auto *hint = f.main->findChild<frmHint *>();
    QVERIFY(hint && hint->isVisible() && hint->word() == QStringLiteral("LOOP"));

    // While it is open it follows the caret.
    for (const auto &[at, word] :
         {std::pair{"MOV AX", "MOV"}, {"21H", "INT 21H"}, {"CNTX", "CNTX"}}) {
        f.text()->setSelStart(int(text.indexOf(at)) + 1);
        QCOMPARE(hint->word(), QString(word));
        QVERIFY(hint->Hint->toPlainText().contains(word));
    }

    // Escape in the document closes it and types nothing.
    QTest::keyClick(f.text(), Qt::Key_Escape);
    QVERIFY(!hint->isVisible() && f.text()->text() == text);

    // Shift+F10 and the Menu key open the same menu at the caret, for its word.
    for (const QKeyCombination key : {Qt::SHIFT | Qt::Key_F10, QKeyCombination(Qt::Key_Menu)}) {
        f.text()->setSelStart(int(text.indexOf("CNTX")) + 1);
        press(f, key);
        QTRY_VERIFY(f.main->popmain->isVisible());
        const QPoint caret = f.text()->viewport()->mapToGlobal(f.text()->cursorRect().bottomLeft());
        QVERIFY((f.main->popmain->pos() - caret).manhattanLength() < 40);
        f.main->popmain->hide();
        f.main->action("popinsTip")->trigger();
        QCOMPARE(hint->word(), QStringLiteral("CNTX"));
    }

    // What a screen reader reads: the text's name, each mark's line and message.
    f.doc()->Strip->setDiagnostics({{2, Diagnostic::Warning, "t.asm(2): warning A4001: x", "t.asm"}},
                                   "编译结果：0 个错误，1 个警告");
    QAccessibleInterface *strip = QAccessible::queryAccessibleInterface(f.doc()->Strip);
    QCOMPARE(strip->child(0)->text(QAccessible::Name), "第 2 行：警告 t.asm(2): warning A4001: x");
    QCOMPARE(QAccessible::queryAccessibleInterface(f.text())->text(QAccessible::Name), "源程序");
}

// Runs check on the modal window once it is up, then closes it.
static void whenModal(std::function<void(QWidget *)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        check(modal);
        modal->close();
    });
}

void TestCommandSurface::contextMenuOnScreen_data()
{
    QTest::addColumn<QString>("styleSheet");
    QTest::addColumn<bool>("late"); // the sheet comes once the menu is placed
    // As qt6ct's style sheets pad menus and their items.
    const QString padded =
        "QMenu { padding: 4px 0px 6px 0px; } QMenu::item { padding: 6px 28px 6px 24px; }";
    QTest::newRow("the toolkit's own look") << QString() << false;
    QTest::newRow("padded items, as under qt6ct") << padded << false;
    // What a desktop's style does to a menu after the toolkit placed it by
    // its plainer size, as seen under X11 with qt6ct.
    QTest::newRow("padded once placed") << padded << true;
}

// Opened at the foot of the screen, the context menu shows its last item whole.
void TestCommandSurface::contextMenuOnScreen()
{
    QFETCH(QString, styleSheet);
    QFETCH(bool, late);
    if (!late)
        qApp->setStyleSheet(styleSheet);
    const auto restore = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    MainFixture f;
    f.main->show();
    const QRect screen = f.main->screen()->availableGeometry();
    f.main->popmain->popup(QPoint(screen.left() + 20, screen.bottom() - 10));
    QTRY_VERIFY(f.main->popmain->isVisible());
    if (late) {
        const int placed = f.main->popmain->height();
        f.main->popmain->setStyleSheet(styleSheet);
        QTRY_VERIFY(f.main->popmain->height() > placed);
    }
    const QRect menu = f.main->popmain->geometry();
    f.main->popmain->hide();
    QVERIFY2(screen.contains(menu), qPrintable(QStringLiteral("menu %1..%2, screen ends at %3")
                                                   .arg(menu.top())
                                                   .arg(menu.bottom())
                                                   .arg(screen.bottom())));
}

void TestCommandSurface::helpCommands()
{
    MainFixture f;
    // The usage text replaces the report in its window, modally, line by line.
    FrmReport *report = f.main->toolchain().reportWindow();
    report->showText(QStringLiteral("Report"), QStringLiteral(" Assembling Report:\r\n    x"));
    QString text;
    whenModal([&](QWidget *w) {
        QVERIFY(w == report && report->isModal());
        text = report->RichText->text();
    });
    f.main->mnuHelpContents();
    QCOMPARE(text.split(QStringLiteral("\r\n")), usageLines(f.toolFolder()));
    QVERIFY(text.contains(f.toolFolder() + " ，") && text.contains("“获取 DOS 工具...”"));
    // The project's real address and site, nothing of a placeholder or of
    // the machine that built the program.
    QVERIFY(text.contains("发邮件到dev@korvane.org询问，或者访问 Korvane 的网站 "
                          "https://korvane.org/；"));
    QVERIFY(!report->isVisible() && f.main->isVisible());
    whenModal([](QWidget *w) {
        auto *about = qobject_cast<frmAbout *>(w);
        QVERIFY(about);
        QCOMPARE(about->Text3->text(), "dev@korvane.org");
        QCOMPARE(about->Text2->text(), "https://korvane.org/");
    });
    f.main->mnuHelpAbout();

    // A new browser window on every use, from View or Help; it is no document.
    f.main->action(QStringLiteral("mnuViewWebBrowser"))->trigger();
    f.main->action(QStringLiteral("mnuHelpGuide"))->trigger();
    QCOMPARE(f.browserAddresses, QStringList({productWebPage(), productWebPage()}));
    QVERIFY(f.main->mdiArea()->subWindowList().size() == 3 && !f.main->activeDocument());
    f.main->mnuFileSave();
    QVERIFY(f.dialogs.calls.isEmpty());
}

// A registry holding only what a test puts in it ("key|value"); it counts
// the queries.
struct TestRegistry : Registry
{
    QHash<QString, RegistryValue> values;
    int reads = 0;
    std::optional<RegistryValue> queryValue(RegistryRoot, const QString &key,
                                            const QString &value) override
    {
        ++reads;
        return values.contains(key + '|' + value) ? values[key + '|' + value]
                                                  : std::optional<RegistryValue>();
    }
};

// UTF-16 little-endian bytes of a text, as the registry holds strings.
static QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

void TestCommandSurface::aboutSystemInfo_data()
{
    QTest::addColumn<std::optional<RegistryValue>>("location1");
    // "program": a folder with the program; "none"; or "stand-in", no registry.
    QTest::addColumn<QString>("location2");
    // "{folder}" stands for location 2's folder, "!" for a start that fails; "" none.
    QTest::addColumn<QString>("started");
    const QString path = u"C:\\Program Files\\MSInfo\\A\u0100.exe"_qs;
    const QByteArray bare = utf16(path), ended = bare + QByteArray(2, '\0');
    QTest::newRow("location 1 without a NUL is started, location 2 never read")
        << std::optional(RegistryValue{RegSz, bare, bare.size()}) << "program"
        << u'"' + path + u'"';
    QTest::newRow("location 1 cut to its length, one NUL dropped, cannot be started")
        << std::optional(RegistryValue{RegSz, ended + utf16("x"), ended.size()}) << "none"
        << "!\"" + path + u'"';
    QTest::newRow("location 2 program found in any case")
        << std::optional<RegistryValue>() << "program"
        << "\"{folder}/msinfo32.exe\"";
    QTest::newRow("both missing") << std::optional<RegistryValue>() << "none"
                                  << "";
    // Without a registry: the first program of the list found that may run.
    QTest::newRow("stand-in") << std::optional<RegistryValue>() << "stand-in"
                              << "\"{folder}/gnome-system-monitor\"";
}

// The about box's System Info button: where it finds the system-information
// program, and what it says when there is none. The box stays open.
void TestCommandSurface::aboutSystemInfo()
{
    QFETCH(std::optional<RegistryValue>, location1);
    QFETCH(QString, location2);
    QFETCH(QString, started);
    QTemporaryDir dir;
    const QString info = QDir::toNativeSeparators(dir.path());
    for (const char *name : {"kinfocenter", "gnome-system-monitor", "msinfo32.exe"})
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::setPermissions(dir.filePath("gnome-system-monitor"), QFile::ExeUser));
    TestRegistry registry;
    if (location1)
        registry.values["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"] = *location1;
    if (location2 == "program")
        registry.values["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = registryString(info);
    PathRegistry standIn({"hardinfo", "kinfocenter", "gnome-system-monitor"}, {dir.path()});
    const bool fails = started.startsWith(u'!');
    started.remove(u'!').replace(QStringLiteral("{folder}"), info);
    FakeDialogs dialogs;
    dialogs.answerMsgBox(Dialogs::Ok);
    QStringList starts;
    frmAbout box(location2 == "stand-in" ? static_cast<Registry &>(standIn) : registry, dialogs,
                 [&](const QString &commandLine) {
                     starts << commandLine;
                     return !fails;
                 });
    box.show();
    QTest::mouseClick(box.Command1, Qt::LeftButton);
    QCOMPARE(starts, started.isEmpty() ? QStringList() : QStringList{started});
    // Location 2 is read only when location 1 holds no value at all.
    QCOMPARE(registry.reads, location2 == "stand-in" ? 0 : location1 ? 1 : 2);
    // Unavailable is said when nothing was started.
    QCOMPARE(dialogs.calls.size(), int(started.isEmpty() || fails));
    QVERIFY(box.isVisible());
}

QTEST_MAIN(TestCommandSurface)
#include "tst_commandsurface.moc"
