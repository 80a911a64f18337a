#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/frmdocument.h"
#include "documents/textfile.h"
#include "platform/richtext.h"
#include "rules/listingreport.h"
#include "toolchain/toolwait.h"

#include <QMdiArea>
#include <QMdiSubWindow>

static QMdiSubWindow *showView(QMdiArea *area, frmDocument *view)
{
    QMdiSubWindow *sub = area->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    area->setActiveSubWindow(sub);
    // Ready for the keys: Find, F6, the arrows.
    view->Text1->setFocus();
    return sub;
}

// The listing as the view shows it: every line ends in CR LF.
static QString listingViewText(const QString &listing)
{
    QString text;
    for (const QString &line : listingLines(listing))
        text += line + QStringLiteral("\r\n");
    return text;
}

bool ToolchainController::activateViewSource()
{
    frmDocument *view = activeDocument();
    if (!view || view->kind == frmDocument::Kind::Source)
        return true;
    for (QMdiSubWindow *sub : mdiArea()->subWindowList()) {
        if (view->viewOf && sub->widget() == view->viewOf) {
            mdiArea()->setActiveSubWindow(sub);
            view->viewOf->Text1->setFocus();
            return true;
        }
    }
    dialogs().msgBox(window(),
                     QStringLiteral("这个窗口显示的是编译或连接的结果，它的源程序窗口已经关闭。"
                                    "请在源程序的窗口中编译。"),
                     Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
    return false;
}

void ToolchainController::refreshListingViews(const QString &listing)
{
    const QString path = Fso->actualPath(listing);
    const auto file = readTextFile(path);
    for (frmDocument *view : documents()) {
        if (file && view->kind == frmDocument::Kind::Listing && view->caption() == path)
            view->Text1->setText(listingViewText(file->text));
    }
}

void ToolchainController::mnuCompilelist()
{
    // An assembly still under way will replace the listing: the view waits
    // for its cleaned form, and for nothing else.
    auto *wait = new ToolWait(this);
    wait->ready = [this] { return !assemblyPending_; };
    wait->then = [this] {
        const QString listing = Listpath;
        const auto file =
            Fso->fileExists(listing) ? readTextFile(Fso->actualPath(listing)) : std::nullopt;
        if (!file) {
            dialogs().msgBox(
                window(),
                QStringLiteral("没有可以查看的列表文件") +
                    (listing.isEmpty() ? QStringLiteral("。") : QStringLiteral("：") + listing),
                Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
            return;
        }
        auto *view = documents_.createWindow();
        view->setCaption(Fso->actualPath(listing));
        view->encoding = file->encoding;
        view->kind = frmDocument::Kind::Listing;
        view->viewOf = assembledDoc_;
        showView(mdiArea(), view);
        view->Text1->setText(listingViewText(file->text));
    };
    wait->start();
}

void ToolchainController::mnulinkresult()
{
    auto *view = documents_.createWindow();
    view->kind = frmDocument::Kind::Map;
    view->viewOf = assembledDoc_;
    // A bare name: the map is looked for in the working directory.
    const QString map = Fso->baseName(documents_.Lastsaved) + QStringLiteral(".Map");
    view->setCaption(map);
    const QPointer<QMdiSubWindow> sub = showView(mdiArea(), view);
    const QPointer<frmDocument> shown(view);

    auto *wait = new ToolWait(this);
    wait->dependOn(view);
    wait->ready = [this] { return !linkerRunning(); };
    wait->then = [this, map, sub, shown] {
        const auto file = Fso->fileExists(map) ? readTextFile(Fso->actualPath(map)) : std::nullopt;
        if (!shown)
            return;
        if (!file) {
            // An empty window would wait for a map no linker is writing.
            delete sub;
            dialogs().msgBox(window(), QStringLiteral("没有可以查看的连接映像文件：") + map,
                             Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
            return;
        }
        shown->encoding = file->encoding;
        shown->Text1->setText(file->text);
    };
    wait->start();
}

void ToolchainController::mnulookcross()
{
    // The cross-reference file has no view.
}
