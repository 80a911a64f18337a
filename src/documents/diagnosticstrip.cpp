#include "documents/diagnosticstrip.h"

#include "documents/breakpointmarks.h"
#include "platform/richtext.h"
#include "rules/messageexplanations.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

DiagnosticStrip::DiagnosticStrip(RichText *text, QStatusBar *statusBar, QWidget *parent)
    : QWidget(parent), breakpoints(new BreakpointMarks(text->document(), this)), text_(text),
      counts_(new QLabel(statusBar)), markLine_(new QLabel(statusBar))
{
    connect(breakpoints, &BreakpointMarks::changed, this, qOverload<>(&QWidget::update));
    setObjectName(QStringLiteral("DiagnosticStrip"));
    counts_->setObjectName(QStringLiteral("DiagnosticCounts"));
    statusBar->addPermanentWidget(counts_);
    counts_->hide();
    markLine_->setObjectName(QStringLiteral("MarkExplanation"));
    // A long meaning is cut by the window, never widening it.
    markLine_->setMinimumWidth(1);
    markLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar->addWidget(markLine_, 3);
    markLine_->hide();
    connect(text_, &QPlainTextEdit::cursorPositionChanged, this, &DiagnosticStrip::showCaretMark);
    // The text is checked when the typing pauses, not on every key.
    checkPause_.setSingleShot(true);
    checkPause_.setInterval(400);
    connect(&checkPause_, &QTimer::timeout, this, &DiagnosticStrip::checkSource);

    QTextDocument *doc = text_->document();
    connect(doc, &QTextDocument::contentsChange, this, &DiagnosticStrip::contentsChanged);
    // The editor scrolls without telling its scroll bar's listeners (a jump
    // to a line, Find): it tells of every scroll here.
    connect(text_, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy || rect.contains(text_->viewport()->rect()))
            update();
    });
}

void DiagnosticStrip::setDiagnostics(const QList<Diagnostic> &diagnostics, const QString &status)
{
    QList<Diagnostic> sorted = diagnostics;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    entries_.clear();
    lastCharacterCount_ = text_->document()->characterCount();
    lastBlockCount_ = text_->document()->blockCount();
    restorePending_ = false;
    for (const Diagnostic &d : sorted)
        entries_ << Entry{lineStart(d.line), d.line, d};
    shiftFrom_ = entries_.size();
    shift_ = lineShift_ = 0;
    counts_->setText(status);
    counts_->setToolTip(status);
    counts_->show();
    showCaretMark();
    update();
}

void DiagnosticStrip::clear()
{
    entries_.clear();
    shiftFrom_ = shift_ = lineShift_ = 0;
    counts_->hide();
    markLine_->hide();
    update();
}

int DiagnosticStrip::lineStart(int line) const
{
    QTextDocument *doc = text_->document();
    QTextBlock block = doc->findBlockByNumber(line - 1);
    if (!block.isValid())
        block = doc->lastBlock();
    return block.position();
}

void DiagnosticStrip::setSourceChecked(std::function<bool()> checked)
{
    sourceChecked_ = std::move(checked);
    checkPause_.start();
}

// A program of a lab has hundreds of lines; a text this long is no source
// a student types, and checking it would cost each pause.
static constexpr int kLongestCheckedText = 20000;

void DiagnosticStrip::checkSource()
{
    const bool checked = sourceChecked_ && sourceChecked_() &&
                         text_->document()->blockCount() <= kLongestCheckedText;
    hints_ = checked ? sourceHints(text_->toPlainText()) : QList<SourceHint>();
    update();
}

QList<std::pair<int, const SourceHint *>>
DiagnosticStrip::visibleHints(const QList<Placed> &marks) const
{
    QList<std::pair<int, const SourceHint *>> out;
    if (hints_.isEmpty())
        return out;
    const QRect view = text_->viewport()->rect();
    const int first = text_->cursorForPosition(view.topLeft()).block().blockNumber();
    const int last = text_->cursorForPosition(view.bottomLeft()).block().blockNumber();
    for (const SourceHint &h : hints_) {
        const int block = h.line - 1;
        const bool marked = std::any_of(marks.begin(), marks.end(),
                                        [block](const Placed &p) { return p.block == block; });
        const QTextBlock b = text_->document()->findBlockByNumber(block);
        if (block >= first && block <= last && !marked && b.isValid())
            out << std::pair{b.position(), &h};
    }
    return out;
}

