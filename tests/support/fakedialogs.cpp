#include "fakedialogs.h"

#include <QFileInfo>

static FakeDialogs::Call call(const QString &kind, const QString &text = {},
                              const QString &title = {})
{
    FakeDialogs::Call c;
    c.kind = kind;
    c.text = text;
    c.title = title;
    return c;
}

Dialogs::Answer FakeDialogs::msgBox(QWidget *, const QString &text, Buttons buttons, Icon icon,
                                    const QString &title)
{
    Call c = call(QStringLiteral("msgBox"), text, title);
    c.buttons = int(buttons);
    c.icon = int(icon);
    calls << c;
    if (msgAnswers.isEmpty()) {
        unexpected << QStringLiteral("msgBox: ") + text;
        return buttons == OkOnly ? Ok : Cancel;
    }
    return msgAnswers.takeFirst();
}

QString FakeDialogs::inputBox(QWidget *, const QString &prompt, const QString &title,
                              const QString &defaultText)
{
    Call c = call(QStringLiteral("inputBox"), prompt, title);
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
    FakeDialogs::Call c = call(kind, QString(), state.title);
    c.filter = state.filter;
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
    calls << call(QStringLiteral("color"), QString(), title);
    if (colorAnswers.isEmpty()) {
        unexpected << QStringLiteral("color: ") + title;
        return std::nullopt;
    }
    return colorAnswers.takeFirst();
}

std::optional<QFont> FakeDialogs::showFont(QWidget *, const QFont &)
{
    calls << call(QStringLiteral("font"));
    if (fontAnswers.isEmpty()) {
        unexpected << QStringLiteral("font");
        return std::nullopt;
    }
    return fontAnswers.takeFirst();
}

bool FakeDialogs::showPrinter(QWidget *, QPrinter &printer, const QString &title,
                              bool selectionPreset)
{
    Call c = call(QStringLiteral("print"), QString(), title);
    c.selectionPreset = selectionPreset;
    calls << c;
    if (printAnswers.isEmpty()) {
        unexpected << QStringLiteral("print: ") + title;
        return false;
    }
    auto [accept, setup] = printAnswers.takeFirst();
    if (accept && setup)
        setup(printer);
    return accept;
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
