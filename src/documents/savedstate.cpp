#include "workbench/workbench.h"
#include "documents/frmdocument.h"
#include "documents/recoverycopies.h"
#include "platform/richtext.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QTextDocument>
#include <QTimer>

bool frmDocument::hasUnsavedChanges() const
{
    // A hash of the text, worked out again only after an edit: undoing back
    // to the saved text counts as unchanged, and recolouring changes nothing.
    if (!savedHash_)
        return Text1->document()->isUndoAvailable();
    const int revision = Text1->document()->revision();
    if (revision != checkedRevision_) {
        checkedRevision_ = revision;
        changed_ = qHash(Text1->text()) != *savedHash_;
    }
    return changed_;
}

void frmDocument::markUnchanged()
{
    savedHash_ = qHash(Text1->text());
    checkedRevision_ = -1;
}

void frmDocument::markRestored()
{
    savedHash_ = ~qHash(Text1->text());
    checkedRevision_ = -1;
    if (const DiskState now = diskState(caption()); now.exists)
        onDisk_ = now;
    emit savedStateChanged(this);
}

void frmDocument::markSaved()
{
    markUnchanged();
    onDisk_ = diskState(caption());
    emit savedStateChanged(this);
}

frmDocument::DiskState frmDocument::diskState(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (file.open(QIODevice::ReadOnly))
        hash.addData(&file);
    return {true, info.size(), info.lastModified(), hash.result()};
}

bool frmDocument::eventFilter(QObject *watched, QEvent *event)
{
    // The text gets the focus whenever this window or the program is brought
    // back to the front: the moment to look at the file again. Once the
    // activation is over, so that the question is not shown from inside it.
    if (watched == Text1 && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, this, [this] { checkDisk(); });
    return QWidget::eventFilter(watched, event);
}

bool frmDocument::checkDisk()
{
    if (!onDisk_ || checkingDisk_ || wb_.isClosing())
        return true;
    const DiskState now = diskState(caption());
    if (now == *onDisk_)
        return true;
    checkingDisk_ = true;
    // Asked once: whatever the answer, the file as it is now is the one known.
    onDisk_ = now;
    bool reloaded = false;
    if (!now.exists) {
        wb_.dialogs().msgBox(this,
                                QStringLiteral("文件 %1 已被其他程序删除或改名。\n"
                                               "窗口中的文字仍然保留；保存时会重新写出这个文件。")
                                    .arg(caption()),
                                Dialogs::OkOnly, Dialogs::Exclamation,
                                QStringLiteral("文件已在磁盘上改变"));
    } else if (reloadWanted()) {
        reloaded = loadFile(caption());
    }
    checkingDisk_ = false;
    return !reloaded;
}

bool frmDocument::reloadWanted()
{
    // Enter keeps the window's text: the user's work is never dropped by a
    // key pressed on the way.
    Dialogs &dialogs = wb_.dialogs();
    if (dialogs.msgBox(this,
                       QStringLiteral("文件 %1 已被其他程序修改。\n\n"
                                      "是否重新载入磁盘上的文件？\n"
                                      "选“是”，窗口中的文字换成磁盘上的内容；\n"
                                      "选“否”，保留窗口中的文字。")
                           .arg(caption()),
                       Dialogs::YesNoDefaultNo, Dialogs::Question,
                       QStringLiteral("文件已在磁盘上改变")) != Dialogs::Yes)
        return false;
    if (!hasUnsavedChanges())
        return true;
    return dialogs.msgBox(this,
                          QStringLiteral("窗口中的文字有尚未保存的修改，重新载入后这些修改将"
                                         "丢失，且不能撤消。\n\n仍然重新载入 %1 吗？")
                              .arg(caption()),
                          Dialogs::YesNoDefaultNo, Dialogs::Exclamation,
                          QStringLiteral("文件已在磁盘上改变")) == Dialogs::Yes;
}
