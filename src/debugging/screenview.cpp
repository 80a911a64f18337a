#include "debugging/screenview.h"

#include "debugging/dostext.h"
#include "debugging/pckeys.h"
#include "debugging/screenaccessibility.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

namespace {

// The CGA text colours, as the BIOS leaves them.
constexpr std::array<quint32, 16> palette16 = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

ScreenPicture textPicture(const QByteArray &cells, int cursorRow, int cursorColumn)
{
    ScreenPicture p;
    const int size = p.columns * p.rows * 2;
    p.cells = cells.left(size);
    for (qsizetype i = p.cells.size(); i < size; i += 2)
        p.cells += QByteArray(" \x07", 2);
    p.cursorRow = cursorRow;
    p.cursorColumn = cursorColumn;
    p.colours = palette16;
    return p;
}

} // namespace

ScreenView::ScreenView(QWidget *parent) : QWidget(parent), picture_(textPicture(QByteArray(), 0, 0))
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
    // A VGA blinks characters about twice a second.
    characterBlink_.setInterval(250);
    connect(&characterBlink_, &QTimer::timeout, this, [this] {
        blinkShown_ = !blinkShown_;
        update();
    });
}

void ScreenView::showScreen(const QByteArray &cells, int cursorRow, int cursorColumn)
{
    showPicture(textPicture(cells, cursorRow, cursorColumn));
}

void ScreenView::showPicture(const ScreenPicture &picture)
{
    if (picture.text == picture_.text && picture.cells == picture_.cells &&
        picture.pixels == picture_.pixels && picture.cursorRow == picture_.cursorRow &&
        picture.cursorColumn == picture_.cursorColumn &&
        picture.cursorStart == picture_.cursorStart && picture.cursorEnd == picture_.cursorEnd &&
        picture.blink == picture_.blink && picture.colours == picture_.colours &&
        picture.columns == picture_.columns && picture.rows == picture_.rows)
        return;
    const bool kindChanged = picture.text != picture_.text;
    picture_ = picture;
    if (kindChanged)
        applyMinimum();
    const qsizetype cellBytes = qsizetype(picture_.columns) * picture_.rows * 2;
    if (picture_.text && picture_.cells.size() < cellBytes)
        picture_.cells.append(QByteArray(cellBytes - picture_.cells.size(), 0));
    image_ = QImage();
    if (!picture_.text && picture_.width > 0 && picture_.height > 0) {
        image_ = QImage(picture_.width, picture_.height, QImage::Format_RGB32);
        for (int y = 0; y < picture_.height; ++y) {
            auto *line = reinterpret_cast<quint32 *>(image_.scanLine(y));
            for (int x = 0; x < picture_.width; ++x)
                line[x] = 0xFF000000u | picture_.pixels[size_t(y) * picture_.width + x];
        }
    }
    if (hasBlinkingCells()) {
        if (!characterBlink_.isActive())
            characterBlink_.start();
    } else {
        characterBlink_.stop();
        blinkShown_ = true;
    }
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&changed);
    }
}

void ScreenView::showView(const DebugView &v)
{
    showPicture(v.screen);
}

void ScreenView::setWesternText(bool on)
{
    if (on == western_)
        return;
    western_ = on;
    update();
}

