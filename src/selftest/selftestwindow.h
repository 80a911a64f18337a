#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// 自测: each case of the test file as passed or failed, and for the one
// chosen what it expected beside what the program did.
class SelfTestWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SelfTestWindow(QWidget *parent = nullptr);

    // A new run of `suite` from `testFile` has begun.
    void begin(const QString &source, const QString &testFile, const CheckSuite &suite);
    // The program was not built: why, and the tools' words.
    void notBuilt(const QString &why, const QString &toolsSaid);
    void showResults(const QList<CaseResult> &results);

signals:
    // The user asks to debug the program with this case's keys.
    void debugCase(int index);
    void runAgain();

private:
    void showCase(int index);

    QLabel *summary_;
    QTreeWidget *cases_;
    QPlainTextEdit *expected_, *actual_;
    QLabel *hint_;
    QPushButton *again_;
    CheckSuite suite_;
    QList<CaseResult> results_;
};
