#include "documents/documentscontroller.h"

#include "workbench/workbench.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/recoverycopies.h"
#include "documents/skeleton.h"
#include "platform/richtext.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QTextDocument>

DocumentsController::DocumentsController(Workbench &wb, QObject *parent)
    : QObject(parent), wb_(wb), recovery_(new RecoveryCopies(wb, *this, this))
{
}

DocumentsController::~DocumentsController() = default;

frmDocument *DocumentsController::createWindow()
{
    auto *doc = new frmDocument(wb_, wb_.window());
    recovery_->watch(doc);
    connect(doc, &frmDocument::savedStateChanged, recovery_, &RecoveryCopies::update);
    connect(doc, &frmDocument::discarded, recovery_, &RecoveryCopies::forget);
    emit windowCreated(doc);
    return doc;
}

QString DocumentsController::newDocumentName()
{
    // A name saved on an earlier run, or held by a window (one restored from
    // a recovery copy, say), is never handed out again: Save would replace
    // that file without a word.
    QString name;
    do
        name = wb_.tools().Toolfolder + QStringLiteral("VaDid") + QString::number(++Doccount) +
               QStringLiteral(".asm");
    while (QFileInfo::exists(name) || documentNamed(name));
    return name;
}

frmDocument *DocumentsController::documentNamed(const QString &name,
                                                const frmDocument *except) const
{
    // DOS names know no case.
    for (frmDocument *doc : wb_.documents())
        if (doc != except && doc->caption().compare(name, Qt::CaseInsensitive) == 0)
            return doc;
    return nullptr;
}

void DocumentsController::Newdocument()
{
    // Colours chosen since the last exit give way to the stored ones.
    wb_.Loadsettings();
    const QString name = newDocumentName();
    frmDocument *doc = createWindow();
    Newdoc = doc;
    QMdiArea *area = wb_.mdiArea();
    QMdiSubWindow *sub = area->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (Doccount == 1) {
        const int w = wb_.window()->width();
        const int h = wb_.window()->height();
        sub->setGeometry(w / 6, h / 20, 2 * w / 3, 2 * h / 3);
    }
    doc->setCaption(name);
    // A new document starts with nothing to undo, its colours included.
    doc->Text1->document()->setUndoRedoEnabled(false);
    doc->Text1->setText(programSkeleton());
    sub->show();
    area->setActiveSubWindow(sub);
    doc->Text1->setFocus();
    doc->refresh();
    doc->Text1->document()->setUndoRedoEnabled(true);
    doc->markUnchanged();
}

void DocumentsController::openFiles(const QStringList &paths)
{
    bool first = true;
    for (const QString &path : paths) {
        const QFileInfo file(path);
        // A name from the command line may name nothing: say so, as the open
        // dialog never lets happen.
        if (!file.exists()) {
            wb_.dialogs().msgBox(wb_.window(),
                                 QStringLiteral("无法打开文件：%1\n没有这个文件。").arg(path),
                                 Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
            continue;
        }
        if (!first || !wb_.activeDocument())
            Newdocument();
        first = false;
        if (frmDocument *doc = wb_.activeDocument())
            doc->loadFile(QDir::toNativeSeparators(file.absoluteFilePath()));
    }
}

void DocumentsController::mnunextmark()
{
    if (frmDocument *doc = wb_.activeDocument())
        doc->Strip->moveToNextMark();
}

// One printer for the run: what page setup chose, and the file the last
// print went to, are there the next time.
QPrinter &DocumentsController::printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}
