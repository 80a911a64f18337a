#pragma once

#include "debugging/debugview.h"

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <optional>

class QLineEdit;
class QTreeWidget;

// 监视: expressions and the program's names with their values in
// hexadecimal, unsigned and signed decimal and as text; a value the last
// step changed is marked. A new program starts with its variables listed;
// the user adds an expression in the line below (Enter) and removes the
// chosen ones with Delete.
class WatchPanel : public QWidget
{
    Q_OBJECT
public:
    explicit WatchPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();
    QStringList expressions() const { return expressions_; }
    // The list a document kept; none kept: its variables, at the next view.
    void setExpressions(const std::optional<QStringList> &expressions);

signals:
    // The list changed by the user's hand.
    void expressionsChanged(const QStringList &expressions);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void add();
    void render();

    QLineEdit *add_;
    QTreeWidget *list_;
    QStringList expressions_;
    bool fillWithVariables_ = true;
    DebugView view_;
    bool hasView_ = false;
    QHash<QString, QString> before_; // value shown before the last step, by expression
    QHash<QString, QString> now_;
};
