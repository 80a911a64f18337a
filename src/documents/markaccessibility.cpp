#include "documents/markaccessibility.h"

#include "documents/diagnosticstrip.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace {

// One mark, read on demand: marks move with their lines while the text is edited.
class MarkItem : public QAccessibleInterface
{
public:
    MarkItem(DiagnosticStrip *strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ < strip_->marks().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(strip_.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return QString();
        const DiagnosticStrip::Mark mark = strip_->marks().at(index_);
        return QStringLiteral("第 %1 行：").arg(mark.line) +
               (mark.kind == Diagnostic::Error ? QStringLiteral("错误 ")
                                               : QStringLiteral("警告 ")) +
               QString(mark.text).replace(QLatin1Char('\n'), QStringLiteral("；"));
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        return strip_ ? QRect(strip_->mapToGlobal(QPoint()), strip_->size()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }

private:
    QPointer<DiagnosticStrip> strip_;
    int index_;
};

class StripAccessible : public QAccessibleWidget
{
public:
    explicit StripAccessible(DiagnosticStrip *strip) : QAccessibleWidget(strip, QAccessible::List)
    {
    }
    ~StripAccessible() override
    {
        for (QAccessible::Id id : items_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(strip()->marks().size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (items_.size() <= index)
            items_ << QAccessible::registerAccessibleInterface(
                new MarkItem(strip(), int(items_.size())));
        return QAccessible::accessibleInterface(items_.at(index));
    }
    int indexOfChild(const QAccessibleInterface *item) const override
    {
        for (int i = 0; i < items_.size(); ++i) {
            if (QAccessible::accessibleInterface(items_.at(i)) == item)
                return i;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QStringLiteral("错误和警告标记");
        if (t == QAccessible::Description) {
            const QString counts = strip()->countText();
            return counts.isEmpty() ? QStringLiteral("还没有编译结果") : counts;
        }
        return QAccessibleWidget::text(t);
    }

private:
    DiagnosticStrip *strip() const { return static_cast<DiagnosticStrip *>(widget()); }
    mutable QList<QAccessible::Id> items_;
};

QAccessibleInterface *stripFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("DiagnosticStrip") && object && object->isWidgetType())
        return new StripAccessible(static_cast<DiagnosticStrip *>(object));
    return nullptr;
}

} // namespace

void installMarkAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(stripFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
