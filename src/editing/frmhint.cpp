#include "editing/frmhint.h"

#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "editing/instructionhints.h"
#include "platform/richtext.h"

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

frmHint::frmHint(frmMain *main) : QWidget(main, Qt::Tool), main_(main)
{
    setObjectName(QStringLiteral("frmHint"));
    setWindowTitle(QStringLiteral("指令提示"));
    // The user goes on typing in the document while the hint is open.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Hint = new QTextBrowser(this);
    Hint->setObjectName(QStringLiteral("Hint"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Hint);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    connect(main->mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
        if (auto *doc = sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
            doc && isVisible() && doc != doc_) {
            follow(doc);
            caretMoved();
        }
    });
}

void frmHint::showFor(frmDocument *doc, int position)
{
    follow(doc);
    showAt(position < 0 ? doc->Text1->textCursor().position() : position);
}

void frmHint::follow(frmDocument *doc)
{
    if (doc_ == doc)
        return;
    if (doc_) {
        doc_->Text1->removeEventFilter(this);
        disconnect(doc_->Text1, nullptr, this, nullptr);
    }
    doc_ = doc;
    doc->Text1->installEventFilter(this);
    connect(doc->Text1, &RichText::selChange, this, &frmHint::caretMoved);
}

void frmHint::caretMoved()
{
    if (isVisible() && doc_)
        showAt(doc_->Text1->textCursor().position());
}

void frmHint::showAt(int position)
{
    RichText *text = doc_->Text1;
    const QTextBlock block = text->document()->findBlock(position);
    const QString word = hintWord(block.text(), position - block.position());
    const bool wasVisible = isVisible();
    if (word != word_ || !wasVisible) {
        word_ = word;
        const HintEntry *entry = InstructionHints::shipped().find(word);
        Hint->setHtml(hintHtml(InstructionHints::shipped(), word));
        // A table needs more room than a few lines of text.
        const int w = entry && !entry->rows.isEmpty() ? 620 : 420;
        Hint->document()->setTextWidth(w - 2 * Hint->frameWidth() - 4);
        const int h = int(Hint->document()->size().height()) + 2 * Hint->frameWidth() + 6;
        resize(w, std::clamp(h, 60, 420));
    }

    // Below the caret's line, or above it where the screen ends.
    QTextCursor c(text->document());
    c.setPosition(position);
    const QRect caret = text->cursorRect(c);
    QPoint at = text->viewport()->mapToGlobal(caret.bottomLeft()) + QPoint(0, 6);
    const QRect screen =
        (text->screen() ? text->screen()->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16));
    const QSize frame = frameGeometry().size().expandedTo(size());
    if (at.y() + frame.height() > screen.bottom())
        at.setY(text->viewport()->mapToGlobal(caret.topLeft()).y() - frame.height() - 6);
    at.setX(
        std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - frame.width())));
    move(at);
    if (!wasVisible)
        show();
}

bool frmHint::eventFilter(QObject *watched, QEvent *event)
{
    // Escape in the document closes the hint; the document has no use for it.
    if (event->type() == QEvent::KeyPress && isVisible() && doc_ && watched == doc_->Text1 &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
