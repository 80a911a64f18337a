#pragma once

#include "platform/codepage.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <memory>
#include <optional>

class QTimer;
class frmDocument;
class DocumentsController;
class Workbench;

// Copies of the documents with unsaved changes, kept outside the user's files
// in the user's state folder, so that a run ended by a signal, a crash or a
// power cut loses at most the last few seconds of typing. Each run keeps its
// copies in a folder of its own, locked while it runs; the next start offers
// what an ended run left behind.
class RecoveryCopies : public QObject
{
    Q_OBJECT
public:
    RecoveryCopies(Workbench &wb, DocumentsController &documents, QObject *parent);
    ~RecoveryCopies() override;

    // Follows the document's edits and writes its copy as they come.
    void watch(frmDocument *doc);
    // Writes or removes the document's copy now, as its text is unsaved or not.
    void update(frmDocument *doc);
    // The document closed without its changes: its copy goes.
    void forget(frmDocument *doc);
    // Writes every copy that is due, at once, without a question: the run is
    // about to end.
    void writeAll();
    // Offers the documents that runs no longer running left unsaved, and
    // restores them in windows of their own.
    void offer();

    // Where the runs keep their copies.
    static QString rootFolder();

    // A copy is written at most this long after the first unsaved change of
    // a document that has none yet,
    int firstMs = 2000;
    // after a pause in the typing this long,
    int idleMs = 2000;
    // and, while the typing goes on, at least this often.
    int longestMs = 10000;
    // A copy larger than this is no document of the program's: the start
    // does not read it.
    qint64 largestCopy = qint64(256) << 20;

private:
    struct Copy
    {
        QString file;
        int writtenRevision = -1;
    };
    // What an ended run left: the copies that read back, and those that did
    // not, with the reason.
    struct Found;
    struct Restorable
    {
        QString folder;
        QString file;
        QString caption;
        TextEncoding encoding;
        QString text;
    };

    void edited(frmDocument *doc);
    QString sessionFolder();
    void tellUnsafe(const QString &text);
    Found collect(std::vector<std::unique_ptr<QLockFile>> &locks) const;
    void reportDamaged(const Found &found);
    bool confirmDiscard(const QList<Restorable> &copies);
    void restore(const Restorable &copy);

    Workbench &wb_;
    DocumentsController &documents_;
    QTimer *timer_;
    // When the copies due are written at the latest, whatever the typing.
    QDeadlineTimer latest_;
    QHash<frmDocument *, Copy> copies_;
    int nextNumber_ = 0;
    QString session_;
    std::unique_ptr<QLockFile> lock_;
    // A copy that cannot be written is told once a run, and never while the
    // run is ending.
    bool toldUnsafe_ = false;
    bool ending_ = false;
};
