#include "debugging/screenview.h"

#include "debugging/dostext.h"
#include "debugging/pckeys.h"
#include "debugging/screenaccessibility.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int cellsSize = ScreenView::columns * ScreenView::rows * 2;

// The CGA text colours.
constexpr QRgb palette16[16] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

QColor foreground(quint8 attribute)
{
    return QColor(palette16[attribute & 0x0F]);
}

// Bit 7 blinks on a PC; the text is shown steady on the low eight colours.
QColor background(quint8 attribute)
{
    return QColor(palette16[(attribute >> 4) & 0x07]);
}

QByteArray blankScreen()
{
    QByteArray cells(cellsSize, 0);
    for (int i = 0; i < cellsSize; i += 2) {
        cells[i] = ' ';
        cells[i + 1] = 0x07;
    }
    return cells;
}

} // namespace

ScreenView::ScreenView(QWidget *parent) : QWidget(parent), cells_(blankScreen())
{
    // Before the first event about this widget makes its interface.
    installScreenAccessibility();
    setObjectName(QStringLiteral("ScreenView"));
    setAccessibleName(QStringLiteral("屏幕"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font = DosText::fixedFont();
    font.setPixelSize(16);
    setFont(font);
    blink_.setInterval(500);
    connect(&blink_, &QTimer::timeout, this, [this] {
        cursorShown_ = !cursorShown_;
        update();
    });
}

void ScreenView::showScreen(const QByteArray &cells, int cursorRow, int cursorColumn)
{
    QByteArray shown = cells.left(cellsSize);
    if (shown.size() < cellsSize)
        shown += blankScreen().mid(shown.size());
    if (shown == cells_ && cursorRow == cursorRow_ && cursorColumn == cursorColumn_)
        return;
    cells_ = shown;
    cursorRow_ = cursorRow;
    cursorColumn_ = cursorColumn;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&changed);
    }
}

void ScreenView::showView(const DebugView &v)
{
    showScreen(v.memory.mid(0xB8000, cellsSize), v.cursorRow, v.cursorColumn);
}

void ScreenView::setWaitingForKey(bool waiting)
{
    if (waiting == waiting_)
        return;
    waiting_ = waiting;
    cursorShown_ = true;
    setAccessibleDescription(waiting ? QStringLiteral("程序正在等待按键") : QString());
    if (waiting) {
        blink_.start();
        setFocus(Qt::OtherFocusReason);
    } else {
        blink_.stop();
    }
    update();
}

QString ScreenView::text() const
{
    QStringList lines;
    for (int r = 0; r < rows; ++r) {
        QByteArray characters(columns, ' ');
        for (int c = 0; c < columns; ++c)
            characters[c] = cells_[2 * (r * columns + c)];
        QString line = DosText::rowText(characters, u' ', true);
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

QSize ScreenView::cellSize() const
{
    const QFontMetrics metrics(font());
    return {std::max(1, metrics.horizontalAdvance(u'M')), std::max(1, metrics.height())};
}

QSize ScreenView::sizeHint() const
{
    const QSize cell = cellSize();
    return {cell.width() * columns + 4, cell.height() * rows + 4};
}

QSize ScreenView::minimumSizeHint() const
{
    return sizeHint() / 3;
}

QTransform ScreenView::screenTransform() const
{
    const QSize cell = cellSize();
    const QSizeF screen(cell.width() * columns, cell.height() * rows);
    // A 2-pixel margin holds the frame that shows the screen takes keys.
    const qreal scale = std::min((width() - 4) / screen.width(), (height() - 4) / screen.height());
    QTransform t;
    t.translate((width() - screen.width() * scale) / 2, (height() - screen.height() * scale) / 2);
    t.scale(scale, scale);
    return t;
}

void ScreenView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (waiting_) {
        p.setPen(QPen(QColor(255, 214, 102), 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    p.setTransform(screenTransform());
    const QSize cell = cellSize();
    const auto *bytes = reinterpret_cast<const quint8 *>(cells_.constData());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const quint8 *at = bytes + 2 * (r * columns + c);
            const QRect box(c * cell.width(), r * cell.height(), cell.width(), cell.height());
            p.fillRect(box, background(at[1]));
            QChar glyph;
            QRect glyphBox = box;
            if (c + 1 < columns) {
                glyph = DosText::gbkCharacter(at[0], at[2]);
                if (!glyph.isNull()) {
                    glyphBox.setWidth(2 * cell.width());
                    p.fillRect(box.translated(cell.width(), 0), background(at[3]));
                }
            }
            if (glyph.isNull())
                glyph = DosText::pcCharacter(at[0]);
            if (!glyph.isNull() && glyph != u' ') {
                p.setPen(foreground(at[1]));
                p.drawText(glyphBox, Qt::AlignCenter, QString(glyph));
            }
            if (glyphBox.width() > cell.width())
                ++c;
        }
    }
    if (cursorShown_ && cursorRow_ >= 0 && cursorRow_ < rows && cursorColumn_ >= 0 &&
        cursorColumn_ < columns) {
        const quint8 attribute = bytes[2 * (cursorRow_ * columns + cursorColumn_) + 1];
        // An underline as the PC draws it, thicker while a key is awaited.
        const int thickness = std::max(2, cell.height() / (waiting_ ? 4 : 8));
        p.fillRect(cursorColumn_ * cell.width(), (cursorRow_ + 1) * cell.height() - thickness,
                   cell.width(), thickness, foreground(attribute));
    }
}

void ScreenView::send(const QList<quint16> &keys)
{
    for (const quint16 key : keys)
        emit keyTyped(key);
}

void ScreenView::keyPressEvent(QKeyEvent *event)
{
    const QList<quint16> keys =
        (waiting_ || typeAhead_) ? PcKeys::fromKeyEvent(*event) : QList<quint16>();
    if (keys.isEmpty())
        return QWidget::keyPressEvent(event);
    send(keys);
    event->accept();
}

void ScreenView::inputMethodEvent(QInputMethodEvent *event)
{
    if ((waiting_ || typeAhead_) && !event->commitString().isEmpty())
        send(PcKeys::fromText(event->commitString()));
    event->accept();
}

QVariant ScreenView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle) {
        const QSize cell = cellSize();
        return screenTransform().mapRect(QRect(
            cursorColumn_ * cell.width(), cursorRow_ * cell.height(), cell.width(), cell.height()));
    }
    return QWidget::inputMethodQuery(query);
}

bool ScreenView::focusNextPrevChild(bool next)
{
    // Tab is the program's key while it reads keys.
    if (waiting_ || typeAhead_)
        return false;
    return QWidget::focusNextPrevChild(next);
}
