#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

void frmMain::mnuEditCopy()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    // The markup carries colours and fonts to another document; the plain
    // text is what other programs paste.
    QApplication::clipboard()->setMimeData(doc->Text1->selectionMimeData());
}

void frmMain::mnuEditCut()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    mnuEditCopy();
    doc->Text1->textCursor().removeSelectedText();
}

void frmMain::mnuEditPaste()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    if (const QMimeData *data = QApplication::clipboard()->mimeData())
        doc->Text1->insertMimeData(data);
}

void frmMain::mnudelete()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    QTextCursor c = doc->Text1->textCursor();
    c.removeSelectedText();
    doc->Text1->setTextCursor(c);
}

void frmMain::mnuselectAll()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    doc->Text1->setSelStart(0);
    doc->Text1->setSelLength(doc->Text1->textLength());
}

void frmMain::toggleStyle(Style style, QAction *b)
{
    frmDocument *doc = activeDocument();
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

void frmMain::selectionChanged(frmDocument *doc)
{
    const bool selected = doc->Text1->selLength() != 0;
    for (const char *name :
         {"mnudelete", "mnuEditCopy", "mnuEditCut", "popcopy", "popcut", "popdelete"})
        action(QString::fromLatin1(name))->setEnabled(selected);
    for (const char *key : {"复制", "剪切", "删除"})
        button(QString::fromUtf8(key))->setEnabled(selected);
    button(QStringLiteral("粗体"))->setChecked(doc->Text1->selBold());
    button(QStringLiteral("斜体"))->setChecked(doc->Text1->selItalic());
    button(QStringLiteral("下划线"))->setChecked(doc->Text1->selUnderline());
}
