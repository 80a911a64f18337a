#include "debugging/changemark.h"

#include <QLabel>

namespace {

const QColor kAmber(255, 214, 102);

} // namespace

QTextCharFormat changedFormat()
{
    QTextCharFormat f;
    f.setBackground(kAmber);
    f.setForeground(Qt::black);
    f.setFontWeight(QFont::Bold);
    return f;
}

void markChanged(QLabel *value, bool changed)
{
    if (value->property("changed").toBool() == changed && value->property("marked").isValid())
        return;
    value->setProperty("changed", changed);
    value->setProperty("marked", true);
    value->setAutoFillBackground(changed);
    if (changed) {
        QPalette p = value->palette();
        p.setColor(QPalette::Window, kAmber);
        p.setColor(QPalette::WindowText, Qt::black);
        value->setPalette(p);
    } else {
        // Back to the panel's own colours.
        value->setPalette(QPalette());
    }
    QFont f = value->font();
    f.setBold(changed);
    value->setFont(f);
    value->setAccessibleDescription(changed ? QStringLiteral("已改变") : QString());
}
