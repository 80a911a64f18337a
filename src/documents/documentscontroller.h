#pragma once

#include "platform/dialogs.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class QPrinter;
class RecoveryCopies;
class Workbench;
class frmDocument;

// The source documents: new, open, save and print, the names new documents
// get, and the recovery copies of unsaved text.
class DocumentsController : public QObject
{
    Q_OBJECT
public:
    explicit DocumentsController(Workbench &wb, QObject *parent = nullptr);
    ~DocumentsController() override;

    // A document window that is not yet in the frame, its signals joined to
    // the recovery copies: the source windows and the toolchain's views.
    frmDocument *createWindow();
    // The next name for a new document (VaDid1.asm, ...): never one that a
    // file or an open window holds.
    QString newDocumentName();
    // The document window, other than except, whose caption is the name.
    frmDocument *documentNamed(const QString &name, const frmDocument *except = nullptr) const;

    void Newdocument();
    // Writes the active document's text plus one CR LF; false on failure.
    bool Savefile(const QString &path);
    // The files named on the command line: the first in the active document,
    // each further one in a new document window.
    void openFiles(const QStringList &paths);

    void mnuFileOpen();
    void mnuFileClose();
    void mnuFileSave();
    void mnuFileSaveAs();
    void mnuFilePrint();
    void mnuFilePageSetup();
    void mnunextmark();

    RecoveryCopies &recovery() const { return *recovery_; }

    qint32 Doccount = 0;
    // The newest document window.
    QPointer<frmDocument> Newdoc;
    // The file saved last, by Save, Save As or the assembler's own save.
    QString Lastsaved;
    // The latest Save As was cancelled or failed.
    bool Saveascancel = false;
    // The shared file dialog's remembered state (title, filter, name, folder).
    FileDialogState dlgCommonDialog;

signals:
    // A window was made: the main window joins its selection and context menu.
    void windowCreated(frmDocument *doc);

private:
    QPrinter &printer();

    Workbench &wb_;
    RecoveryCopies *recovery_;
    std::unique_ptr<QPrinter> printer_;
};
