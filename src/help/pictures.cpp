#include "help/pictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// A chip: a dark body with pins on two sides and the program's initial.
static void drawChip(QPainter &p, const QRectF &body, const QColor &bodyColor,
                     const QColor &pinColor, const QString &label)
{
    const qreal pin = body.height() / 8;
    p.setPen(Qt::NoPen);
    p.setBrush(pinColor);
    for (int i = 0; i < 4; ++i) {
        const qreal y = body.top() + body.height() * (i + 0.75) / 4.5;
        p.drawRect(QRectF(body.left() - pin * 1.5, y, pin * 1.5, pin));
        p.drawRect(QRectF(body.right(), y, pin * 1.5, pin));
    }
    p.setBrush(bodyColor);
    p.drawRoundedRect(body, pin, pin);
    if (!label.isEmpty()) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        int px = int(body.height() * 0.55);
        f.setPixelSize(px);
        // Shrink a long label until it fits inside the body.
        while (px > 6 && QFontMetricsF(f).horizontalAdvance(label) > body.width() * 0.85)
            f.setPixelSize(--px);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(body, Qt::AlignCenter, label);
    }
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal m = size * 0.2;
        drawChip(p, QRectF(m, m * 0.6, size - 2 * m, size - 1.2 * m), QColor(40, 40, 140),
                 QColor(200, 170, 60), QStringLiteral("K"));
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap mdiBackground()
{
    // One tile of a quiet circuit pattern; the frame repeats it.
    const int size = 160;
    QPixmap pm(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(pm.rect(), QColor(104, 120, 150));
    QPen trace(QColor(122, 140, 172), 2);
    p.setPen(trace);
    p.drawLine(0, 40, 60, 40);
    p.drawLine(60, 40, 80, 60);
    p.drawLine(80, 60, 160, 60);
    p.drawLine(40, 0, 40, 20);
    p.drawLine(120, 60, 120, 160);
    p.drawLine(0, 120, 70, 120);
    p.drawLine(70, 120, 90, 100);
    p.setBrush(QColor(122, 140, 172));
    for (const QPointF &pad : {QPointF(40, 20), QPointF(90, 100), QPointF(60, 40)})
        p.drawEllipse(pad, 4, 4);
    return pm;
}

QPixmap splashPicture(int width, int height)
{
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(60, 60, 170));
    g.setColorAt(1, QColor(20, 20, 80));
    p.fillRect(pm.rect(), g);
    const qreal w = width * 0.56;
    drawChip(p, QRectF((width - w) / 2, height * 0.3, w, w * 0.8), QColor(30, 30, 30),
             QColor(220, 190, 80), QStringLiteral("8086"));
    return pm;
}
