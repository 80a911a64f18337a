#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QPrinter>
#include <QStringList>
#include <functional>

// Scripted dialogs: every call is recorded with its exact texts, and answers
// are taken from the script in order. A dialog with no scripted answer is an
// unexpected dialog: it is recorded, cancelled, and fails the test that
// checks expectNoSurprises().
class FakeDialogs : public Dialogs
{
public:
    struct Call
    {
        QString kind; // "msgBox", "inputBox", "open", "save", "color", "font", "print"
        QString text;
        QString title;
        int buttons = -1;
        int icon = -1;
        QString filter;
        QString fileName;
        bool selectionPreset = false;
    };

    // What the next dialog of a kind answers.
    void answerMsgBox(Answer a) { msgAnswers << a; }
    void answerInput(const QString &s) { inputAnswers << s; }
    void answerOpen(const QString &path) { openAnswers << path; }
    void answerSave(const QString &path) { saveAnswers << path; }
    void answerColor(std::optional<QColor> c) { colorAnswers << c; }
    void answerFont(std::optional<QFont> f) { fontAnswers << f; }
    // The print dialog accepts or cancels; accepting can also adjust the printer.
    void answerPrint(bool accept, std::function<void(QPrinter &)> setup = {})
    {
        printAnswers << qMakePair(accept, setup);
    }

    QList<Call> calls;
    QStringList unexpected;

    Answer msgBox(QWidget *, const QString &text, Buttons buttons, Icon icon,
                  const QString &title) override;
    QString inputBox(QWidget *, const QString &prompt, const QString &title,
                     const QString &defaultText) override;
    QString showOpen(QWidget *, FileDialogState &state) override;
    QString showSave(QWidget *, FileDialogState &state) override;
    std::optional<QColor> showColor(QWidget *, const QString &title,
                                    const QColor &initial) override;
    std::optional<QFont> showFont(QWidget *, const QFont &initial) override;
    bool showPrinter(QWidget *, QPrinter &printer, const QString &title,
                     bool selectionPreset) override;

    // Calls of one kind, in order.
    QList<Call> callsOf(const QString &kind) const;

private:
    QList<Answer> msgAnswers;
    QStringList inputAnswers;
    QStringList openAnswers;
    QStringList saveAnswers;
    QList<std::optional<QColor>> colorAnswers;
    QList<std::optional<QFont>> fontAnswers;
    QList<QPair<bool, std::function<void(QPrinter &)>>> printAnswers;
};
