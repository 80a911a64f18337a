#include "editing/frmhint.h"
#include "mainfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>

// The whole command surface as a user finds it at start: every menu item in
// order with its caption, shortcut, check mark and enabled state, the context
// menu, and the toolbar's keys.
class TestCommandSurface : public QObject
{
    Q_OBJECT
private slots:
    void menuTree_data();
    void menuTree();
    void toolbarKeys();
    void copyPasteKeepsColours_data();
    void copyPasteKeepsColours();
    void foreignPasteTakesOnlyWhatIsShown_data();
    void foreignPasteTakesOnlyWhatIsShown();
    void pasteWithoutDocumentDoesNothing();
    void cutWithEmptySelectionChangesNothing();
    void styleButtonsFollowTheSelection_data();
    void styleButtonsFollowTheSelection();
    void viewTogglesShowAndHide();
    void newWindowCommands();
    void windowListAndTiling();
    void contextDeleteRemovesSelection();
    void selectionEnablesCutCopyDelete();
    void rightClickOpensContextMenu();
    void instructionHintFollowsTheCaret();
};

struct Row
{
    QString name, caption, shortcut;
    bool checkable, checked, enabled;
};

// "name|caption|shortcut|flags" with flags: c checkable, x checked, d disabled.
static const char *const kExpected[] = {
    "mnuFile|文件(&F)||",
    "mnuFileNew|新建(&N)|Ctrl+N|",
    "mnuFileOpen|打开(&O)...|Ctrl+O|",
    "mnuFileClose|关闭(&C)||",
    "mnuFileBar0|-||",
    "mnuFileSave|保存(&S)||",
    "mnuFileSaveAs|另存为(&A)...||",
    "mnuFileBar1|-||",
    "mnuFilePageSetup|页面设置(&U)...||",
    "mnuFilePrint|打印(&P)...||",
    "mnuFileBar3|-||",
    "mnuFileExit|退出(&X)||",
    "mnuEdit|编辑(&E)||",
    "mnuEditCut|剪切(&T)|Ctrl+X|d",
    "mnuEditCopy|复制(&C)|Ctrl+C|d",
    "mnuEditPaste|粘贴(&P)||",
    "mnudelete|删除(&D)|Ctrl+D|d",
    "menufilebar4|-||",
    "mnuRefresh|刷新||",
    "mnuselectAll|全选||",
    "mnuhbarn|-||",
    "mnurightgo|右缩进||c",
    "mnuUpLow|小写风格||",
    "newaddbar|-||",
    "menufind|查找(&Z)|Ctrl+F|",
    "mnuView|视图(&V)||",
    "mnuViewToolbar|工具栏(&T)||cx",
    "mnuViewStatusBar|状态栏(&B)||cx",
    "mnuViewBar0|-||",
    "mnuViewOptions|右缩进选项...||",
    "mnuViewWebBrowser|访问我们的网站(&V)||",
    "menuRun|运行(&R)||",
    "mnucompile|编译(&A)|F9|",
    "mnunextmark|下一个错误/警告行(&E)|F6|",
    "mnuCompilelist|查看编译结果(Souce list)||d",
    "mnulookcross|查看Cross文件||d",
    "bar10|-||",
    "mnulink|连接(&L)|Ctrl+L|d",
    "mnulinkresult|查看连接结果(LinkMap)||d",
    "bar11|-||",
    "mnurundebug|运行Debug||",
    "mnurun|运行(&R)|F5|d",
    "minusbar|-||",
    "mnushellDOS|启动MS-DOS|F8|",
    "menucolor|设置(&S)||",
    "mnufont|字体(&F)||",
    "mnufontsize|字体大小||",
    "bar15|-||",
    "mnucodecolor|代码颜色||",
    "mnudimcolor|注释颜色||",
    "mnucurrentcolor|当前颜色||",
    "mnubackcolor|背景颜色||",
    "menuoption|选项(&O)||",
    "mnusavetip|编译时提示保存||c",
    "mnumakelist|编译时生成List文件||cx",
    "mnumakecross|编译时生成Cross文件||c",
    "hbar|-||",
    "mnumakemap|连接时生成Map文件||c",
    "mnuuselib|连接时要用库文件||c",
    "horbar|-||",
    "mnuparameter|编译连接时提示填参数||c",
    "getbar|-||",
    "mnugetdostools|获取 DOS 工具...||",
    "mnuWindow|窗口(&W)||",
    "mnuWindowNewWindow|新建窗口(&N)||",
    "mnuWindowBar0|-||",
    "mnuWindowCascade|层叠(&C)||",
    "mnuWindowTileHorizontal|横向平铺(&H)||",
    "mnuWindowTileVertical|纵向平铺(&V)||",
    "mnuWindowArrangeIcons|排列图标(&A)||",
    "mnuHelp|帮助(&H)||",
    "mnuHelpContents|使用说明(&C)||",
    "mnuHelpSearchForHelpOn|搜索帮助主题(&S)...||",
    "mnuHelpBar0|-||",
    "mnuHelpAbout|关于(&A) ||",
    "popmain|popmenu||",
    "popcut|剪切||d",
    "popcopy|复制||d",
    "poppaste|粘贴||",
    "popdelete|删除||",
    "pophbar|-||",
    "popfind|查找||",
    "popselectAll|全选||",
    "popRefresh|刷新|F4|",
    "pophbar1|-||",
    "popinsTip|指令提示||",
};

