#include "documents/recoverycopies.h"

#include "app/colors.h"
#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "editing/textrules.h"
#include "platform/richtext.h"
#include "platform/userfiles.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

static const char kMagic[] = "KORVANE-RECOVERY-1";

// Where runs keep their copies: the state folder of the XDG rules where they
// apply, the program's local data folder elsewhere.
static QString recoveryRoot()
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

namespace {

struct Saved
{
    QString caption;
    TextEncoding encoding;
    QString text;
};

// The text goes in as its UTF-16 units: the byte escapes of Codepage are
// lone surrogates, which no text encoding would carry.
QByteArray encodeCopy(const Saved &s)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << QByteArray(kMagic) << s.caption << s.encoding.name << s.encoding.byteOrderMark
        << s.encoding.lfOnly << s.text;
    return bytes;
}

std::optional<Saved> decodeCopy(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray magic;
    Saved s;
    in >> magic >> s.caption >> s.encoding.name >> s.encoding.byteOrderMark >> s.encoding.lfOnly >>
        s.text;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        return std::nullopt;
    return s;
}

} // namespace

RecoveryCopies::RecoveryCopies(frmMain *main) : QObject(main), main_(main), timer_(new QTimer(this))
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
        const QString folder = recoveryRoot() + QStringLiteral("/%1-%2")
                                                    .arg(QCoreApplication::applicationPid())
                                                    .arg(QDateTime::currentMSecsSinceEpoch());
        if (!QDir().mkpath(folder))
            return QString();
        lock_ = std::make_unique<QLockFile>(folder + QStringLiteral("/lock"));
        lock_->tryLock(0);
        session_ = folder;
    }
    return session_;
}

void RecoveryCopies::watch(frmDocument *doc)
{
    copies_.insert(doc, Copy{QStringLiteral("%1.copy").arg(++nextNumber_)});
    connect(doc->Text1->document(), &QTextDocument::contentsChanged, timer_,
            [this] { timer_->start(delayMs); });
    // A window that goes with the run keeps its copy; only its entry goes.
    connect(doc, &QObject::destroyed, this, [this, doc] { copies_.remove(doc); });
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
    // A copy that cannot be written is tried again after the next edit; the
    // user's own file is untouched either way.
    if (!folder.isEmpty() &&
        writeUserFile(folder + QLatin1Char('/') + it->file,
                      encodeCopy({doc->caption(), doc->encoding, doc->Text1->text()}))
            .isEmpty())
        it->writtenRevision = revision;
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
    timer_->stop();
    for (frmDocument *doc : copies_.keys())
        update(doc);
}

void RecoveryCopies::offer()
{
    // Runs whose lock can be taken have ended; a running one keeps its own.
    QList<Saved> found;
    QStringList ended;
    std::vector<std::unique_ptr<QLockFile>> locks;
    const QDir root(recoveryRoot());
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString folder = root.filePath(name);
        if (folder == session_)
            continue;
        auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/lock"));
        if (!lock->tryLock(0))
            continue;
        const QDir dir(folder);
        for (const QString &file : dir.entryList({QStringLiteral("*.copy")}, QDir::Files)) {
            if (const auto bytes = readUserFile(dir.filePath(file)))
                if (const auto saved = decodeCopy(*bytes))
                    found << *saved;
        }
        ended << folder;
        locks.push_back(std::move(lock));
    }
    if (!found.isEmpty()) {
        QString names;
        for (const Saved &s : std::as_const(found))
            names += QStringLiteral("    ") + s.caption + QLatin1Char('\n');
        const auto answer = main_->dialogs().msgBox(
            main_,
            QStringLiteral("恢复未保存的文档？\n\n上次运行意外结束，以下文档的修改还没有保存：\n") +
                names + QStringLiteral("\n选“是”在新窗口中恢复它们；选“否”丢弃这些修改。"),
            Dialogs::YesNo, Dialogs::Question, QStringLiteral("恢复未保存的文档"));
        if (answer == Dialogs::Yes) {
            for (const Saved &s : std::as_const(found)) {
                main_->Newdocument();
                frmDocument *doc = main_->activeDocument();
                if (!doc)
                    break;
                doc->Text1->document()->setUndoRedoEnabled(false);
                doc->Text1->setText(s.text, commentRanges, toQColor(main_->Remcolor));
                doc->Text1->document()->setUndoRedoEnabled(true);
                doc->setCaption(s.caption);
                doc->encoding = s.encoding;
                // Written to this run's folder at once: safe again before the
                // old copies go.
                doc->markRestored();
                main_->ShowPosition(doc);
            }
        }
    }
    locks.clear();
    for (const QString &folder : std::as_const(ended))
        QDir(folder).removeRecursively();
}