bool ScreenView::hasBlinkingCells() const
{
    if (!picture_.text || !picture_.blink)
        return false;
    for (qsizetype i = 1; i < picture_.cells.size(); i += 2)
        if (quint8(picture_.cells[i]) & 0x80)
            return true;
    return false;
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

QChar ScreenView::cellCharacter(int row, int column, bool *wide) const
{
    const auto *at = reinterpret_cast<const quint8 *>(picture_.cells.constData()) +
                     2 * (row * picture_.columns + column);
    *wide = false;
    if (!western_ && column + 1 < picture_.columns) {
        if (const QChar c = DosText::gbkCharacter(at[0], at[2]); !c.isNull()) {
            *wide = true;
            return c;
        }
    }
    return DosText::cp437Character(at[0]);
}

QString ScreenView::text() const
{
    if (!picture_.text)
        return {};
    QStringList lines;
    for (int r = 0; r < picture_.rows; ++r) {
        QString line;
        for (int c = 0; c < picture_.columns; ++c) {
            bool wide = false;
            line += cellCharacter(r, c, &wide);
            c += wide ? 1 : 0;
        }
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
    return {cell.width() * 80 + 4, cell.height() * 25 + 4};
}

void ScreenView::setTextReadable(bool on)
{
    textReadable_ = on;
    applyMinimum();
}

void ScreenView::applyMinimum()
{
    setMinimumSize(textReadable_ && picture_.text ? sizeHint() * 3 / 4 : QSize(0, 0));
}

QSize ScreenView::minimumSizeHint() const
{
    return sizeHint() / 3;
}

QTransform ScreenView::screenTransform() const
{
    const QSize cell = cellSize();
    // Forty columns fill the width of eighty, as on the monitor.
    const qreal wide = picture_.columns < 80 ? 80.0 / picture_.columns : 1.0;
    const QSizeF screen(cell.width() * picture_.columns * wide, cell.height() * picture_.rows);
    // A 2-pixel margin holds the frame that shows the screen takes keys.
    const qreal scale = std::min((width() - 4) / screen.width(), (height() - 4) / screen.height());
    QTransform t;
    t.translate((width() - screen.width() * scale) / 2, (height() - screen.height() * scale) / 2);
    t.scale(scale * wide, scale);
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
    if (picture_.text)
        paintText(p);
    else
        paintGraphics(p);
}

void ScreenView::paintGraphics(QPainter &p)
{
    if (image_.isNull())
        return;
    // The monitor shows every mode at 4:3.
    const QRectF room = QRectF(rect()).adjusted(2, 2, -2, -2);
    const qreal scale = std::min(room.width() / 4, room.height() / 3);
    QRectF target(0, 0, 4 * scale, 3 * scale);
    target.moveCenter(room.center());
    p.drawImage(target, image_);
}

void ScreenView::paintText(QPainter &p)
{
    p.setTransform(screenTransform());
    const QSize cell = cellSize();
    const auto *bytes = reinterpret_cast<const quint8 *>(picture_.cells.constData());
    const int columns = picture_.columns;
    auto colour = [&](int index) { return QColor(QRgb(picture_.colours[index & 0x0F])); };
    // With blinking on, bit 7 blinks the character over one of the low
    // eight backgrounds; off, it picks one of all sixteen.
    auto background = [&](quint8 attribute) {
        return colour(picture_.blink ? (attribute >> 4) & 0x07 : attribute >> 4);
    };
    for (int r = 0; r < picture_.rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const quint8 *at = bytes + 2 * (r * columns + c);
            const QRect box(c * cell.width(), r * cell.height(), cell.width(), cell.height());
            p.fillRect(box, background(at[1]));
            bool wide = false;
            const QChar glyph = cellCharacter(r, c, &wide);
            QRect glyphBox = box;
            if (wide) {
                glyphBox.setWidth(2 * cell.width());
                p.fillRect(box.translated(cell.width(), 0), background(at[3]));
            }
            const bool hidden = picture_.blink && (at[1] & 0x80) && !blinkShown_;
            if (glyph != u' ' && !hidden) {
                p.setPen(colour(at[1]));
                p.drawText(glyphBox, Qt::AlignCenter, QString(glyph));
            }
            c += wide ? 1 : 0;
        }
    }
    const int row = picture_.cursorRow, column = picture_.cursorColumn;
    if (!cursorShown_ || picture_.cursorHidden() || row < 0 || row >= picture_.rows || column < 0 ||
        column >= columns)
        return;
    // The shape's scan lines, counted in eight as the BIOS data has them (or
    // in the character's sixteen when the program set lines past 7).
    const int lines = picture_.cursorEnd > 7 ? 16 : 8;
    const int start = picture_.cursorStart & 0x1F,
              end = std::min<int>(picture_.cursorEnd, lines - 1);
    const int top = start * cell.height() / lines;
    const int bottom = std::max(top + 2, (end + 1) * cell.height() / lines);
    const quint8 attribute = bytes[2 * (row * columns + column) + 1];
    p.fillRect(column * cell.width(), row * cell.height() + top, cell.width(), bottom - top,
               colour(attribute));
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
        return screenTransform().mapRect(QRect(picture_.cursorColumn * cell.width(),
                                               picture_.cursorRow * cell.height(), cell.width(),
                                               cell.height()));
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