// Walks the real menus in order: the menu bar's menus, then the context menu.
static QList<QAction *> walk(frmMain *main)
{
    QList<QAction *> out;
    QList<QMenu *> menus;
    for (QAction *top : main->menuBar()->actions())
        menus << top->menu();
    menus << main->popmain;
    for (QMenu *menu : menus) {
        out << menu->menuAction();
        for (QAction *a : menu->actions())
            out << a;
    }
    return out;
}

void TestCommandSurface::menuTree_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("row");
    int i = 0;
    for (const char *row : kExpected) {
        const QString line = QString::fromUtf8(row);
        QTest::newRow(line.section(QLatin1Char('|'), 0, 0).toLatin1().constData()) << i++ << line;
    }
}

void TestCommandSurface::menuTree()
{
    QFETCH(int, index);
    QFETCH(QString, row);
    const QStringList f = row.split(QLatin1Char('|'));
    MainFixture fx;
    const QList<QAction *> actions = walk(fx.main.get());
    QCOMPARE(actions.size(), int(std::size(kExpected)));
    QAction *a = actions[index];
    QCOMPARE(a->objectName(), f[0]);
    if (f[1] == QLatin1String("-")) {
        QVERIFY(a->isSeparator());
        return;
    }
    QCOMPARE(a->text(), f[1]);
    QCOMPARE(a->shortcut().toString(QKeySequence::PortableText), f[2]);
    QCOMPARE(a->isCheckable(), f[3].contains(QLatin1Char('c')));
    QCOMPARE(a->isChecked(), f[3].contains(QLatin1Char('x')));
    // The context Delete starts enabled but, like the other selection
    // commands, follows the selection from the first selection change on.
    if (f[0] != QLatin1String("popdelete"))
        QCOMPARE(a->isEnabled(), !f[3].contains(QLatin1Char('d')));
    QVERIFY(a->isVisible());
    QVERIFY(!fx.main->menuBar()->actions().contains(fx.main->popmain->menuAction()));
}

void TestCommandSurface::toolbarKeys()
{
    MainFixture f;
    const QStringList keys = {"新建", "打开",   "保存", "-",    "剪切", "复制",   "粘贴", "删除",
                              "-",    "右缩进", "-",    "粗体", "斜体", "下划线", "-",    "查找"};
    const QList<QAction *> buttons = f.main->tbToolBar->actions();
    QCOMPARE(buttons.size(), keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        if (keys[i] == QLatin1String("-")) {
            QVERIFY2(buttons[i]->isSeparator(), qPrintable(QString::number(i + 1)));
            continue;
        }
        QCOMPARE(buttons[i]->objectName(), keys[i]);
        QCOMPARE(buttons[i]->toolTip(), keys[i]);
        QVERIFY2(!buttons[i]->icon().isNull(), qPrintable(keys[i]));
        QVERIFY(!buttons[i]->icon().pixmap(16, 16).isNull());
    }
    QVERIFY(buttons[9]->isCheckable());
    QCOMPARE(f.main->imlToolbarIcons.size(), 12);
    QCOMPARE(f.main->tbToolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);

    // The two-state button flips itself and carries the menu's check mark.
    QTest::mouseClick(f.main->tbToolBar->widgetForAction(buttons[9]), Qt::LeftButton);
    QVERIFY(buttons[9]->isChecked());
    QVERIFY(f.main->action(QStringLiteral("mnurightgo"))->isChecked());

    // The status bar's panels.
    const QList<QLabel *> panels = f.main->sbStatusBar->findChildren<QLabel *>();
    QVERIFY(std::any_of(panels.begin(), panels.end(),
                        [](QLabel *l) { return l->text() == QStringLiteral("状态"); }));
}

