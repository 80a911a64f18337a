#include "platform/colors.h"
#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "documents/recoverycopies.h"
#include "documents/recoveryformat.h"
#include "rules/textrules.h"
#include "platform/richtext.h"
#include "platform/userfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

// Damaged copies are moved here, out of the way of the next start's offer.
static const char kDamaged[] = "damaged";

struct RecoveryCopies::Found
{
    QList<Restorable> copies;
    struct Damaged
    {
        QString path;
        QString reason;
    };
    QList<Damaged> damaged;
    QStringList folders; // of the runs that ended
};

static QString damageReason(CopyDamage damage)
{
    switch (damage) {
    case CopyDamage::Truncated:
        return QStringLiteral("内容不完整或已损坏");
    case CopyDamage::Unknown:
        break;
    }
    return QStringLiteral("不是 Korvane 的恢复副本");
}

RecoveryCopies::Found RecoveryCopies::collect(std::vector<std::unique_ptr<QLockFile>> &locks) const
{
    // Runs whose lock can be taken have ended; a running one keeps its own.
    Found found;
    const QDir root(rootFolder());
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString folder = root.filePath(name);
        if (folder == session_ || name == QLatin1String(kDamaged))
            continue;
        auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/lock"));
        // A lock is stale only when its run is gone, however old it is.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue;
        const QDir dir(folder);
        const auto entries = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QString &file : dir.entryList({QStringLiteral("*.copy")}, entries, QDir::Name)) {
            const QString path = dir.filePath(file);
            const QFileInfo info(path);
            // Read with a bound: a copy no document could have made must not
            // hold the start up.
            QString reason;
            std::optional<QByteArray> bytes;
            if (info.isFile() && info.size() > largestCopy)
                reason = QStringLiteral("太大（%1 MB），没有读取").arg(info.size() >> 20);
            else if (bytes = readUserFile(path, &reason, nullptr, largestCopy + 1); !bytes)
                reason = QStringLiteral("无法读取：") + reason;
            else if (bytes->size() > largestCopy)
                reason = QStringLiteral("太大，没有读取");
            if (bytes && reason.isEmpty()) {
                const auto read = decodeRecoveryCopy(*bytes);
                if (const auto *text = std::get_if<RecoveredText>(&read)) {
                    found.copies << Restorable{folder, file, text->caption, text->encoding,
                                               text->text};
                    continue;
                }
                reason = damageReason(std::get<CopyDamage>(read));
            }
            found.damaged << Found::Damaged{path, reason};
        }
        found.folders << folder;
        locks.push_back(std::move(lock));
    }
    return found;
}

void RecoveryCopies::offer()
{
    std::vector<std::unique_ptr<QLockFile>> locks;
    const Found found = collect(locks);
    bool handled = true;
    if (!found.copies.isEmpty()) {
        QString names;
        for (const Restorable &s : found.copies)
            names += QStringLiteral("    ") + s.caption + QLatin1Char('\n');
        // Only 否 discards: Escape, closing the box and a log-out while it
        // is open keep the copies for the next start.
        const auto answer = wb_.dialogs().msgBox(
            wb_.window(),
            QStringLiteral("恢复未保存的文档？\n\n上次运行意外结束，以下文档的修改还没有保存：\n") +
                names +
                QStringLiteral("\n选“是”在新窗口中恢复它们；选“否”丢弃这些修改；"
                               "选“取消”或关闭本窗口，它们留到下次启动时再恢复。"),
            Dialogs::YesNoCancel, Dialogs::Question, QStringLiteral("恢复未保存的文档"));
        if (answer == Dialogs::Yes) {
            for (const Restorable &s : found.copies)
                restore(s);
        } else {
            handled = answer == Dialogs::No && confirmDiscard(found.copies);
        }
        // Ended while the question stood (a log-out): nothing more is done.
        if (wb_.isClosing())
            return;
    }
    reportDamaged(found);
    if (!handled)
        return;
    // The copies dealt with go; a folder goes once nothing else is left in it.
    for (const Restorable &s : found.copies)
        QFile::remove(QDir(s.folder).filePath(s.file));
    locks.clear();
    for (const QString &folder : found.folders) {
        QFile::remove(folder + QStringLiteral("/lock"));
        QDir().rmdir(folder);
    }
}

bool RecoveryCopies::confirmDiscard(const QList<Restorable> &copies)
{
    QString lost;
    for (const Restorable &s : copies)
        lost += QStringLiteral("    %1（%2 行，%3 个字符）\n")
                    .arg(s.caption, QString::number(s.text.count(QLatin1Char('\n')) + 1),
                         QString::number(s.text.size()));
    return wb_.dialogs().msgBox(
               wb_.window(),
               QStringLiteral("丢弃这些未保存的修改？\n\n以下文档的修改将永久丢失，无法找回：\n") +
                   lost + QStringLiteral("\n选“是”丢弃；选“否”保留它们，下次启动时再恢复。"),
               Dialogs::YesNo, Dialogs::Exclamation,
               QStringLiteral("丢弃未保存的修改")) == Dialogs::Yes;
}

void RecoveryCopies::restore(const Restorable &s)
{
    documents_.Newdocument();
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    doc->Text1->document()->setUndoRedoEnabled(false);
    doc->Text1->setText(s.text, commentRanges, toQColor(wb_.colours().Remcolor));
    doc->Text1->document()->setUndoRedoEnabled(true);
    // Two windows never share a name: a new document of this run that holds
    // the copy's name, untouched, takes a new one; else the copy keeps the
    // new name it was given.
    frmDocument *holder = documents_.documentNamed(s.caption, doc);
    if (holder && !holder->hasUnsavedChanges() && !QFileInfo::exists(s.caption))
        holder->setCaption(documents_.newDocumentName());
    if (!documents_.documentNamed(s.caption, doc))
        doc->setCaption(s.caption);
    doc->encoding = s.encoding;
    // Written to this run's folder at once: safe again before the old copy goes.
    doc->markRestored();
    doc->showPosition();
}

void RecoveryCopies::reportDamaged(const Found &found)
{
    if (found.damaged.isEmpty())
        return;
    // Kept, out of the way, and told: the user may still get something out
    // of them.
    const QString aside = rootFolder() + QLatin1Char('/') + QLatin1String(kDamaged);
    const bool moved = makeFolder(aside).isEmpty();
    QString list;
    for (const Found::Damaged &d : found.damaged) {
        const QFileInfo info(d.path);
        const QString target =
            aside + QLatin1Char('/') + info.dir().dirName() + QLatin1Char('-') + info.fileName();
        const bool here = moved && QFile::rename(d.path, target);
        list += QStringLiteral("    %1：%2\n").arg(here ? target : d.path, d.reason);
    }
    wb_.dialogs().msgBox(wb_.window(),
                            QStringLiteral("以下恢复副本已损坏，无法恢复：\n\n") + list +
                                QStringLiteral("\n它们没有被删除，仍在上面所列的位置。"),
                            Dialogs::OkOnly, Dialogs::Exclamation,
                            QStringLiteral("恢复副本已损坏"));
}
