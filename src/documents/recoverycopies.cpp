#include "documents/recoverycopies.h"

#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "documents/recoveryformat.h"
#include "platform/richtext.h"
#include "platform/userfiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

// Where runs keep their copies: the state folder of the XDG rules where they
// apply, the program's local data folder elsewhere.
QString RecoveryCopies::rootFolder()
{
#ifdef Q_OS_UNIX
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/korvane/recovery");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recovery");
#endif
}

RecoveryCopies::RecoveryCopies(Workbench &wb, DocumentsController &documents, QObject *parent)
    : QObject(parent), wb_(wb), documents_(documents), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        for (frmDocument *doc : copies_.keys())
            update(doc);
    });
}

RecoveryCopies::~RecoveryCopies()
{
    // A folder left without copies is no run to offer.
    if (!session_.isEmpty() && QDir(session_).entryList({QStringLiteral("*.copy")}).isEmpty()) {
        lock_.reset();
        QDir(session_).removeRecursively();
    }
}

QString RecoveryCopies::sessionFolder()
{
    if (session_.isEmpty()) {
        const QString folder = rootFolder() + QStringLiteral("/%1-%2")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(QDateTime::currentMSecsSinceEpoch());
        const QString failure = makeFolder(folder);
        if (!failure.isEmpty()) {
            tellUnsafe(QStringLiteral("无法建立保存恢复副本的文件夹：%1\n%2").arg(folder, failure));
            return QString();
        }
        lock_ = std::make_unique<QLockFile>(folder + QStringLiteral("/lock"));
        // Only a dead run's lock is taken over, however long this run lasts.
        lock_->setStaleLockTime(0);
        lock_->tryLock(0);
        session_ = folder;
    }
    return session_;
}

void RecoveryCopies::tellUnsafe(const QString &text)
{
    if (toldUnsafe_ || ending_)
        return;
    toldUnsafe_ = true;
    wb_.dialogs().msgBox(wb_.window(),
                            text + QStringLiteral("\n\n未保存的修改现在没有恢复副本：程序意外结束时"
                                                  "无法恢复。请及时保存文件。"),
                            Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}

void RecoveryCopies::watch(frmDocument *doc)
{
    copies_.insert(doc, Copy{QStringLiteral("%1.copy").arg(++nextNumber_)});
    connect(doc->Text1->document(), &QTextDocument::contentsChanged, timer_,
            [this, doc] { edited(doc); });
    // A window that goes with the run keeps its copy; only its entry goes.
    connect(doc, &QObject::destroyed, this, [this, doc] { copies_.remove(doc); });
}

void RecoveryCopies::edited(frmDocument *doc)
{
    // A pause in the typing writes the copies; steady typing does not put
    // them off past the bound set by the first change since they were written.
    const auto it = copies_.constFind(doc);
    const QDeadlineTimer bound(it != copies_.cend() && it->writtenRevision < 0 ? firstMs
                                                                               : longestMs);
    if (!timer_->isActive() || bound < latest_)
        latest_ = bound;
    timer_->start(int(std::min<qint64>(idleMs, latest_.remainingTime())));
}

void RecoveryCopies::update(frmDocument *doc)
{
    auto it = copies_.find(doc);
    if (it == copies_.end())
        return;
    const int revision = doc->Text1->document()->revision();
    if (!doc->hasUnsavedChanges()) {
        if (!session_.isEmpty())
            QFile::remove(session_ + QLatin1Char('/') + it->file);
        it->writtenRevision = -1;
        return;
    }
    if (it->writtenRevision == revision)
        return;
    const QString folder = sessionFolder();
    if (folder.isEmpty())
        return;
    // A copy that cannot be written is tried again after the next edit; the
    // user's own file is untouched either way.
    const QString path = folder + QLatin1Char('/') + it->file;
    const QString failure = writeUserFile(
        path, encodeRecoveryCopy({doc->caption(), doc->encoding, doc->Text1->text()}));
    if (failure.isEmpty())
        it->writtenRevision = revision;
    else
        tellUnsafe(QStringLiteral("无法写出恢复副本：%1\n%2").arg(path, failure));
}

void RecoveryCopies::forget(frmDocument *doc)
{
    const auto it = copies_.find(doc);
    if (it == copies_.end())
        return;
    if (!session_.isEmpty())
        QFile::remove(session_ + QLatin1Char('/') + it->file);
    copies_.erase(it);
}

void RecoveryCopies::writeAll()
{
    ending_ = true;
    timer_->stop();
    for (frmDocument *doc : copies_.keys())
        update(doc);
}
