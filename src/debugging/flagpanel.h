#pragma once

#include "debugging/debugview.h"

#include <QWidget>

class QLabel;

// 标志: the nine flags of the 8086 by name with 0 or 1, what the last step
// changed marked, and below them the words DEBUG's R shows for them. A
// click on a flag's value (or Space on it) turns it over.
class FlagPanel : public QWidget
{
    Q_OBJECT
public:
    explicit FlagPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();

signals:
    // The user turned a flag over: the whole flags word as it is now.
    void flagsEdited(quint16 flags);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QLabel *> values_;
    QLabel *letters_;
    quint16 shown_ = 0;
    bool hasView_ = false;
};
