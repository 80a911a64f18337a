#pragma once

#include "debugging/debugview.h"

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QLabel;

// 寄存器: the general, index, pointer and segment registers in hexadecimal
// (AX to DX with their halves), decimal in the tooltip, what the last step
// changed marked. A value is changed in place: a double-click, Enter or F2
// on it opens it for typing (hexadecimal), Enter takes it, Esc leaves it.
class RegisterPanel : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();

signals:
    // The user typed a new value: the whole register's, halves merged in.
    void registerEdited(Reg reg, quint16 value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edit(int field);
    void closeEditor();
    struct Field
    {
        QLabel *value;
        Reg reg;
        int shift; // 0 for the word, 8 for the high byte, -1 for the low byte
    };
    QList<Field> fields_;
    Registers shown_;
    bool hasView_ = false;
    QPointer<QLineEdit> editor_;
    int editing_ = -1;
};
