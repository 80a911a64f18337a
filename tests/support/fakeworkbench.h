#pragma once

#include "workbench/workbench.h"
#include "platform/fso.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <memory>

class QMdiArea;
class QMenu;

// The main window as a subsystem sees it, without the main window: a plain
// frame with a document area, the commands as loose actions, and a status bar
// that only records what it was told. Tests build the controllers on it and
// read what the user would have seen from it.
class FakeWorkbench : public Workbench
{
public:
    // The tools are looked for in toolFolder (masm.exe, link.exe, debug.exe),
    // as the window finds them in its working directory.
    FakeWorkbench(Dialogs &dialogs, Launcher &launcher, const QString &toolFolder);
    ~FakeWorkbench() override;

    QMainWindow *window() override { return window_.get(); }
    bool isClosing() const override { return closing; }
    Dialogs &dialogs() override { return dialogs_; }
    Launcher &launcher() override { return launcher_; }
    Registry *registry() override { return nullptr; }
    FileSystem &fso() override { return fileSystem; }
    const ToolPaths &tools() const override { return paths; }
    TextColours &colours() override { return textColours; }
    void Loadsettings() override;
    frmDocument *activeDocument() const override;
    QList<frmDocument *> documents() const override;
    QMdiArea *mdiArea() const override { return mdiArea_; }
    QAction *command(Command c) const override { return commands_.value(c); }
    QMenu *viewMenu() const override { return viewMenu_; }
    void setStatusPanel(const QString &text) override;
    void showStatusMessage(const QString &text, int timeoutMs = 0) override;
    void clearStatusMessage() override;
    void restoreToolbar() override { ++toolbarRestores; }
    void showMessageHelp(const QString &code) override { messageHelpCodes << code; }

    ToolPaths paths;
    TextColours textColours;
    // What Loadsettings brings back: the window's defaults, as with no
    // settings file.
    TextColours storedColours;
    FileSystem fileSystem;
    bool closing = false;

    // The status panel as it reads now, and every text it was given in order.
    QString statusPanel;
    QStringList statusPanelTexts;
    // The message over the status bar now (empty once cleared), and every
    // one shown in order.
    QString statusMessage;
    QStringList statusMessages;
    QStringList messageHelpCodes;
    int toolbarRestores = 0;

private:
    Dialogs &dialogs_;
    Launcher &launcher_;
    std::unique_ptr<QMainWindow> window_;
    QMdiArea *mdiArea_ = nullptr;
    QMenu *viewMenu_ = nullptr;
    QHash<Command, QAction *> commands_;
};
