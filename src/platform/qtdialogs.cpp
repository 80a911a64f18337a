#include "platform/qtdialogs.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QCompleter>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

QStringList toNameFilters(const QString &filter)
{
    // Each entry becomes "description (patterns)"; the dialog hides the
    // appended part, so the user reads the description exactly as written.
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns) {
            if (p.trimmed() == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

Dialogs::Answer QtDialogs::msgBox(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                                  const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case NoIcon:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case OkOnly:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return buttons == OkOnly ? Ok : Cancel;
    }
}

QString QtDialogs::inputBox(QWidget *parent, const QString &prompt, const QString &title,
                            const QString &defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::runFileDialog(QWidget *parent, FileDialogState &state, bool save)
{
    // One dialog for the whole run, so that it keeps the folder and the name
    // from one use to the next as the user left them.
    QPointer<QFileDialog> &dialog = fileDialog_;
    if (!dialog) {
        dialog = new QFileDialog(parent);
        dialog->setOption(QFileDialog::HideNameFilterDetails);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog->setWindowTitle(state.title);
    const QStringList filters = toNameFilters(state.filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty())
        dialog->selectNameFilter(filters.first());
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(QString());
    const QFileInfo preset(state.fileName);
    if (!state.folder.isEmpty())
        dialog->setDirectory(state.folder);
    if (!state.fileName.isEmpty()) {
        if (preset.isAbsolute())
            dialog->setDirectory(preset.absolutePath());
        dialog->selectFile(preset.fileName());
    }
    const int result = dialog->exec();
    // The dialog is kept hidden between uses; its name completer's list must
    // not stay on the screen without it.
    for (QCompleter *completer : dialog->findChildren<QCompleter *>()) {
        if (completer->popup())
            completer->popup()->hide();
    }
    if (result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    const QString chosen = QDir::toNativeSeparators(dialog->selectedFiles().first());
    state.fileName = chosen;
    state.folder = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString QtDialogs::showOpen(QWidget *parent, FileDialogState &state)
{
    return runFileDialog(parent, state, false);
}

QString QtDialogs::showSave(QWidget *parent, FileDialogState &state)
{
    return runFileDialog(parent, state, true);
}

std::optional<QColor> QtDialogs::showColor(QWidget *parent, const QString &title,
                                           const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, parent, title);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> QtDialogs::showFont(QWidget *parent, const QFont &initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return f;
}

bool QtDialogs::showPrinter(QWidget *parent, QPrinter &printer, const QString &title,
                            bool selectionPreset)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setPrintRange(selectionPreset ? QAbstractPrintDialog::Selection
                                         : QAbstractPrintDialog::AllPages);
    // The toolkit's own dialog leaves its page-range choices enabled whatever
    // the option says; the program has none to offer.
    if (QWidget *range = dialog.findChild<QWidget *>(QStringLiteral("gbPrintRange"))) {
        for (const char *name :
             {"printRange", "from", "label_3", "to", "pagesRadioButton", "pagesLineEdit"}) {
            if (QWidget *w = range->findChild<QWidget *>(QLatin1String(name)))
                w->hide();
        }
    }
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::showPageSetup(QWidget *parent, QPrinter &printer, const QString &title)
{
    QPageSetupDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}
