#pragma once

#include "debugging/debugview.h"

#include <QWidget>

class QLabel;

// 标志: the nine flags of the 8086 by name with 0 or 1, what the last step
// changed marked, and below them the words DEBUG's R shows for them.
class FlagPanel : public QWidget
{
    Q_OBJECT
public:
    explicit FlagPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();

private:
    QList<QLabel *> values_;
    QLabel *letters_;
};
