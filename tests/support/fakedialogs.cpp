#include "fakedialogs.h"

#include <QFileInfo>

namespace {

// Records the call, and gives the next scripted answer or, when there is
// none, records it as unexpected and gives none.
template <typename T>
T take(FakeDialogs &self, QList<T> &answers, T none, const QString &kind, const QString &text = {},
       int buttons = -1, const QString &fileName = {})
{
    self.calls << FakeDialogs::Call{kind, text, buttons, fileName};
    if (answers.isEmpty()) {
        self.unexpected << kind + QStringLiteral(": ") + text;
        return none;
    }
    return answers.takeFirst();
}

QString fileDialog(FakeDialogs &self, const QString &kind, QStringList &answers,
                   FileDialogState &state)
{
    const QString chosen = take(self, answers, QString(), kind, state.title, -1, state.fileName);
    if (!chosen.isEmpty()) {
        state.fileName = chosen;
        state.folder = QFileInfo(chosen).absolutePath();
    }
    return chosen;
}

} // namespace

Dialogs::Answer FakeDialogs::msgBox(QWidget *, const QString &text, Buttons buttons, Icon,
                                    const QString &)
{
    return take(*this, msgAnswers, buttons == OkOnly ? Ok : Cancel, QStringLiteral("msgBox"), text,
                int(buttons));
}

QString FakeDialogs::inputBox(QWidget *, const QString &prompt, const QString &, const QString &)
{
    return take(*this, inputAnswers, QString(), QStringLiteral("inputBox"), prompt);
}

QString FakeDialogs::showOpen(QWidget *, FileDialogState &state)
{
    return fileDialog(*this, QStringLiteral("open"), openAnswers, state);
}

QString FakeDialogs::showSave(QWidget *, FileDialogState &state)
{
    return fileDialog(*this, QStringLiteral("save"), saveAnswers, state);
}

std::optional<QColor> FakeDialogs::showColor(QWidget *, const QString &title, const QColor &)
{
    return take(*this, colorAnswers, std::optional<QColor>(), QStringLiteral("color"), title);
}

std::optional<QFont> FakeDialogs::showFont(QWidget *, const QFont &)
{
    return take(*this, fontAnswers, std::optional<QFont>(), QStringLiteral("font"));
}

bool FakeDialogs::showPrinter(QWidget *, QPrinter &printer, const QString &title,
                              bool selectionPreset)
{
    const PrinterChoice choose =
        take(*this, printerAnswers, PrinterChoice(), QStringLiteral("print"), title);
    if (!choose)
        return false;
    choose(printer, selectionPreset);
    return true;
}

bool FakeDialogs::showPageSetup(QWidget *, QPrinter &, const QString &title)
{
    QList<bool> none;
    return take(*this, none, false, QStringLiteral("pageSetup"), title);
}

QList<FakeDialogs::Call> FakeDialogs::callsOf(const QString &kind) const
{
    QList<Call> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [&](const Call &c) { return c.kind == kind; });
    return out;
}
