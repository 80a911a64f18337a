#include "app/frmmain.h"

#include "editing/accesskeys.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace {

// One row of the menu tree: a top-level menu starts with "menu"; "-" is a
// separator; a check item starts checked or not as the window is designed.
struct Item
{
    const char *name;
    const char *caption;
    const char *shortcut = nullptr;
    // The items after a SubMenu go into it, up to the next Menu.
    enum Kind { Command, Menu, Separator, Check, SubMenu } kind = Command;
    bool enabled = true;
    bool checked = false;
};

using K = Item::Kind;

const Item kMenuBar[] = {
    {"mnuFile", "文件(&F)", nullptr, K::Menu},
    {"mnuFileNew", "新建(&N)", "Ctrl+N"},
    {"mnuFileOpen", "打开(&O)...", "Ctrl+O"},
    {"mnuFileClose", "关闭(&C)"},
    {"mnuFileBar0", "-", nullptr, K::Separator},
    {"mnuFileSave", "保存(&S)", "Ctrl+S"},
    {"mnuFileSaveAs", "另存为(&A)..."},
    {"mnuFileBar1", "-", nullptr, K::Separator},
    {"mnuFilePageSetup", "页面设置(&U)..."},
    {"mnuFilePrint", "打印(&P)..."},
    {"mnuFileBar3", "-", nullptr, K::Separator},
    {"mnuFileExit", "退出(&X)"},
    {"mnuEdit", "编辑(&E)", nullptr, K::Menu},
    {"mnuEditCut", "剪切(&T)", "Ctrl+X", K::Command, false},
    {"mnuEditCopy", "复制(&C)", "Ctrl+C", K::Command, false},
    {"mnuEditPaste", "粘贴(&P)"},
    {"mnudelete", "删除(&D)", "Ctrl+D", K::Command, false},
    {"menufilebar4", "-", nullptr, K::Separator},
    {"mnuRefresh", "刷新"},
    {"mnuselectAll", "全选"},
    {"mnuhbarn", "-", nullptr, K::Separator},
    {"mnurightgo", "右缩进", nullptr, K::Check, true, true},
    {"mnuUpLow", "小写风格"},
    {"newaddbar", "-", nullptr, K::Separator},
    {"menufind", "查找(&Z)", "Ctrl+F"},
    {"mnuView", "视图(&V)", nullptr, K::Menu},
    {"mnuViewToolbar", "工具栏(&T)", nullptr, K::Check, true, true},
    {"mnuViewStatusBar", "状态栏(&B)", nullptr, K::Check, true, true},
    {"mnuViewBar0", "-", nullptr, K::Separator},
    {"mnuViewOptions", "右缩进选项..."},
    {"mnuViewWebBrowser", "访问我们的网站(&V)"},
    {"menuRun", "运行(&R)", nullptr, K::Menu},
    {"mnucompile", "编译(&A)", "F9"},
    {"mnuCompilelist", "查看编译结果(Souce list)", nullptr, K::Command, false},
    {"mnulookcross", "查看Cross文件", nullptr, K::Command, false},
    {"bar10", "-", nullptr, K::Separator},
    {"mnulink", "连接(&L)", "Ctrl+L", K::Command, false},
    {"mnulinkresult", "查看连接结果(LinkMap)", nullptr, K::Command, false},
    {"bar11", "-", nullptr, K::Separator},
    {"mnurundebug", "运行Debug"},
    {"mnurun", "运行(&R)", "F5", K::Command, false},
    {"minusbar", "-", nullptr, K::Separator},
    {"mnushellDOS", "启动MS-DOS", "F8"},
    {"nextmarkbar", "-", nullptr, K::Separator},
    {"mnunextmark", "下一个错误/警告行(&E)", "F6"},
    {"debugbar", "-", nullptr, K::Separator},
    {"mnudebugstart", "开始调试(&G)", "Ctrl+F5"},
    {"mnustepinto", "单步(&I)", "F11"},
    {"mnustepover", "跳过(&N)", "F10"},
    {"mnustepout", "跳出(&T)", "Shift+F11", K::Command, false},
    {"mnustepinstruction", "单步一条指令(&Y)", "Ctrl+F11"},
    {"mnuruntocursor", "运行到光标处(&H)", "Ctrl+F10"},
    {"mnutogglebreakpoint", "切换断点(&B)", "F2"},
    {"mnustopdebug", "停止调试(&X)", "Shift+F5", K::Command, false},
    {"mnupausedebug", "暂停(&P)", "F12", K::Command, false},
    {"mnuinterruptsteps", "单步时进入硬件中断(&K)", nullptr, K::Check, true, false},
    {"backbar", "-", nullptr, K::Separator},
    {"mnustepback", "反向单步(&U)", "Ctrl+Shift+F11", K::Command, false},
    {"mnurunback", "反向运行(&V)", "Ctrl+Shift+F5", K::Command, false},
    {"displaybar", "-", nullptr, K::Separator},
    {"mnudisplaymode", "显示方式", nullptr, K::SubMenu},
    {"mnudisplaygbk", "中文 GBK", nullptr, K::Check, true, true},
    {"mnudisplay437", "西文 437", nullptr, K::Check, true, false},
    {"menucolor", "设置(&S)", nullptr, K::Menu},
    {"mnufont", "字体(&F)"},
    {"mnufontsize", "字体大小"},
    {"bar15", "-", nullptr, K::Separator},
    {"mnucodecolor", "代码颜色"},
    {"mnudimcolor", "注释颜色"},
    {"mnucurrentcolor", "当前颜色"},
    {"mnubackcolor", "背景颜色"},
    // The toolbar's styles, for the keyboard, after the design's own items.
    {"stylebar", "-", nullptr, K::Separator},
    {"mnubold", "粗体(&O)", "Ctrl+B"},
    {"mnuitalic", "斜体(&I)", "Ctrl+I"},
    {"mnuunderline", "下划线(&U)", "Ctrl+U"},
    {"menuoption", "选项(&O)", nullptr, K::Menu},
    // The design checks every option; the load handler sets the start marks.
    {"mnusavetip", "编译时提示保存", nullptr, K::Check, true, true},
    {"mnumakelist", "编译时生成List文件", nullptr, K::Check, true, true},
    {"mnumakecross", "编译时生成Cross文件", nullptr, K::Check, true, true},
    {"hbar", "-", nullptr, K::Separator},
    {"mnumakemap", "连接时生成Map文件", nullptr, K::Check, true, true},
    {"mnuuselib", "连接时要用库文件", nullptr, K::Check, true, true},
    {"horbar", "-", nullptr, K::Separator},
    {"mnuparameter", "编译连接时提示填参数", nullptr, K::Check, true, true},
    {"getbar", "-", nullptr, K::Separator},
    {"mnugetdostools", "获取 DOS 工具..."},
    {"mnudosboxonly", "DOS 工具一律在 DOSBox 中运行(&B)", nullptr, K::Check, true, false},
    {"mnuf5dosbox", "运行(F5)的程序一律在 DOSBox 中运行(&F)", nullptr, K::Check, true, false},
    {"mnuWindow", "窗口(&W)", nullptr, K::Menu},
    {"mnuWindowNewWindow", "新建窗口(&N)"},
    {"mnuWindowBar0", "-", nullptr, K::Separator},
    {"mnuWindowCascade", "层叠(&C)"},
    {"mnuWindowTileHorizontal", "横向平铺(&H)"},
    {"mnuWindowTileVertical", "纵向平铺(&V)"},
    {"mnuWindowArrangeIcons", "排列图标(&A)"},
    {"mnuHelp", "帮助(&H)", nullptr, K::Menu},
    {"mnuHelpContents", "使用说明(&C)"},
    {"mnuHelpSearchForHelpOn", "搜索帮助主题(&S)..."},
    {"mnuHelpBar0", "-", nullptr, K::Separator},
    {"mnuHelpAbout", "关于(&A) "},
    {"helpbar1", "-", nullptr, K::Separator},
    {"mnuHelpGuide", "Korvane 使用指南(&G)"},
    {"helpbar2", "-", nullptr, K::Separator},
    {"mnuHelpMessages", "汇编与连接信息说明(&M)"},
};

