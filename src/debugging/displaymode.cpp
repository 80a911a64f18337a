// 运行 → 显示方式: 中文 GBK or 西文 437 for the bytes 80h-FFh on the
// program's screen, in F5's window and the 屏幕 panel.
#include "app/frmmain.h"
#include "debugging/debugstate.h"
#include "debugging/screenview.h"
#include "documents/frmdocument.h"

#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>

void frmMain::connectDisplayCommands()
{
    auto *group = new QActionGroup(this);
    group->addAction(action(QStringLiteral("mnudisplaygbk")));
    group->addAction(action(QStringLiteral("mnudisplay437")));
    connect(action(QStringLiteral("mnudisplaygbk")), &QAction::triggered, this,
            &frmMain::mnudisplaygbk);
    connect(action(QStringLiteral("mnudisplay437")), &QAction::triggered, this,
            &frmMain::mnudisplay437);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::showDisplayMode);
}

static void setWestern(frmMain *main, frmDocument *doc, bool on)
{
    if (doc)
        doc->westernText = on;
    // The screens on view now: the 屏幕 panel and F5's windows.
    for (ScreenView *screen : main->findChildren<ScreenView *>())
        screen->setWesternText(on);
}

void frmMain::mnudisplaygbk()
{
    setWestern(this, activeDocument(), false);
}

void frmMain::mnudisplay437()
{
    setWestern(this, activeDocument(), true);
}

void frmMain::showDisplayMode()
{
    const frmDocument *doc = activeDocument();
    const bool western = doc && doc->westernText;
    action(QStringLiteral("mnudisplay437"))->setChecked(western);
    action(QStringLiteral("mnudisplaygbk"))->setChecked(!western);
    if (debugPanels_ && debugPanels_->screen)
        debugPanels_->screen->setWesternText(western);
}
