#include "app/colors.h"
#include "app/frmmain.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/linebreaks.h"
#include "documents/textfile.h"
#include "editing/textrules.h"
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

bool frmMain::Savefile(const QString &path)
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return false;
    // Another program's change to the file is never overwritten unasked.
    if (path == doc->caption() && !doc->checkDisk())
        return false;
    if (!writeTextFile(dialogs(), this, path, doc->fileText(), doc->encoding, false))
        return false;
    if (path == doc->caption())
        doc->markSaved();
    return true;
}

void frmMain::mnuFileOpen()
{
    if (!activeDocument())
        Newdocument();
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    prepareFileDialog(dlgCommonDialog, "打开");
    const QString path = dialogs().showOpen(this, dlgCommonDialog);
    if (path.isEmpty())
        return;
    // The text about to be replaced is asked about as on closing.
    if (doc->hasUnsavedChanges() && !doc->askToSave())
        return;
    loadDocument(doc, path);
}

bool frmMain::loadDocument(frmDocument *doc, const QString &path)
{
    // A file that cannot be read leaves the window's caption and text alone.
    bool refused = false;
    auto file = readTextFile(path, &refused);
    if (refused) {
        dialogs().msgBox(
            this,
            QStringLiteral("无法打开文件：%1\n它不是普通文件（而是设备、管道或文件夹）。")
                .arg(path),
            Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return false;
    }
    if (!file || !doc)
        return false;
    // The file's last line break is the one that saving adds back: open and
    // save give the same bytes, a file without one included.
    QString text = std::move(file->text);
    if (file->finalBreak)
        text.chop(2);
    // The marks were made for the text that was there; a view's window
    // holds a source of its own now.
    doc->Strip->clear();
    doc->kind = frmDocument::Kind::Source;
    // An opened file starts with nothing to undo, its colours included.
    doc->Text1->document()->setUndoRedoEnabled(false);
    doc->encoding = file->encoding;
    // Only the comments are painted, as the text goes in; the rest keeps the
    // loaded text's colour until the next recolouring.
    doc->Text1->setText(std::move(text), commentRanges, toQColor(Remcolor));
    setLineBreaks(doc->Text1->document(), file->otherBreaks);
    doc->finalLineBreak = file->finalBreak;
    doc->setCaption(path);
    // The file's own display mode, as it was last chosen for it.
    doc->displayModeRead = false;
    if (doc == activeDocument())
        showDisplayMode();
    ResetTyping(doc->Text1);
    doc->Text1->document()->setUndoRedoEnabled(true);
    doc->markSaved();
    ShowPosition(doc);
    if (file->undecodable > 0)
        dialogs().msgBox(this,
                         QStringLiteral("文件 %1 中有 %2 个字节不是 %3 编码的文本。\n"
                                        "这些字节原样保留，保存时按原样写回。")
                             .arg(path)
                             .arg(file->undecodable)
                             .arg(file->encoding.name),
                         Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
    return true;
}

void frmMain::mnuFileClose()
{
    QMdiSubWindow *sub = mdiArea()->currentSubWindow();
    if (!sub) {
        dialogs().msgBox(this, QStringLiteral("所有文件已关闭"), Dialogs::OkOnly, Dialogs::NoIcon,
                         QStringLiteral("已关闭"));
        return;
    }
    sub->close();
}

void frmMain::mnuFileSave()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    const QString caption = doc->caption();
    // Only a bare new-document name, with no folder in front, needs a dialog.
    if (caption.left(5) == QStringLiteral("VaDid")) {
        prepareFileDialog(dlgCommonDialog, "保存");
        dlgCommonDialog.fileName = caption;
        const QString path = dialogs().showSave(this, dlgCommonDialog);
        if (!path.isEmpty() && Savefile(path))
            Lastsaved = path;
        return;
    }
    if (Savefile(caption))
        Lastsaved = caption;
}

void frmMain::mnuFileSaveAs()
{
    Saveascancel = false;
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    prepareFileDialog(dlgCommonDialog, "另存为");
    const QString path = dialogs().showSave(this, dlgCommonDialog);
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

// One printer for the run: what page setup chose, and the file the last
// print went to, are there the next time.
QPrinter &frmMain::printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void frmMain::mnuFilePrint()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    const bool selection = doc->Text1->selLength() != 0;
    if (!dialogs().showPrinter(this, printer(), QStringLiteral("Print"), selection))
        return;
    // There is no page range: the selection, or else the whole text.
    printer().setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
    printer().setFromTo(0, 0);
    doc->Text1->printSelection(&printer());
}

void frmMain::mnuFilePageSetup()
{
    if (!activeDocument())
        return;
    dialogs().showPageSetup(this, printer(), QStringLiteral("页面设置"));
}

void frmMain::mnuFileExit()
{
    close();
}
