#include "platform/colors.h"
#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/linebreaks.h"
#include "documents/textfile.h"
#include "rules/textrules.h"
#include "platform/richtext.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QTextDocument>

static void prepareFileDialog(FileDialogState &dialog, const char *title)
{
    dialog.title = QString::fromUtf8(title);
    dialog.filter = sourceFileFilter();
}

bool DocumentsController::Savefile(const QString &path)
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return false;
    // Another program's change to the file is never overwritten unasked.
    if (path == doc->caption() && !doc->checkDisk())
        return false;
    if (!writeTextFile(wb_.dialogs(), wb_.window(), path, doc->fileText(), doc->encoding, false))
        return false;
    if (path == doc->caption())
        doc->markSaved();
    return true;
}

void DocumentsController::mnuFileOpen()
{
    if (!wb_.activeDocument())
        Newdocument();
    frmDocument *doc = wb_.activeDocument();
    // A window whose text may not change (it is being debugged) asks
    // before the dialog, not after the user has picked a file.
    if (!doc || !doc->mayChange())
        return;
    prepareFileDialog(dlgCommonDialog, "打开");
    const QString path = wb_.dialogs().showOpen(wb_.window(), dlgCommonDialog);
    if (path.isEmpty())
        return;
    // The text about to be replaced is asked about as on closing.
    if (doc->hasUnsavedChanges() && !doc->askToSave())
        return;
    doc->loadFile(path);
}

void DocumentsController::mnuFileClose()
{
    QMdiSubWindow *sub = wb_.mdiArea()->currentSubWindow();
    if (!sub) {
        wb_.dialogs().msgBox(wb_.window(), QStringLiteral("所有文件已关闭"), Dialogs::OkOnly, Dialogs::NoIcon,
                         QStringLiteral("已关闭"));
        return;
    }
    sub->close();
}

void DocumentsController::mnuFileSave()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    const QString caption = doc->caption();
    // Only a bare new-document name, with no folder in front, needs a dialog.
    if (caption.left(5) == QStringLiteral("VaDid")) {
        prepareFileDialog(dlgCommonDialog, "保存");
        dlgCommonDialog.fileName = caption;
        const QString path = wb_.dialogs().showSave(wb_.window(), dlgCommonDialog);
        if (!path.isEmpty() && Savefile(path))
            Lastsaved = path;
        return;
    }
    if (Savefile(caption))
        Lastsaved = caption;
}

void DocumentsController::mnuFileSaveAs()
{
    Saveascancel = false;
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    prepareFileDialog(dlgCommonDialog, "另存为");
    const QString path = wb_.dialogs().showSave(wb_.window(), dlgCommonDialog);
    if (path.isEmpty()) {
        Saveascancel = true;
        return;
    }
    // The caption names the new file only once the text is in it.
    if (!Savefile(path)) {
        Saveascancel = true;
        return;
    }
    doc->setCaption(path);
    doc->markSaved();
    Lastsaved = path;
}

void DocumentsController::mnuFilePrint()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    const bool selection = doc->Text1->selLength() != 0;
    if (!wb_.dialogs().showPrinter(wb_.window(), printer(), QStringLiteral("Print"), selection))
        return;
    // There is no page range: the selection, or else the whole text.
    printer().setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
    printer().setFromTo(0, 0);
    doc->Text1->printSelection(&printer());
}

void DocumentsController::mnuFilePageSetup()
{
    if (!wb_.activeDocument())
        return;
    wb_.dialogs().showPageSetup(wb_.window(), printer(), QStringLiteral("页面设置"));
}