void TestCommandSurface::copyPasteKeepsColours_data()
{
    QTest::addColumn<bool>("byKeys");
    QTest::newRow("menu commands") << false;
    QTest::newRow("the control's own Ctrl+C and Ctrl+V") << true;
}

void TestCommandSurface::copyPasteKeepsColours()
{
    QFETCH(bool, byKeys);
    MainFixture f;
    RichText *first = f.text();
    first->setText(QStringLiteral("RED BLUE"));
    first->setSelStart(0);
    first->setSelLength(3);
    first->setSelColor(Qt::red);
    first->setSelStart(4);
    first->setSelLength(4);
    first->setSelColor(Qt::blue);
    first->setSelStart(0);
    first->setSelLength(8);
    if (byKeys)
        QTest::keyClick(first, Qt::Key_C, Qt::ControlModifier);
    else
        f.main->mnuEditCopy();

    // Any other program pastes the bare text.
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("RED BLUE"));
    QVERIFY(QApplication::clipboard()->mimeData()->hasHtml());

    f.main->Newdocument();
    RichText *second = f.text();
    QVERIFY(second != first);
    second->setText(QStringLiteral("<>"));
    second->setSelStart(1);
    if (byKeys)
        QTest::keyClick(second, Qt::Key_V, Qt::ControlModifier);
    else
        f.main->mnuEditPaste();
    QCOMPARE(second->text(), QStringLiteral("<RED BLUE>"));
    QCOMPARE(charColor(second, 1), QColor(Qt::red));
    QCOMPARE(charColor(second, 3), QColor(Qt::red));
    QCOMPARE(charColor(second, 5), QColor(Qt::blue));

    // Plain text alone pastes as text.
    QApplication::clipboard()->setText(QStringLiteral("A\r\nB"));
    second->setSelStart(0);
    f.main->mnuEditPaste();
    QCOMPARE(second->text(), QStringLiteral("A\r\nB<RED BLUE>"));
}

void TestCommandSurface::foreignPasteTakesOnlyWhatIsShown_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<bool>("byKeys");
    QTest::addColumn<QString>("pasted");

    // What a web page or an office program puts on the clipboard.
    QTest::newRow("non-breaking spaces in coloured markup")
        << "<span style=\"color:#ff0000\">MOV&nbsp;AX,1&nbsp;;x</span>" << QString() << false
        << "MOV AX,1 ;x";
    QTest::newRow("a table's cells, by Ctrl+V")
        << "<table><tr><td>MOV</td><td>AX,1</td></tr><tr><td>NOP</td></tr></table>" << QString()
        << true << "MOV\r\nAX,1\r\nNOP";
    QTest::newRow("an image between words")
        << "A<img src=\"data:image/png;base64,iVBORw0KGgo=\">B" << QString() << false << "AB";
    QTest::newRow("the plain text beside the markup, with invisible characters")
        << "<b>ignored</b>"
        << QStringLiteral("\uFEFFMOV\u00A0AX,\u200B1\u00AD\tNOP\uFFFC\r\nINC\u2028CX") << true
        << "MOV AX,1\tNOP\r\nINC\r\nCX";
}

void TestCommandSurface::foreignPasteTakesOnlyWhatIsShown()
{
    QFETCH(QString, html);
    QFETCH(QString, plain);
    QFETCH(bool, byKeys);
    QFETCH(QString, pasted);
    MainFixture f;
    RichText *rt = f.text();
    rt->setText(QStringLiteral("<>"));
    rt->setSelStart(1);
    rt->setSelColor(Qt::blue);
    auto *data = new QMimeData;
    data->setHtml(html);
    if (!plain.isEmpty())
        data->setText(plain);
    QApplication::clipboard()->setMimeData(data);
    if (byKeys)
        QTest::keyClick(rt, Qt::Key_V, Qt::ControlModifier);
    else
        f.main->mnuEditPaste();

    // Trim the line breaks that block markup puts around a table.
    QString text = rt->text();
    while (text.startsWith(QStringLiteral("<\r\n")))
        text.remove(1, 2);
    while (text.endsWith(QStringLiteral("\r\n>")))
        text.remove(text.size() - 3, 2);
    QCOMPARE(text, u'<' + pasted + u'>');
    // The markup's colours stay behind.
    QVERIFY(charColor(rt, 1) != QColor(Qt::red));
}