void DiagnosticStrip::contentsChanged(int position, int charsRemoved, int charsAdded)
{
    if (sourceChecked_)
        checkPause_.start();
    // Without marks a key costs nothing here.
    if (entries_.isEmpty())
        return;
    // Replacing the whole text (indenting, changing case) puts every mark at
    // the start or the end, in one change or in two (emptied, then filled).
    // Those commands keep the lines, so the marks keep their line numbers.
    const int count = text_->document()->characterCount();
    const int blocks = text_->document()->blockCount();
    const bool wholeText =
        position == 0 && lastCharacterCount_ > 1 && charsRemoved >= lastCharacterCount_ - 1;
    const bool emptied = wholeText && count == 1;
    const bool replaced =
        (wholeText && count > 1) || (restorePending_ && position == 0 && charsRemoved == 0);
    lastCharacterCount_ = count;
    restorePending_ = emptied;
    if (replaced) {
        settleShift();
        for (Entry &e : entries_)
            e.position = lineStart(e.line);
    } else if (!emptied && (charsRemoved != charsAdded || blocks != lastBlockCount_)) {
        // What follows the change moves by its size and its lines (kept as
        // one shift of all the marks after it: a key costs the same with many
        // marks as with none); a mark in what was replaced goes to where the
        // replacement starts. A change of format alone moves nothing.
        const qsizetype first = firstFrom(position);
        const qsizetype after = firstFrom(position + charsRemoved);
        moveShiftTo(after);
        for (qsizetype i = first; i < after; ++i)
            entries_[i] = Entry{position, text_->document()->findBlock(position).blockNumber() + 1,
                                entries_[i].diagnostic};
        shift_ += charsAdded - charsRemoved;
        lineShift_ += blocks - lastBlockCount_;
    }
    lastBlockCount_ = blocks;
    update();
}

int DiagnosticStrip::positionOf(qsizetype i) const
{
    return entries_[i].position + (i >= shiftFrom_ ? shift_ : 0);
}

void DiagnosticStrip::moveShiftTo(qsizetype index)
{
    // As in a gap buffer, only the marks between the last change and this
    // one are touched.
    for (; shiftFrom_ < index; ++shiftFrom_) {
        entries_[shiftFrom_].position += shift_;
        entries_[shiftFrom_].line += lineShift_;
    }
    while (shiftFrom_ > index) {
        --shiftFrom_;
        entries_[shiftFrom_].position -= shift_;
        entries_[shiftFrom_].line -= lineShift_;
    }
}

void DiagnosticStrip::settleShift()
{
    moveShiftTo(entries_.size());
    shift_ = lineShift_ = 0;
}

