#include "editing/frmhint.h"

#include "workbench/workbench.h"
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
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

frmHint::frmHint(Workbench &wb) : QWidget(wb.window(), Qt::Tool)
{
    setObjectName(QStringLiteral("frmHint"));
    setWindowTitle(QStringLiteral("指令提示"));
    // The user goes on typing in the document while the hint is open.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Hint = new QTextBrowser(this);
    Hint->setObjectName(QStringLiteral("Hint"));
    Hint->setAccessibleName(QStringLiteral("指令提示"));
    // Black on white, as the hints are written, whatever the desktop's theme.
    QPalette p = Hint->palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    Hint->setPalette(p);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Hint);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    connect(wb.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
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
        const QString html = hintHtml(InstructionHints::shipped(), word);
        Hint->setHtml(html);
        // A table needs more room than a few lines of text. The browser lays
        // its text out lazily, so a copy tells the height it needs.
        const int w = entry && !entry->rows.isEmpty() ? 640 : 420;
        QTextDocument probe;
        probe.setDefaultFont(Hint->document()->defaultFont());
        probe.setDocumentMargin(Hint->document()->documentMargin());
        probe.setHtml(html);
        probe.setTextWidth(w - 2 * Hint->frameWidth());
        const int h = int(probe.size().height()) + 2 * Hint->frameWidth() + 2;
        wanted_ = QSize(w, std::clamp(h, 60, 480));
    }

    // Below the caret's line, or above it when there is more room there;
    // never off the screen.
    QTextCursor c(text->document());
    c.setPosition(position);
    const QRect caret = text->cursorRect(c);
    const QRect line(text->viewport()->mapToGlobal(caret.topLeft()), caret.size());
    const QRect screen =
        text->screen() ? text->screen()->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
    // The window manager's frame is known once the window has been shown.
    const QSize frame = wasVisible ? frameGeometry().size() - size() : QSize(8, 30);
    const int gap = 6;
    const int below = screen.bottom() - line.bottom() - gap;
    const int above = line.top() - gap - screen.top();
    const bool underneath = wanted_.height() + frame.height() <= below || below >= above;
    const int room = (underneath ? below : above) - frame.height();
    resize(wanted_.width(), std::max(60, std::min(wanted_.height(), room)));
    const QSize outer = size() + frame;
    int y = underneath ? line.bottom() + gap : line.top() - gap - outer.height();
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() - outer.height()));
    const int x = std::clamp(line.left(), screen.left(),
                             std::max(screen.left(), screen.right() - outer.width()));
    move(x, y);
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
