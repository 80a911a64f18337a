#pragma once

#include "toolchain/dostools.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

class QNetworkReply;
class QSaveFile;
class QWidget;

// Fetches pinned files into a folder while a progress dialog shows the file,
// its size and a Cancel button. Each file is written under a temporary name
// and checked against its pinned size and SHA-256; only when every file is
// right are they renamed into place, so a failure or a cancel leaves the
// folder as it was. Everything runs on signals: nothing here waits.
class ToolDownload : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Installed, Failed, Cancelled };

    ToolDownload(const QString &folder, QList<PinnedFile> files, QWidget *dialogParent);
    ~ToolDownload() override;

    void start();
    void cancel();
    QProgressDialog *progressDialog() const { return progress_; }
    // What failed, file by file and address by address.
    QString failure() const { return failure_; }
    // It failed because no address could be reached at all (no network, no
    // name service, connections refused): the web is out of reach too.
    bool unreachable() const { return unreachable_; }
    // An address that sends less than 1 KB in any stretch this long, or
    // nothing at all, is given up.
    int stallWindowMs = 30000;
    // The names put into the folder.
    QStringList installed() const { return installed_; }

signals:
    // Sent once, after the download has let go of its files and connections.
    void finished(ToolDownload::Outcome outcome);

private:
    void fetch();
    void received();
    // False when the reply was given up.
    bool takeBytes();
    void replyFinished();
    void failFile(const QString &why);
    // reached: the address answered (anything but a failed connection).
    void nextAddress(const QString &why, bool reached = true);
    void installAll();
    void finish(Outcome outcome);
    void dropReply();
    void checkRate();

    QString folder_;
    QList<PinnedFile> files_;
    int fileIndex_ = 0;
    int addressIndex_ = 0;
    QStringList addressErrors_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QSaveFile> current_;
    std::vector<std::unique_ptr<QSaveFile>> verified_;
    QCryptographicHash hash_{QCryptographicHash::Sha256};
    qint64 receivedBytes_ = 0;
    // Bytes received by then, at the checks of the current address.
    QTimer rateCheck_;
    QElapsedTimer clock_;
    std::deque<std::pair<qint64, qint64>> samples_;
    QPointer<QProgressDialog> progress_;
    QString failure_;
    QStringList installed_;
    bool done_ = false;
    // No address of the current file has answered yet.
    bool noAnswer_ = true;
    bool unreachable_ = false;
};
