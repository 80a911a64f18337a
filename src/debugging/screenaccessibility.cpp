#include "debugging/screenaccessibility.h"

#include "debugging/screenview.h"

#include <QAccessibleWidget>

namespace {

class ScreenAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ScreenAccessible(ScreenView *screen)
        : QAccessibleWidget(screen, QAccessible::StaticText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return screen()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        return s;
    }

    // The text interface: the screen's text, nothing selectable, the caret
    // where the program's cursor is not known to it (the start).
    QString text(int startOffset, int endOffset) const override
    {
        return screen()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(screen()->text().size()); }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

private:
    ScreenView *screen() const { return static_cast<ScreenView *>(widget()); }
};

QAccessibleInterface *screenFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ScreenView") && object && object->isWidgetType())
        return new ScreenAccessible(static_cast<ScreenView *>(object));
    return nullptr;
}

} // namespace

void installScreenAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(screenFactory);
}
