#pragma once

#include "debugging/debugview.h"

#include <QWidget>

class QLabel;

// 寄存器: the general, index, pointer and segment registers in hexadecimal
// (AX to DX with their halves), decimal in the tooltip, what the last step
// changed marked.
class RegisterPanel : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();

private:
    struct Field
    {
        QLabel *value;
        Reg reg;
        int shift; // 0 for the word, 8 for the high byte, -1 for the low byte
    };
    QList<Field> fields_;
};