void TestCommandSurface::pasteWithoutDocumentDoesNothing()
{
    MainFixture f;
    f.dialogs.answerMsgBox(Dialogs::No);
    f.main->mnuFileClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    f.main->mnuEditPaste();
    f.main->mnuEditCopy();
    f.main->mnuEditCut();
    QVERIFY(f.main->documents().isEmpty());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x"));
}

void TestCommandSurface::cutWithEmptySelectionChangesNothing()
{
    MainFixture f;
    const QString before = f.text()->text();
    f.main->mnuEditCut();
    QCOMPARE(f.text()->text(), before);
}

void TestCommandSurface::styleButtonsFollowTheSelection_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("bold") << "粗体";
    QTest::newRow("italic") << "斜体";
    QTest::newRow("underline") << "下划线";
}

void TestCommandSurface::styleButtonsFollowTheSelection()
{
    QFETCH(QString, key);
    MainFixture f;
    f.text()->setText(QStringLiteral("plain text"));
    f.text()->setSelStart(0);
    f.text()->setSelLength(5);
    QAction *b = f.main->button(key);
    auto styled = [&] {
        return key == QStringLiteral("粗体")   ? f.text()->selBold()
               : key == QStringLiteral("斜体") ? f.text()->selItalic()
                                               : f.text()->selUnderline();
    };
    QVERIFY(!b->isChecked());
    QTest::mouseClick(f.main->tbToolBar->widgetForAction(b), Qt::LeftButton);
    QVERIFY(styled());
    QVERIFY(b->isChecked());
    QTest::mouseClick(f.main->tbToolBar->widgetForAction(b), Qt::LeftButton);
    QVERIFY(!styled());
    QVERIFY(!b->isChecked());

    // Selecting styled text shows the button pressed.
    f.main->tbToolBar_ButtonClick(b);
    b->setChecked(true);
    f.text()->setSelStart(6);
    QVERIFY(!b->isChecked());
    f.text()->setSelStart(1);
    f.text()->setSelLength(2);
    QVERIFY(b->isChecked());
}

void TestCommandSurface::viewTogglesShowAndHide()
{
    MainFixture f;
    QAction *toolbar = f.main->action(QStringLiteral("mnuViewToolbar"));
    QAction *status = f.main->action(QStringLiteral("mnuViewStatusBar"));
    toolbar->trigger();
    QVERIFY(!toolbar->isChecked());
    QVERIFY(!f.main->tbToolBar->isVisible());
    toolbar->trigger();
    QVERIFY(toolbar->isChecked());
    QVERIFY(f.main->tbToolBar->isVisible());
    status->trigger();
    QVERIFY(!f.main->sbStatusBar->isVisible());
    status->trigger();
    QVERIFY(f.main->sbStatusBar->isVisible());
}

void TestCommandSurface::newWindowCommands()
{
    MainFixture f;
    f.main->action(QStringLiteral("mnuWindowNewWindow"))->trigger();
    QCOMPARE(f.main->documents().size(), 2);
    QTest::mouseClick(f.main->tbToolBar->widgetForAction(f.main->button(QStringLiteral("新建"))),
                      Qt::LeftButton);
    QCOMPARE(f.main->documents().size(), 3);
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid3.asm"));
}

