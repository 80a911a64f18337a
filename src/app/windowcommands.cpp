#include "app/frmmain.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

void frmMain::mnuViewToolbar()
{
    // The item is a check item: choosing it has already flipped the mark.
    tbToolBar->setVisible(action(QStringLiteral("mnuViewToolbar"))->isChecked());
}

void frmMain::mnuViewStatusBar()
{
    sbStatusBar->setVisible(action(QStringLiteral("mnuViewStatusBar"))->isChecked());
}

void frmMain::mnuWindowCascade()
{
    mdiArea()->cascadeSubWindows();
}

static QList<QMdiSubWindow *> openWindows(QMdiArea *area)
{
    QList<QMdiSubWindow *> list;
    for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            list.append(sub);
    }
    return list;
}

// Windows stacked one above the other (horizontal) or side by side.
static void tile(QMdiArea *area, bool horizontal)
{
    const QList<QMdiSubWindow *> list = openWindows(area);
    if (list.isEmpty())
        return;
    const QRect r = area->viewport()->rect();
    const int n = int(list.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = list[i];
        if (sub->isMaximized())
            sub->showNormal();
        if (horizontal) {
            const int top = r.height() * i / n;
            sub->setGeometry(0, top, r.width(), r.height() * (i + 1) / n - top);
        } else {
            const int left = r.width() * i / n;
            sub->setGeometry(left, 0, r.width() * (i + 1) / n - left, r.height());
        }
    }
}

void frmMain::mnuWindowTileHorizontal()
{
    tile(mdiArea(), true);
}

void frmMain::mnuWindowTileVertical()
{
    tile(mdiArea(), false);
}

void frmMain::mnuWindowArrangeIcons()
{
    // Minimized windows line up along the bottom edge, left to right.
    const QRect r = mdiArea()->viewport()->rect();
    int x = 0;
    int y = r.height();
    for (QMdiSubWindow *sub : mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize s = sub->size();
        if (x > 0 && x + s.width() > r.width()) {
            x = 0;
            y -= s.height();
        }
        sub->move(x, y - s.height());
        x += s.width();
    }
}

void frmMain::fillWindowList()
{
    // Below its own items the Window menu lists the open windows.
    QMenu *menu = findChild<QMenu *>(QStringLiteral("mnuWindow"));
    for (QAction *a : std::as_const(windowList_)) {
        menu->removeAction(a);
        a->deleteLater();
    }
    windowList_.clear();
    const QList<QMdiSubWindow *> subs = mdiArea()->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty())
        return;
    windowList_.append(menu->addSeparator());
    int n = 0;
    for (QMdiSubWindow *sub : subs) {
        ++n;
        const QString title = sub->windowTitle();
        QAction *a = menu->addAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(title)
                                            : QStringLiteral("%1 %2").arg(n).arg(title));
        a->setCheckable(true);
        a->setChecked(sub == mdiArea()->currentSubWindow());
        QPointer<QMdiSubWindow> target = sub;
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) {
                if (target->isMinimized())
                    target->showNormal();
                mdiArea()->setActiveSubWindow(target);
            }
        });
        windowList_.append(a);
    }
}
