#include "app/frmmain.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void frmMain::watchWindowState(QMdiSubWindow *sub)
{
    if (sub)
        connect(sub, &QMdiSubWindow::windowStateChanged, this, &frmMain::subWindowStateChanged,
                Qt::UniqueConnection);
}

void frmMain::subWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(sender());
    if (!sub || !(newState & Qt::WindowMinimized) || (oldState & Qt::WindowMinimized))
        return;
    QMdiSubWindow *current = mdiArea_->currentSubWindow();
    if (current && current != sub)
        return;
    // As the platform's own multi-document windows do, the window used most
    // recently of those still shown takes over: the commands act on it, and
    // typing reaches it.
    const QList<QMdiSubWindow *> recent = mdiArea_->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = recent.crbegin(); it != recent.crend(); ++it) {
        QMdiSubWindow *other = *it;
        if (other == sub || !other->isVisible() || other->isMinimized())
            continue;
        mdiArea_->setActiveSubWindow(other);
        if (QWidget *w = other->widget())
            (w->focusWidget() ? w->focusWidget() : w)->setFocus();
        return;
    }
}
