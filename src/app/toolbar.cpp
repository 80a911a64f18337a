#include "app/frmmain.h"

#include "editing/editingcontroller.h"

#include <QToolBar>

static void initToolbarResources()
{
    Q_INIT_RESOURCE(toolbar);
}

namespace {

struct Button
{
    const char *key; // also the tooltip; nullptr for a separator
    const char *icon;
    bool twoState = false;
};

// Positions 1 to 16; the right-indent button is position 10.
const Button kButtons[] = {
    {"新建", "New"},          {"打开", "Open"},
    {"保存", "Save"},         {nullptr, nullptr},
    {"剪切", "Cut"},          {"复制", "Copy"},
    {"粘贴", "Paste"},        {"删除", "Delete"},
    {nullptr, nullptr},       {"右缩进", "Tab Right", true},
    {nullptr, nullptr},       {"粗体", "Bold", true},
    {"斜体", "Italic", true}, {"下划线", "Underline", true},
    {nullptr, nullptr},       {"查找", "Find"},
};

// The image list: key and picture, in the list's order.
const std::pair<const char *, const char *> kIcons[] = {
    {"New", "new"},   {"Open", "open"},     {"Save", "save"},           {"Cut", "cut"},
    {"Copy", "copy"}, {"Paste", "paste"},   {"Delete", "delete"},       {"Tab Right", "tabright"},
    {"Bold", "bold"}, {"Italic", "italic"}, {"Underline", "underline"}, {"Find", "find"},
};

} // namespace

void frmMain::createToolbar()
{
    initToolbarResources();
    // The image list: the pictures by their keys.
    QHash<QString, QIcon> imlToolbarIcons;
    for (const auto &[key, file] : kIcons) {
        imlToolbarIcons.insert(
            QString::fromLatin1(key),
            QIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QString::fromLatin1(file))));
    }

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Hiding goes through the View menu only, so its check mark stays true.
    tbToolBar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, tbToolBar);

    for (const Button &b : kButtons) {
        if (!b.key) {
            tbToolBar->addSeparator();
            continue;
        }
        const QString key = QString::fromUtf8(b.key);
        QAction *a = tbToolBar->addAction(imlToolbarIcons.value(QString::fromLatin1(b.icon)), key);
        a->setObjectName(key);
        a->setToolTip(key);
        // Buttons show a pressed state; the two-state one flips it by itself,
        // the style buttons get theirs from their command.
        a->setCheckable(b.twoState);
        buttons_.insert(key, a);
    }
    connect(tbToolBar, &QToolBar::actionTriggered, this, &frmMain::tbToolBar_ButtonClick);

    // The debugger's commands, after the buttons above: the menu items
    // themselves, their keys in the tooltips.
    tbToolBar->addSeparator()->setObjectName(QStringLiteral("debugbuttonsbar"));
    const std::pair<const char *, const char *> debugButtons[] = {
        {"mnudebugstart", "debugstart"},   {"mnustepinto", "stepinto"},
        {"mnustepover", "stepover"},       {"mnustepout", "stepout"},
        {"mnuruntocursor", "runtocursor"}, {"mnutogglebreakpoint", "breakpoint"},
        {"mnupausedebug", "pausedebug"},   {"mnustopdebug", "stopdebug"},
    };
    for (const auto &[name, icon] : debugButtons) {
        QAction *a = action(QString::fromLatin1(name));
        a->setIcon(QIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QString::fromLatin1(icon))));
        tbToolBar->addAction(a);
    }
    // Menu items show no icons: the menus look as they always have.
    for (QAction *a : tbToolBar->actions())
        a->setIconVisibleInMenu(false);
}

void frmMain::tbToolBar_ButtonClick(QAction *b)
{
    const QString key = b->objectName();
    if (key == QStringLiteral("新建"))
        Newdocument();
    else if (key == QStringLiteral("打开"))
        mnuFileOpen();
    else if (key == QStringLiteral("保存"))
        mnuFileSave();
    else if (key == QStringLiteral("剪切"))
        mnuEditCut();
    else if (key == QStringLiteral("复制"))
        mnuEditCopy();
    else if (key == QStringLiteral("粘贴"))
        mnuEditPaste();
    else if (key == QStringLiteral("删除"))
        mnudelete();
    else if (key == QStringLiteral("右缩进"))
        editing_->rightIndentButton(b);
    else if (key == QStringLiteral("粗体"))
        editing_->toggleStyle(EditingController::Style::Bold);
    else if (key == QStringLiteral("斜体"))
        editing_->toggleStyle(EditingController::Style::Italic);
    else if (key == QStringLiteral("下划线"))
        editing_->toggleStyle(EditingController::Style::Underline);
    else if (key == QStringLiteral("查找"))
        action(QStringLiteral("menufind"))->trigger();
}
