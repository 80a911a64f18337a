#pragma once

#include "platform/dialogs.h"

#include <QPointer>

class QFileDialog;

// The real dialogs, made from the toolkit's own.
class QtDialogs : public Dialogs
{
public:
    Answer msgBox(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                  const QString &title) override;
    QString inputBox(QWidget *parent, const QString &prompt, const QString &title,
                     const QString &defaultText) override;
    QString showOpen(QWidget *parent, FileDialogState &state) override;
    QString showSave(QWidget *parent, FileDialogState &state) override;
    std::optional<QColor> showColor(QWidget *parent, const QString &title,
                                    const QColor &initial) override;
    std::optional<QFont> showFont(QWidget *parent, const QFont &initial) override;
    bool showPrinter(QWidget *parent, QPrinter &printer, const QString &title,
                     bool selectionPreset) override;
    bool showPageSetup(QWidget *parent, QPrinter &printer, const QString &title) override;

private:
    QString runFileDialog(QWidget *parent, FileDialogState &state, bool save);
    QPointer<QFileDialog> fileDialog_;
};

// "desc|pattern|desc|pattern" to the toolkit's "desc (pattern);;desc (pattern)"
// form. A "*.*" pattern also matches names without a dot.
QStringList toNameFilters(const QString &filter);
