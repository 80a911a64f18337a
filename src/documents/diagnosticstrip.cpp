#include "documents/diagnosticstrip.h"

#include "platform/richtext.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

DiagnosticStrip::DiagnosticStrip(RichText *text, QStatusBar *statusBar, QWidget *parent)
    : QWidget(parent), text_(text), counts_(new QLabel(statusBar))
{
    setObjectName(QStringLiteral("DiagnosticStrip"));
    counts_->setObjectName(QStringLiteral("DiagnosticCounts"));
    statusBar->addPermanentWidget(counts_);
    counts_->hide();

    QTextDocument *doc = text_->document();
    connect(doc, &QTextDocument::contentsChange, this, &DiagnosticStrip::contentsChanged);
    connect(text_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            qOverload<>(&QWidget::update));
}

void DiagnosticStrip::setDiagnostics(const QList<Diagnostic> &diagnostics)
{
    entries_.clear();
    lastCharacterCount_ = text_->document()->characterCount();
    restorePending_ = false;
    int errors = 0;
    int warnings = 0;
    for (const Diagnostic &d : diagnostics) {
        entries_ << Entry{cursorAtLine(d.line), d.line, d};
        (d.kind == Diagnostic::Warning ? warnings : errors) += 1;
    }
    counts_->setText(QStringLiteral("编译结果：%1 个错误，%2 个警告").arg(errors).arg(warnings));
    counts_->show();
    update();
}

QTextCursor DiagnosticStrip::cursorAtLine(int line) const
{
    QTextDocument *doc = text_->document();
    QTextBlock block = doc->findBlockByNumber(line - 1);
    if (!block.isValid())
        block = doc->lastBlock();
    return QTextCursor(block);
}

void DiagnosticStrip::contentsChanged(int position, int charsRemoved, int)
{
    // Without marks a key costs nothing here.
    if (entries_.isEmpty())
        return;
    // Replacing the whole text (indenting, changing case) puts every cursor at
    // the start or the end, in one change or in two (emptied, then filled).
    // Those commands keep the lines, so the marks keep their line numbers.
    const int count = text_->document()->characterCount();
    const bool wholeText =
        position == 0 && lastCharacterCount_ > 1 && charsRemoved >= lastCharacterCount_ - 1;
    const bool emptied = wholeText && count == 1;
    const bool replaced =
        (wholeText && count > 1) || (restorePending_ && position == 0 && charsRemoved == 0);
    lastCharacterCount_ = count;
    restorePending_ = emptied;
    for (Entry &e : entries_) {
        if (replaced)
            e.at = cursorAtLine(e.line);
        else if (!emptied)
            e.line = e.at.blockNumber() + 1;
    }
    update();
}

QList<DiagnosticStrip::Placed> DiagnosticStrip::placed() const
{
    QList<Placed> out;
    for (const Entry &e : entries_) {
        const QTextBlock block = e.at.block();
        const int number = block.blockNumber();
        auto it = std::lower_bound(out.begin(), out.end(), number,
                                   [](const Placed &p, int n) { return p.block < n; });
        if (it == out.end() || it->block != number)
            it = out.insert(it, Placed{number, block.position(), e.diagnostic.kind, {}});
        if (e.diagnostic.kind == Diagnostic::Error)
            it->kind = Diagnostic::Error;
        it->texts << e.diagnostic.text;
    }
    return out;
}

QList<DiagnosticStrip::Mark> DiagnosticStrip::marks() const
{
    QList<Mark> out;
    for (const Placed &p : placed())
        out << Mark{p.block + 1, p.kind, p.texts.join(QLatin1Char('\n'))};
    return out;
}

QString DiagnosticStrip::countText() const
{
    return counts_->isHidden() ? QString() : counts_->text();
}

QRect DiagnosticStrip::lineRect(int position) const
{
    QTextCursor c(text_->document());
    c.setPosition(position);
    const QRect r = text_->cursorRect(c);
    const QPoint top =
        mapFrom(parentWidget(), text_->viewport()->mapTo(parentWidget(), r.topLeft()));
    return QRect(0, top.y(), width(), std::max(r.height(), 12));
}

const DiagnosticStrip::Placed *DiagnosticStrip::markAt(const QPoint &pos,
                                                       const QList<Placed> &marks) const
{
    for (const Placed &p : marks) {
        if (lineRect(p.position).contains(pos))
            return &p;
    }
    return nullptr;
}

void DiagnosticStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect visible = rect();
    const int size = std::min(width() - 4, 12);
    for (const Placed &p : placed()) {
        const QRect line = lineRect(p.position);
        if (!line.intersects(visible))
            continue;
        const QRectF box((width() - size) / 2.0, line.center().y() - size / 2.0 + 0.5, size, size);
        // Shape as well as colour, for readers who cannot tell red from amber.
        if (p.kind == Diagnostic::Error) {
            painter.setPen(QPen(QColor(140, 0, 0), 1));
            painter.setBrush(QColor(220, 30, 30));
            painter.drawEllipse(box);
            const qreal inset = size * 0.3;
            painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
            const QRectF x = box.adjusted(inset, inset, -inset, -inset);
            painter.drawLine(x.topLeft(), x.bottomRight());
            painter.drawLine(x.topRight(), x.bottomLeft());
        } else {
            QPainterPath triangle;
            triangle.moveTo(box.center().x(), box.top());
            triangle.lineTo(box.right(), box.bottom());
            triangle.lineTo(box.left(), box.bottom());
            triangle.closeSubpath();
            painter.setPen(QPen(QColor(150, 100, 0), 1));
            painter.setBrush(QColor(250, 190, 20));
            painter.drawPath(triangle);
            painter.setPen(QPen(Qt::black, 1.4, Qt::SolidLine, Qt::RoundCap));
            const qreal cx = box.center().x();
            painter.drawLine(QPointF(cx, box.top() + size * 0.35),
                             QPointF(cx, box.top() + size * 0.68));
            painter.drawPoint(QPointF(cx, box.top() + size * 0.84));
        }
    }
}

bool DiagnosticStrip::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QList<Placed> marks = placed();
        if (const Placed *p = markAt(help->pos(), marks))
            QToolTip::showText(help->globalPos(), p->texts.join(QLatin1Char('\n')), this,
                               lineRect(p->position));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void DiagnosticStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QList<Placed> marks = placed();
    if (const Placed *p = markAt(event->position().toPoint(), marks))
        moveCaretTo(p->position);
}

bool DiagnosticStrip::moveToNextMark()
{
    const QList<Placed> marks = placed();
    if (marks.isEmpty())
        return false;
    const int caretBlock = text_->textCursor().blockNumber();
    auto next = std::find_if(marks.begin(), marks.end(),
                             [caretBlock](const Placed &p) { return p.block > caretBlock; });
    moveCaretTo(next == marks.end() ? marks.front().position : next->position);
    return true;
}

void DiagnosticStrip::moveCaretTo(int position)
{
    QTextCursor c = text_->textCursor();
    c.setPosition(position);
    text_->setTextCursor(c);
    text_->ensureCursorVisible();
    text_->setFocus();
}