qsizetype DiagnosticStrip::firstFrom(int position) const
{
    qsizetype low = 0;
    qsizetype high = entries_.size();
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (positionOf(middle) < position)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

QList<DiagnosticStrip::Placed> DiagnosticStrip::placed(int from, int to) const
{
    QList<Placed> out;
    for (qsizetype i = firstFrom(from); i < entries_.size() && positionOf(i) <= to; ++i) {
        const Entry *e = &entries_[i];
        const QTextBlock block = text_->document()->findBlock(positionOf(i));
        const int number = block.blockNumber();
        if (out.isEmpty() || out.last().block != number)
            out << Placed{number, block.position(), e->diagnostic.kind, {}};
        if (e->diagnostic.kind == Diagnostic::Error)
            out.last().kind = Diagnostic::Error;
        out.last().texts << diagnosticAt(e->diagnostic, number + 1);
    }
    return out;
}

QList<DiagnosticStrip::Placed> DiagnosticStrip::visible() const
{
    const QRect view = text_->viewport()->rect();
    const QTextBlock last = text_->cursorForPosition(view.bottomLeft()).block();
    return placed(text_->cursorForPosition(view.topLeft()).block().position(),
                  last.position() + last.length());
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

// The explanations of a marked line's diagnostics, as rich text.
static QString explainedHtml(const QStringList &texts)
{
    QString html = QStringLiteral("<qt>");
    for (const QString &text : texts) {
        html += QStringLiteral("<p style='margin:2px 0'>%1</p>").arg(text.toHtmlEscaped());
        if (const auto e = MessageExplanations::shipped().explain(text))
            html += explanationHtml(*e);
    }
    return html + QStringLiteral("</qt>");
}

QString DiagnosticStrip::markText() const
{
    return markLine_->isHidden() ? QString() : markLine_->text();
}

void DiagnosticStrip::showCaretMark()
{
    if (entries_.isEmpty()) {
        markLine_->hide();
        return;
    }
    const QTextBlock block = text_->textCursor().block();
    const QList<Placed> here = placed(block.position(), block.position() + block.length() - 1);
    if (here.isEmpty() || here.first().block != block.blockNumber()) {
        markLine_->hide();
        return;
    }
    const QString &first = here.first().texts.first();
    const auto e = MessageExplanations::shipped().explain(first);
    const QString said =
        e ? (e->code.isEmpty() ? e->meaning : e->code + QStringLiteral("：") + e->meaning) : first;
    markLine_->setText(said);
    markLine_->setToolTip(explainedHtml(here.first().texts));
    markLine_->setAccessibleName(said);
    markLine_->show();
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
    const int size = std::min(width() - 4, 12);
    const QRect view = text_->viewport()->rect();
    const QTextBlock last = text_->cursorForPosition(view.bottomLeft()).block();
    breakpoints->paint(
        painter, width(), [this](int position) { return lineRect(position); },
        text_->cursorForPosition(view.topLeft()).block().position(), last.position());
    const QList<Placed> shown = visible();
    for (const auto &[position, hint] : visibleHints(shown)) {
        const QRect line = lineRect(position);
        // A hint is a blue disc with "i": not the assembler's red or amber.
        const QRectF box((width() - size) / 2.0, line.center().y() - size / 2.0 + 0.5, size, size);
        painter.setPen(QPen(QColor(20, 70, 160), 1));
        painter.setBrush(QColor(60, 130, 230));
        painter.drawEllipse(box);
        painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal cx = box.center().x();
        painter.drawPoint(QPointF(cx, box.top() + size * 0.25));
        painter.drawLine(QPointF(cx, box.top() + size * 0.45),
                         QPointF(cx, box.top() + size * 0.78));
    }
    for (const Placed &p : shown) {
        const QRect line = lineRect(p.position);
        if (!line.intersects(rect()))
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
        const QList<Placed> marks = visible();
        const Placed *p = markAt(help->pos(), marks);
        // A hint on a line the assembler marked too is told after its message.
        const SourceHint *hint = nullptr;
        const QTextBlock block = p ? text_->document()->findBlock(p->position) : QTextBlock();
        for (const SourceHint &h : hints_) {
            const QTextBlock b = text_->document()->findBlockByNumber(h.line - 1);
            if (b.isValid() && (p ? b == block : lineRect(b.position()).contains(help->pos())))
                hint = &h;
        }
        QString html = p ? explainedHtml(p->texts) : QString();
        if (hint)
            html += QStringLiteral("<p style='margin:2px 0'><b>提示：</b>%1</p>")
                        .arg(hint->text.toHtmlEscaped());
        if (!html.isEmpty())
            QToolTip::showText(
                help->globalPos(), html, this,
                lineRect(p ? p->position
                           : text_->document()->findBlockByNumber(hint->line - 1).position()));
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
    const QList<Placed> marks = visible();
    if (const Placed *p = markAt(event->position().toPoint(), marks)) {
        moveCaretTo(p->position);
        return;
    }
    const QPoint inText =
        text_->viewport()->mapFromGlobal(mapToGlobal(QPoint(0, event->position().toPoint().y())));
    const QTextBlock block = text_->cursorForPosition(inText).block();
    if (block.isValid() && lineRect(block.position()).contains(event->position().toPoint()))
        breakpoints->toggle(block.blockNumber() + 1);
}

bool DiagnosticStrip::moveToNextMark()
{
    if (entries_.isEmpty())
        return false;
    const QTextBlock next = text_->textCursor().block().next();
    const qsizetype i = next.isValid() ? firstFrom(next.position()) : entries_.size();
    moveCaretTo(text_->document()->findBlock(positionOf(i < entries_.size() ? i : 0)).position());
    return true;
}

bool DiagnosticStrip::moveToDiagnostic(const QString &text)
{
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].diagnostic.text == text) {
            moveCaretTo(text_->document()->findBlock(positionOf(i)).position());
            return true;
        }
    }
    return false;
}

void DiagnosticStrip::moveCaretTo(int position)
{
    QTextCursor c = text_->textCursor();
    c.setPosition(position);
    text_->setTextCursor(c);
    text_->ensureCursorVisible();
    text_->setFocus();
}
