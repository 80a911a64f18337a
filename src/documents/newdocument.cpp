#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "documents/skeleton.h"
#include "platform/richtext.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextDocument>

QString frmMain::newDocumentName()
{
    // A name saved on an earlier run, or held by a window (one restored from
    // a recovery copy, say), is never handed out again: Save would replace
    // that file without a word.
    QString name;
    do
        name = Toolfolder + QStringLiteral("VaDid") + QString::number(++Doccount) +
               QStringLiteral(".asm");
    while (QFileInfo::exists(name) || documentNamed(name));
    return name;
}

frmDocument *frmMain::documentNamed(const QString &name, const frmDocument *except) const
{
    // DOS names know no case.
    for (frmDocument *doc : documents())
        if (doc != except && doc->caption().compare(name, Qt::CaseInsensitive) == 0)
            return doc;
    return nullptr;
}

void frmMain::Newdocument()
{
    // Colours chosen since the last exit give way to the stored ones.
    Loadsettings();
    const QString name = newDocumentName();
    auto *doc = new frmDocument(this);
    Newdoc = doc;
    QMdiSubWindow *sub = mdiArea()->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (Doccount == 1) {
        const int w = width();
        const int h = height();
        sub->setGeometry(w / 6, h / 20, 2 * w / 3, 2 * h / 3);
    }
    doc->setCaption(name);
    // A new document starts with nothing to undo, its colours included.
    doc->Text1->document()->setUndoRedoEnabled(false);
    doc->Text1->setText(programSkeleton());
    sub->show();
    mdiArea()->setActiveSubWindow(sub);
    doc->Text1->setFocus();
    refreshDocument(doc);
    doc->Text1->document()->setUndoRedoEnabled(true);
    doc->markUnchanged();
}
