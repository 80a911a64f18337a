#include "workbench/workbench.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/linebreaks.h"
#include "documents/textfile.h"
#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/richtext.h"
#include "rules/textrules.h"

#include <QTextDocument>

bool frmDocument::loadFile(const QString &path)
{
    if (!mayChange())
        return false;
    // A file that cannot be read leaves the window's caption and text alone.
    bool refused = false;
    auto file = readTextFile(path, &refused);
    Dialogs &dialogs = wb_.dialogs();
    if (refused) {
        dialogs.msgBox(
            wb_.window(),
            QStringLiteral("无法打开文件：%1\n它不是普通文件（而是设备、管道或文件夹）。")
                .arg(path),
            Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return false;
    }
    if (!file)
        return false;
    // The file's last line break is the one that saving adds back: open and
    // save give the same bytes, a file without one included.
    QString text = std::move(file->text);
    if (file->finalBreak)
        text.chop(2);
    // The marks were made for the text that was there; a view's window
    // holds a source of its own now.
    Strip->clear();
    kind = Kind::Source;
    // An opened file starts with nothing to undo, its colours included.
    Text1->document()->setUndoRedoEnabled(false);
    encoding = file->encoding;
    // Only the comments are painted, as the text goes in; the rest keeps the
    // loaded text's colour until the next recolouring.
    Text1->setText(std::move(text), commentRanges, toQColor(wb_.colours().Remcolor));
    setLineBreaks(Text1->document(), file->otherBreaks);
    finalLineBreak = file->finalBreak;
    setCaption(path);
    // The file's own display mode, as it was last chosen for it.
    displayModeRead = false;
    resetTyping();
    Text1->document()->setUndoRedoEnabled(true);
    markSaved();
    showPosition();
    emit loaded(this);
    if (file->undecodable > 0)
        dialogs.msgBox(wb_.window(),
                       QStringLiteral("文件 %1 中有 %2 个字节不是 %3 编码的文本。\n"
                                      "这些字节原样保留，保存时按原样写回。")
                           .arg(path)
                           .arg(file->undecodable)
                           .arg(file->encoding.name),
                       Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
    return true;
}
