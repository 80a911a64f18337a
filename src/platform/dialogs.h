#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QWidget;
class QPrinter;

// The state a common file dialog keeps between uses: the main window holds one
// of these for all its file commands, so the dialog remembers the last file
// name and folder.
struct FileDialogState
{
    QString title;
    // Filter in "description|pattern|description|pattern" form.
    QString filter;
    QString fileName;
    QString folder;
};

// Every dialog the program shows goes through this seam, so that tests can
// script the answers and check the exact texts.
class Dialogs
{
public:
    // Yes is the default (Enter) of a question, but for YesNoDefaultNo:
    // where Yes throws the user's work away.
    enum Buttons { OkOnly, OkCancel, YesNoCancel, YesNo, YesNoDefaultNo };
    enum Icon { NoIcon, Critical, Question, Exclamation, Information };
    // The answers, numbered as the classic message box numbers them.
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~Dialogs() = default;

    virtual Answer msgBox(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                          const QString &title) = 0;
    // One-line input box; an empty string when cancelled.
    virtual QString inputBox(QWidget *parent, const QString &prompt, const QString &title,
                             const QString &defaultText) = 0;
    // File dialogs: the chosen path, or an empty string when cancelled. They
    // update state.fileName and state.folder from the choice.
    virtual QString showOpen(QWidget *parent, FileDialogState &state) = 0;
    virtual QString showSave(QWidget *parent, FileDialogState &state) = 0;
    virtual std::optional<QColor> showColor(QWidget *parent, const QString &title,
                                            const QColor &initial) = 0;
    virtual std::optional<QFont> showFont(QWidget *parent, const QFont &initial) = 0;
    // Print dialog on the given printer; false when cancelled.
    virtual bool showPrinter(QWidget *parent, QPrinter &printer, const QString &title,
                             bool selectionPreset) = 0;
    // Page size, orientation and margins for the printer; false when cancelled.
    virtual bool showPageSetup(QWidget *parent, QPrinter &printer, const QString &title) = 0;
};
