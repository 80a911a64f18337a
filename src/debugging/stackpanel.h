#pragma once

#include "debugging/debugview.h"

#include <QWidget>

class QPlainTextEdit;

// 堆栈: the words from SS:SP upward, a return address into the program
// named by the source line it returns to.
class StackPanel : public QWidget
{
    Q_OBJECT
public:
    explicit StackPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();

    static constexpr int words = 16;

private:
    QPlainTextEdit *list_;
};
