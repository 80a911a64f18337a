#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Scripted dialogs: every call is recorded with its exact texts, and answers
// are taken from the script in order. A dialog with no scripted answer is an
// unexpected dialog: it is recorded, cancelled, and fails the test that
// checks that nothing unexpected came.
class FakeDialogs : public Dialogs
{
public:
    struct Call
    {
        QString kind; // "msgBox", "inputBox", "open", "save", "color", "font", "print"
        QString text; // the message or prompt, or the dialog's title
        int buttons = -1;
        QString fileName; // the name a file dialog proposes
    };

    // What the next dialog of a kind answers.
    void answerMsgBox(Answer a) { msgAnswers << a; }
    void answerInput(const QString &s) { inputAnswers << s; }
    void answerOpen(const QString &path) { openAnswers << path; }
    void answerSave(const QString &path) { saveAnswers << path; }
    void answerColor(std::optional<QColor> c) { colorAnswers << c; }
    void answerFont(std::optional<QFont> f) { fontAnswers << f; }
    // The print dialog is accepted after choose has set up the printer as
    // the user would (a PDF file, for instance); none cancels it.
    using PrinterChoice = std::function<void(QPrinter &printer, bool selectionPreset)>;
    void answerPrinter(PrinterChoice choose) { printerAnswers << choose; }

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
    bool showPageSetup(QWidget *, QPrinter &, const QString &title) override;

    // Calls of one kind, in order.
    QList<Call> callsOf(const QString &kind) const;

private:
    QList<Answer> msgAnswers;
    QStringList inputAnswers;
    QStringList openAnswers;
    QStringList saveAnswers;
    QList<std::optional<QColor>> colorAnswers;
    QList<std::optional<QFont>> fontAnswers;
    QList<PrinterChoice> printerAnswers;
};
