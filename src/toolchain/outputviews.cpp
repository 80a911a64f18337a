#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "documents/textfile.h"
#include "platform/eventpump.h"
#include "platform/richtext.h"
#include "toolchain/listingreport.h"

#include <QMdiArea>
#include <QMdiSubWindow>

static QMdiSubWindow *showView(QMdiArea *area, frmDocument *view)
{
    QMdiSubWindow *sub = area->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    area->setActiveSubWindow(sub);
    return sub;
}

void frmMain::mnuCompilelist()
{
    const QPointer<frmMain> self(this);
    // Not shown until its file is there.
    QPointer<frmDocument> view = new frmDocument(this, this);
    view->hide();
    // An assembly still under way will replace the listing: wait for its
    // cleaned form.
    while (listingWaitGeneration_ != 0 || !Fso->fileExists(Listpath)) {
        pumpEvents();
        if (!self)
            return;
        if (isClosing() || !view) {
            delete view;
            return;
        }
    }
    const QString path = Fso->actualPath(Listpath);
    const auto file = readTextFile(path);
    if (!file) {
        delete view;
        return;
    }
    QString text;
    for (const QString &line : listingLines(file->text))
        text += line + QStringLiteral("\r\n");
    view->setCaption(path);
    view->encoding = file->encoding;
    showView(mdiArea(), view);
    view->Text1->setText(text);
}

void frmMain::mnulinkresult()
{
    const QPointer<frmMain> self(this);
    QPointer<frmDocument> view = new frmDocument(this, this);
    // A bare name: the map is looked for in the working directory.
    view->setCaption(Fso->baseName(Lastsaved) + QStringLiteral(".Map"));
    showView(mdiArea(), view);
    while (linkerRunning() || !Fso->fileExists(view->caption())) {
        pumpEvents();
        if (!self || isClosing() || !view)
            return;
    }
    const auto file = readTextFile(Fso->actualPath(view->caption()));
    if (!file)
        return;
    view->encoding = file->encoding;
    view->Text1->setText(file->text);
}

void frmMain::mnulookcross()
{
    // The cross-reference file has no view.
}
