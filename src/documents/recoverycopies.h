#pragma once

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <memory>

class QTimer;
class frmDocument;
class frmMain;

// Copies of the documents with unsaved changes, kept outside the user's files
// in the user's state folder, so that a run ended by a signal, a crash or a
// power cut loses at most the last few seconds of typing. Each run keeps its
// copies in a folder of its own, locked while it runs; the next start offers
// what an ended run left behind.
class RecoveryCopies : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryCopies(frmMain *main);
    ~RecoveryCopies() override;

    // Follows the document's edits: its copy is written a few seconds after
    // the last one.
    void watch(frmDocument *doc);
    // Writes or removes the document's copy now, as its text is unsaved or not.
    void update(frmDocument *doc);
    // The document closed without its changes: its copy goes.
    void forget(frmDocument *doc);
    // Writes every copy that is due, at once: the run is about to end.
    void writeAll();
    // Offers the documents that runs no longer running left unsaved, and
    // restores them in windows of their own.
    void offer();

    // How long after the last edit the copies are written.
    int delayMs = 3000;

private:
    struct Copy
    {
        QString file;
        int writtenRevision = -1;
    };
    QString sessionFolder();

    frmMain *main_;
    QTimer *timer_;
    QHash<frmDocument *, Copy> copies_;
    int nextNumber_ = 0;
    QString session_;
    std::unique_ptr<QLockFile> lock_;
};
