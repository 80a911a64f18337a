#pragma once

#include "debugging/breakpoint.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// 断点: every breakpoint of the debugged program with a check box that
// enables it, where it is, its condition, the hit it stops on and its hits
// so far. The condition and the hit are edited in place; the line below
// adds a breakpoint at an address (1234:0010) or on data (数据 COUNT,
// 数据 DS:0100 8); Delete removes the chosen ones.
class BreakpointPanel : public QWidget
{
    Q_OBJECT
public:
    explicit BreakpointPanel(QWidget *parent = nullptr);
    // The list, each with the place as people read it.
    void showBreakpoints(const QList<Breakpoint> &list,
                         const std::function<QString(const Breakpoint &)> &placeText);
    // Said under the list (a condition that cannot be read); empty hides it.
    void tell(const QString &problem);

signals:
    void enabledChanged(int id, bool on);
    void conditionEdited(int id, const QString &condition);
    void hitTargetEdited(int id, int target);
    void removeWanted(const QList<int> &ids);
    // The text typed in the line below, on Enter.
    void addWanted(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edited(QTreeWidgetItem *item, int column);

    QTreeWidget *list_;
    QLineEdit *add_;
    QLabel *problem_;
    QList<Breakpoint> shown_;
    bool filling_ = false;
};
