// 监视 beside the debugged text: its expressions kept with the document's file
// (the next debugging of it starts with them), and a name of the program
// under the mouse shown with its value.
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "debugging/filesettings.h"
#include "documents/frmdocument.h"

#include "debugging/debugsession.h"
#include "platform/richtext.h"

#include <QFileInfo>
#include <QHelpEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QTextCursor>
#include <QToolTip>

namespace {

QSettings kept()
{
    return fileSettings(QStringLiteral("watches.ini"));
}

// Empty for a new document, whose list lasts as long as the document.
QString keyOf(const frmDocument *doc)
{
    return fileKey(QStringLiteral("watches"), doc);
}

} // namespace

void DebugController::keepWatches(const QStringList &expressions)
{
    frmDocument *doc = debug_ ? debug_->doc.data() : nullptr;
    if (!doc)
        return;
    doc->setProperty("watches", expressions);
    // An emptied list is kept too: the program's variables come back only
    // for a file never watched.
    if (const QString key = keyOf(doc); !key.isEmpty())
        kept().setValue(key, expressions.isEmpty() ? QStringList{QString()} : expressions);
}

std::optional<QStringList> DebugController::keptWatches(const frmDocument *doc) const
{
    if (!doc)
        return std::nullopt;
    if (const QVariant own = doc->property("watches"); own.isValid())
        return own.toStringList();
    const QString key = keyOf(doc);
    if (key.isEmpty() || !kept().contains(key))
        return std::nullopt;
    QStringList list = kept().value(key).toStringList();
    list.removeAll(QString());
    return list;
}

bool DebugController::showNameValue(QObject *viewport, QHelpEvent *event)
{
    DebugSession *s = debugSession();
    auto *text = viewport->parent() ? qobject_cast<RichText *>(viewport->parent()) : nullptr;
    if (!s || s->running() || !text)
        return false;
    QTextCursor at = text->cursorForPosition(event->pos());
    at.select(QTextCursor::WordUnderCursor);
    const QString word = at.selectedText().toUpper();
    const DebugView view = s->view();
    const auto named = std::find_if(view.symbols.begin(), view.symbols.end(),
                                    [&](const WatchSymbol &w) { return w.name == word; });
    if (word.isEmpty() || named == view.symbols.end()) {
        QToolTip::hideText();
        return false;
    }
    const WatchValue v = evaluateWatch(word, view.registers, view.memory, view.symbols);
    QString tip = QStringLiteral("%1 = %2").arg(word, v.hex);
    if (named->kind != WatchSymbol::Kind::Code)
        tip += QStringLiteral("（%1）").arg(v.unsignedDecimal);
    if (!v.text.isEmpty())
        tip += QStringLiteral("  “%1”").arg(v.text);
    QToolTip::showText(event->globalPos(), tip, text->viewport());
    return true;
}
