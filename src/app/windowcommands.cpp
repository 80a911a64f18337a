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

// Lines the minimised windows up along the bottom edge, left to right;
// returns the top of the highest row, the bottom edge when there are none.
static int arrangeIcons(QMdiArea *area)
{
    const QRect r = area->viewport()->rect();
    int x = 0;
    int y = r.height();
    int top = r.height();
    for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize s = sub->size();
        if (x > 0 && x + s.width() > r.width()) {
            x = 0;
            y -= s.height();
        }
        sub->move(x, y - s.height());
        top = std::min(top, y - s.height());
        x += s.width();
    }
    return top;
}

// Windows stacked one above the other (horizontal) or side by side, in the
// room above the icons of the minimised windows.
static void tile(QMdiArea *area, bool horizontal)
{
    const QList<QMdiSubWindow *> list = openWindows(area);
    if (list.isEmpty())
        return;
    QRect r = area->viewport()->rect();
    r.setHeight(std::max(1, arrangeIcons(area)));
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
    arrangeIcons(mdiArea());
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
        // An & in a file name is shown, not taken for an access key.
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
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
                focusText(target);
            }
        });
        windowList_.append(a);
    }
}
