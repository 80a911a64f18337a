#include "fakedialogs.h"

#include <QFileInfo>

static FakeDialogs::Call call(const QString &kind, const QString &text = {})
{
    FakeDialogs::Call c;
    c.kind = kind;
    c.text = text;
    return c;
}

Dialogs::Answer FakeDialogs::msgBox(QWidget *, const QString &text, Buttons buttons, Icon,
                                    const QString &)
{
    Call c = call(QStringLiteral("msgBox"), text);
    c.buttons = int(buttons);
    calls << c;
    if (msgAnswers.isEmpty()) {
        unexpected << QStringLiteral("msgBox: ") + text;
        return buttons == OkOnly ? Ok : Cancel;
    }
    return msgAnswers.takeFirst();
}

QString FakeDialogs::inputBox(QWidget *, const QString &prompt, const QString &,
                              const QString &defaultText)
{
    Call c = call(QStringLiteral("inputBox"), prompt);
    c.fileName = defaultText;
    calls << c;
    if (inputAnswers.isEmpty()) {
        unexpected << QStringLiteral("inputBox: ") + prompt;
        return QString();
    }
    return inputAnswers.takeFirst();
}

static QString fileDialog(FakeDialogs &self, const QString &kind, QStringList &answers,
                          FileDialogState &state)
{
    FakeDialogs::Call c = call(kind);
    c.fileName = state.fileName;
    self.calls << c;
    if (answers.isEmpty()) {
        self.unexpected << kind + QStringLiteral(": ") + state.title;
        return QString();
    }
    const QString chosen = answers.takeFirst();
    if (!chosen.isEmpty()) {
        state.fileName = chosen;
        state.folder = QFileInfo(chosen).absolutePath();
    }
    return chosen;
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
    calls << call(QStringLiteral("color"));
    if (colorAnswers.isEmpty()) {
        unexpected << QStringLiteral("color: ") + title;
        return std::nullopt;
    }
    return colorAnswers.takeFirst();
}

std::optional<QFont> FakeDialogs::showFont(QWidget *, const QFont &)
{
    calls << call(QStringLiteral("font"));
    unexpected << QStringLiteral("font");
    return std::nullopt;
}

bool FakeDialogs::showPrinter(QWidget *, QPrinter &, const QString &title, bool)
{
    calls << call(QStringLiteral("print"));
    unexpected << QStringLiteral("print: ") + title;
    return false;
}

QList<FakeDialogs::Call> FakeDialogs::callsOf(const QString &kind) const
{
    QList<Call> out;
    for (const Call &c : calls) {
        if (c.kind == kind)
            out << c;
    }
    return out;
}
