#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void frmMain::watchWindowState(QMdiSubWindow *sub)
{
    if (sub)
        connect(sub, &QMdiSubWindow::windowStateChanged, this, &frmMain::subWindowStateChanged,
                Qt::UniqueConnection);
}

void frmMain::focusText(QMdiSubWindow *sub)
{
    // The window looks active once restored, but keys reach a window only
    // through a widget that has the focus.
    if (auto *doc = qobject_cast<frmDocument *>(sub->widget()))
        doc->Text1->setFocus();
    else if (QWidget *w = sub->widget())
        (w->focusWidget() ? w->focusWidget() : w)->setFocus();
}

void frmMain::subWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(sender());
    if (sub && (oldState & Qt::WindowMinimized) && !(newState & Qt::WindowMinimized) &&
        sub == mdiArea_->currentSubWindow()) {
        focusText(sub);
        return;
    }
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
        focusText(other);
        return;
    }
}