// The context menu of the documents: a menu of the menu bar that is never visible.
const Item kPopMain[] = {
    {"popcut", "剪切", nullptr, K::Command, false},
    {"popcopy", "复制", nullptr, K::Command, false},
    {"poppaste", "粘贴"},
    {"popdelete", "删除"},
    {"pophbar", "-", nullptr, K::Separator},
    {"popfind", "查找"},
    {"popselectAll", "全选"},
    {"popRefresh", "刷新", "F4"},
    {"pophbar1", "-", nullptr, K::Separator},
    {"popinsTip", "指令提示"},
};

// A style sheet's paddings (qt6ct and the like set them) make a menu taller
// than the size it was placed by: near the screen's foot its last item would
// be cut. Once shown, a menu that reaches past the screen moves up onto it.
class KeepOnScreen : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *menu = qobject_cast<QMenu *>(watched);
        const bool placed = event->type() == QEvent::Show ||
                            (event->type() == QEvent::Resize && menu && menu->isVisible());
        if (menu && placed && menu->screen()) {
            const QRect screen = menu->screen()->availableGeometry();
            QRect g = menu->geometry();
            if (g.bottom() > screen.bottom())
                g.moveBottom(screen.bottom());
            if (g.right() > screen.right())
                g.moveRight(screen.right());
            g.moveTop(std::max(g.top(), screen.top()));
            g.moveLeft(std::max(g.left(), screen.left()));
            if (g != menu->geometry())
                menu->move(g.topLeft());
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QAction *frmMain::addItem(QMenu *menu, const QString &name, const QString &caption,
                          const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(shortcut);
    actions_.insert(name, a);
    return a;
}

void frmMain::createMenus()
{
    auto build = [this](QMenu *menu, const Item &item) {
        const QString name = QString::fromLatin1(item.name);
        if (item.kind == K::Separator) {
            QAction *sep = menu->addSeparator();
            sep->setObjectName(name);
            actions_.insert(name, sep);
            return;
        }
        QAction *a = addItem(menu, name, withAccessKey(name, QString::fromUtf8(item.caption)),
                             item.shortcut ? QKeySequence(QString::fromLatin1(item.shortcut))
                                           : QKeySequence());
        a->setEnabled(item.enabled);
        if (item.kind == K::Check) {
            a->setCheckable(true);
            a->setChecked(item.checked);
        }
    };

    QMenu *current = nullptr;
    for (const Item &item : kMenuBar) {
        if (item.kind == K::Menu || item.kind == K::SubMenu) {
            const QString caption = QString::fromUtf8(item.caption);
            current =
                item.kind == K::Menu
                    ? menuBar()->addMenu(caption)
                    : current->addMenu(withAccessKey(QString::fromLatin1(item.name), caption));
            current->setObjectName(QString::fromLatin1(item.name));
            current->menuAction()->setObjectName(QString::fromLatin1(item.name));
            actions_.insert(QString::fromLatin1(item.name), current->menuAction());
            continue;
        }
        build(current, item);
    }
    // Checking one's own program against the teacher's tests, after the
    // Run menu's own items.
    if (auto *run = menuBar()->findChild<QMenu *>(QStringLiteral("menuRun"))) {
        build(run, Item{"selftestbar", "-", nullptr, K::Separator});
        build(run, Item{"mnuselftest", "自测(&Z)..."});
    }

    popmain = new QMenu(QStringLiteral("popmenu"), this);
    popmain->setObjectName(QStringLiteral("popmain"));
    popmain->menuAction()->setObjectName(QStringLiteral("popmain"));
    actions_.insert(QStringLiteral("popmain"), popmain->menuAction());
    for (const Item &item : kPopMain)
        build(popmain, item);
    popmain->installEventFilter(new KeepOnScreen(popmain));
    // The context items' shortcuts work while the menu is closed, too.
    addActions(popmain->actions());
}
