#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"
#include "toolchain/frmreport.h"
#include "rules/listingreport.h"
#include "rules/trimspaces.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

static bool sameFile(const QString &a, const QString &b)
{
    const QString path = QFileInfo(a).canonicalFilePath();
    return !path.isEmpty() && path == QFileInfo(b).canonicalFilePath();
}

QList<Diagnostic> ToolchainController::diagnosticsFor(const frmDocument *doc) const
{
    QList<Diagnostic> found;
    for (const Diagnostic &d : assemblyDiagnostics_) {
        // The source's line 14 is not the include file's line 14.
        const bool source = d.file.compare(assembledSource_, Qt::CaseInsensitive) == 0;
        if (source ? doc == assembledDoc_
                   : doc != assembledDoc_ &&
                         sameFile(Fso->actualPath(
                                      hostPathOf(d.file, tools().Toolfolder, assembledIncludeFolder_)),
                                  doc->caption()))
            found << d;
    }
    return found;
}

void ToolchainController::markDiagnostics()
{
    for (const QPointer<frmDocument> &doc : std::as_const(includeMarked_)) {
        if (doc)
            doc->Strip->clear();
    }
    includeMarked_.clear();
    for (frmDocument *doc : documents()) {
        const QList<Diagnostic> own = diagnosticsFor(doc);
        if (doc != assembledDoc_ && own.isEmpty())
            continue;
        doc->Strip->setDiagnostics(own, assemblyStatus_);
        if (doc != assembledDoc_)
            includeMarked_ << doc;
    }
}

void ToolchainController::showDiagnosticSource(const QString &reportLine)
{
    if (!frmReport_ || frmReport_->shownText() != assemblyReport_ || assemblyReport_.isEmpty())
        return;
    const auto location = diagnosticLocation(reportLine);
    if (!location)
        return;
    // The mark knows where its line is now.
    const QString text = trimSpaces(reportLine).toString();
    QList<frmDocument *> docs = documents();
    if (assembledDoc_)
        docs.prepend(assembledDoc_);
    const auto marked = std::find_if(docs.begin(), docs.end(), [&text](frmDocument *doc) {
        return doc->Strip->moveToDiagnostic(text);
    });
    frmDocument *doc = marked == docs.end() ? nullptr : *marked;
    if (!doc && location->fileName.compare(assembledSource_, Qt::CaseInsensitive) != 0) {
        // An include file not open yet opens at the line, with its marks.
        const QString path =
            Fso->actualPath(hostPathOf(location->fileName, tools().Toolfolder, assembledIncludeFolder_));
        if (path.isEmpty() || !QFileInfo(path).isFile())
            return;
        documents_.Newdocument();
        doc = activeDocument();
        if (!doc || !doc->loadFile(path))
            return;
        doc->Strip->setDiagnostics(diagnosticsFor(doc), assemblyStatus_);
        includeMarked_ << doc;
        doc->Strip->moveToDiagnostic(text);
    }
    if (!doc)
        return;
    for (QMdiSubWindow *sub : mdiArea()->subWindowList()) {
        if (sub->widget() == doc)
            mdiArea()->setActiveSubWindow(sub);
    }
    window()->raise();
    window()->activateWindow();
    doc->Text1->setFocus();
}
