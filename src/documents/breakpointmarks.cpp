#include "documents/breakpointmarks.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

BreakpointMarks::BreakpointMarks(QTextDocument *document, QObject *parent)
    : QObject(parent), document_(document)
{
    // Removing a line takes its breakpoint along instead of piling it onto
    // the next line's.
    connect(document_, &QTextDocument::contentsChanged, this, [this] {
        QList<int> seen;
        const qsizetype before = breakpoints_.size();
        breakpoints_.removeIf([&seen](const QTextCursor &c) {
            const int block = c.block().blockNumber();
            if (seen.contains(block))
                return true;
            seen << block;
            return false;
        });
        if (breakpoints_.size() != before)
            emit changed();
    });
}

QList<int> BreakpointMarks::lines() const
{
    QList<int> out;
    for (const QTextCursor &c : breakpoints_)
        out << c.block().blockNumber() + 1;
    std::sort(out.begin(), out.end());
    return out;
}

bool BreakpointMarks::has(int line) const
{
    return std::any_of(breakpoints_.cbegin(), breakpoints_.cend(), [line](const QTextCursor &c) {
        return c.block().blockNumber() + 1 == line;
    });
}

bool BreakpointMarks::set(int line, bool on)
{
    const QTextBlock block = document_->findBlockByNumber(line - 1);
    if (!block.isValid())
        return false;
    if (on == has(line))
        return true;
    if (on)
        breakpoints_ << QTextCursor(block);
    else
        breakpoints_.removeIf(
            [line](const QTextCursor &c) { return c.block().blockNumber() + 1 == line; });
    emit changed();
    return true;
}

void BreakpointMarks::clearAll()
{
    if (breakpoints_.isEmpty())
        return;
    breakpoints_.clear();
    emit changed();
}

void BreakpointMarks::setCurrent(int line)
{
    if (current_ == line)
        return;
    current_ = line;
    emit changed();
}

void BreakpointMarks::setDisabledLines(const QList<int> &lines)
{
    disabled_ = lines;
}

void BreakpointMarks::paint(QPainter &painter, int width,
                            const std::function<QRect(int position)> &lineRect, int firstPosition,
                            int lastPosition) const
{
    const int size = std::min(width - 2, 12);
    auto boxOf = [&](const QTextBlock &block) {
        const QRect line = lineRect(block.position());
        return QRectF((width - size) / 2.0, line.center().y() - size / 2.0 + 0.5, size, size);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QTextCursor &c : breakpoints_) {
        const QTextBlock block = c.block();
        if (block.position() < firstPosition || block.position() > lastPosition)
            continue;
        const QRectF box = boxOf(block);
        QPainterPath diamond;
        diamond.moveTo(box.center().x(), box.top());
        diamond.lineTo(box.right(), box.center().y());
        diamond.lineTo(box.center().x(), box.bottom());
        diamond.lineTo(box.left(), box.center().y());
        diamond.closeSubpath();
        painter.setPen(QPen(QColor(90, 0, 20), 1));
        if (disabled_.contains(block.blockNumber() + 1))
            painter.setBrush(QColor(255, 255, 255));
        else
            painter.setBrush(QColor(170, 20, 50));
        painter.drawPath(diamond);
    }
    const QTextBlock current = document_->findBlockByNumber(current_ - 1);
    if (current_ > 0 && current.isValid() && current.position() >= firstPosition &&
        current.position() <= lastPosition) {
        const QRectF box = boxOf(current);
        QPainterPath arrow;
        arrow.moveTo(box.left(), box.top() + size * 0.3);
        arrow.lineTo(box.center().x(), box.top() + size * 0.3);
        arrow.lineTo(box.center().x(), box.top());
        arrow.lineTo(box.right(), box.center().y());
        arrow.lineTo(box.center().x(), box.bottom());
        arrow.lineTo(box.center().x(), box.bottom() - size * 0.3);
        arrow.lineTo(box.left(), box.bottom() - size * 0.3);
        arrow.closeSubpath();
        painter.setPen(QPen(QColor(120, 90, 0), 1));
        painter.setBrush(QColor(255, 210, 0));
        painter.drawPath(arrow);
    }
    painter.restore();
}