void TestCommandSurface::windowListAndTiling()
{
    MainFixture f;
    f.main->Newdocument();
    // An & in a file name shows as itself, not as an access key.
    f.doc()->setCaption(f.toolFolder() + QStringLiteral("R&D.asm"));
    QMenu *window = f.main->findChild<QMenu *>(QStringLiteral("mnuWindow"));
    emit window->aboutToShow();
    QStringList listed;
    for (QAction *a : window->actions()) {
        if (a->text().contains(f.toolFolder()))
            listed << a->text();
    }
    QCOMPARE(listed,
             (QStringList{QStringLiteral("&1 ") + f.toolFolder() + QStringLiteral("VaDid1.asm"),
                          QStringLiteral("&2 ") + f.toolFolder() + QStringLiteral("R&&D.asm")}));
    // Choosing an entry activates that window.
    for (QAction *a : window->actions()) {
        if (a->text().startsWith(QStringLiteral("&1 ")))
            a->trigger();
    }
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid1.asm"));

    const QList<QMdiSubWindow *> subs = f.main->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    const QRect area = f.main->mdiArea()->viewport()->rect();
    f.main->mnuWindowTileHorizontal();
    QCOMPARE(subs[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    QCOMPARE(subs[1]->y(), area.height() / 2);
    f.main->mnuWindowTileVertical();
    QCOMPARE(subs[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    QCOMPARE(subs[1]->x(), area.width() / 2);
    f.main->mnuWindowCascade();
    QVERIFY(subs[1]->pos() != subs[0]->pos());
    subs[0]->showMinimized();
    subs[1]->showMinimized();
    f.main->mnuWindowArrangeIcons();
    QCOMPARE(subs[0]->geometry().bottom(), area.bottom());
    QCOMPARE(subs[1]->x(), subs[0]->geometry().right() + 1);
    // Tiling leaves the icons of minimised windows in view.
    subs[1]->showNormal();
    f.main->mnuWindowTileHorizontal();
    QVERIFY(subs[1]->geometry().bottom() < subs[0]->y());
    QCOMPARE(subs[0]->geometry().bottom(), area.bottom());
    f.main->mnuWindowTileVertical();
    QVERIFY(subs[1]->geometry().bottom() < subs[0]->y());
}

void TestCommandSurface::contextDeleteRemovesSelection()
{
    MainFixture f;
    f.text()->setText(QStringLiteral("MOV AX,BX"));
    f.text()->setSelStart(3);
    f.text()->setSelLength(3);
    f.main->action(QStringLiteral("popdelete"))->trigger();
    QCOMPARE(f.text()->text(), QStringLiteral("MOV,BX"));
    f.main->action(QStringLiteral("popselectAll"))->trigger();
    QCOMPARE(f.text()->selLength(), 6);
}

void TestCommandSurface::selectionEnablesCutCopyDelete()
{
    MainFixture f;
    const QStringList items = {"mnudelete", "mnuEditCopy", "mnuEditCut",
                               "popcopy",   "popcut",      "popdelete"};
    const QStringList keys = {"复制", "剪切", "删除"};
    QTest::keyClick(f.text(), Qt::Key_Right, Qt::ShiftModifier);
    for (const QString &n : items)
        QVERIFY2(f.main->action(n)->isEnabled(), qPrintable(n));
    for (const QString &k : keys)
        QVERIFY2(f.main->button(k)->isEnabled(), qPrintable(k));
    QTest::keyClick(f.text(), Qt::Key_Left);
    for (const QString &n : items)
        QVERIFY2(!f.main->action(n)->isEnabled(), qPrintable(n));
    for (const QString &k : keys)
        QVERIFY2(!f.main->button(k)->isEnabled(), qPrintable(k));
}

void TestCommandSurface::rightClickOpensContextMenu()
{
    MainFixture f;
    QWidget *viewport = f.text()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!f.main->popmain->isVisible());
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 20));
    QTRY_VERIFY(f.main->popmain->isVisible());
    f.main->popmain->hide();
}

void TestCommandSurface::instructionHintFollowsTheCaret()
{
    MainFixture f;
    const QString text = "        MOV AX,DATA\r\nLP:     LOOP LP\r\n        INT 21H\r\n"
                         "        MOV CX,CNTX";
    f.text()->setText(text);
    f.text()->setSelStart(0);

    // Chosen from the context menu: the word under the mouse, not at the caret.
    QTextCursor onLoop(f.text()->document()->findBlockByNumber(1));
    onLoop.setPosition(onLoop.position() + 10);
    const QPoint mouse = f.text()->cursorRect(onLoop).center();
    QTest::mouseClick(f.text()->viewport(), Qt::RightButton, {}, mouse);
    QTRY_VERIFY(f.main->popmain->isVisible());
    f.main->popmain->hide();
    f.main->action("popinsTip")->trigger();
    auto *hint = f.main->findChild<frmHint *>();
    QVERIFY(hint && hint->isVisible());
    QCOMPARE(hint->windowTitle(), QStringLiteral("指令提示"));
    QCOMPARE(hint->word(), QStringLiteral("LOOP"));
    QVERIFY(hint->Hint->toPlainText().contains("CX"));

    // While it is open it follows the caret.
    const std::pair<const char *, const char *> moves[] = {
        {"MOV AX", "MOV"}, {"21H", "INT 21H"}, {"CNTX", "CNTX"}};
    for (const auto &[at, word] : moves) {
        f.text()->setSelStart(int(text.indexOf(at)) + 1);
        QCOMPARE(hint->word(), QString(word));
    }
    QCOMPARE(hint->Hint->toPlainText(), QStringLiteral("没有“CNTX”的提示。"));

    // Escape in the document closes it and types nothing.
    QTest::keyClick(f.text(), Qt::Key_Escape);
    QVERIFY(!hint->isVisible());
    QCOMPARE(f.text()->text(), text);
}

QTEST_MAIN(TestCommandSurface)
#include "tst_commandsurface.moc"
