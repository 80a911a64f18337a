#include "workbench/workbench.h"
#include "editing/editingcontroller.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

void EditingController::mnuEditCopy()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    // The markup carries colours and fonts to another document; the plain
    // text is what other programs paste.
    QApplication::clipboard()->setMimeData(doc->Text1->selectionMimeData());
}

void EditingController::mnuEditCut()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || !doc->mayChange())
        return;
    mnuEditCopy();
    doc->Text1->textCursor().removeSelectedText();
}

void EditingController::mnuEditPaste()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || !doc->mayChange())
        return;
    if (const QMimeData *data = QApplication::clipboard()->mimeData())
        doc->Text1->insertMimeData(data);
}

void EditingController::mnudelete()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || !doc->mayChange())
        return;
    QTextCursor c = doc->Text1->textCursor();
    c.removeSelectedText();
    doc->Text1->setTextCursor(c);
}

void EditingController::mnuselectAll()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    doc->Text1->setSelStart(0);
    doc->Text1->setSelLength(doc->Text1->textLength());
}

void EditingController::toggleStyle(Style style)
{
    const Command button = style == Style::Bold     ? Command::ButtonBold
                           : style == Style::Italic ? Command::ButtonItalic
                                                    : Command::ButtonUnderline;
    QAction *b = wb_.command(button);
    frmDocument *doc = wb_.activeDocument();
    if (!doc) {
        // Nothing to style: the button keeps the state it had.
        b->setChecked(!b->isChecked());
        return;
    }
    RichText *rt = doc->Text1;
    bool now = false;
    switch (style) {
    case Style::Bold:
        rt->setSelBold(!rt->selBold());
        now = rt->selBold();
        break;
    case Style::Italic:
        rt->setSelItalic(!rt->selItalic());
        now = rt->selItalic();
        break;
    case Style::Underline:
        rt->setSelUnderline(!rt->selUnderline());
        now = rt->selUnderline();
        break;
    }
    b->setChecked(now);
}

void EditingController::selectionChanged(frmDocument *doc)
{
    const bool selected = doc->Text1->selLength() != 0;
    for (Command c : {Command::Delete, Command::Copy, Command::Cut, Command::PopCopy,
                      Command::PopCut, Command::PopDelete, Command::ButtonCopy, Command::ButtonCut,
                      Command::ButtonDelete})
        wb_.command(c)->setEnabled(selected);
    wb_.command(Command::ButtonBold)->setChecked(doc->Text1->selBold());
    wb_.command(Command::ButtonItalic)->setChecked(doc->Text1->selItalic());
    wb_.command(Command::ButtonUnderline)->setChecked(doc->Text1->selUnderline());
}

void EditingController::mnuRefresh()
{
    if (frmDocument *doc = wb_.activeDocument())
        doc->refresh();
}
