#pragma once

#include "workbench/workbench.h"
#include "platform/dialogs.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class DebugController;
class SelfTestController;
class DocumentsController;
class EditingController;
class FileSystem;
class HelpController;
class QLabel;
class QMdiSubWindow;
class QTimer;
class QToolBar;
class ToolchainController;

// The platform services the main window works through. main.cpp passes the
// real ones; tests pass fakes.
struct Services
{
    // Dialogs are required; without a launcher the window starts real processes.
    Dialogs *dialogs = nullptr;
    Launcher *launcher = nullptr;
    Registry *registry = nullptr;
    // Makes a web browser window on the given address; the browser lives in a
    // library of its own that only the program links.
    std::function<QWidget *(const QString &address, QWidget *parent)> createBrowser;
};

// The main window: the frame of the document windows with the menus, the
// toolbar and the status bar. It composes one controller per subsystem and
// gives each the narrow Workbench; its command slots forward to them.
class frmMain : public QMainWindow, public Workbench
{
    Q_OBJECT
public:
    explicit frmMain(const Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Loads the window (the load handler runs once) and shows it centred.
    void Show();
    // A menu item, context-menu item or toolbar button by its name or key.
    QAction *action(const QString &name) const { return actions_.value(name, nullptr); }
    QAction *button(const QString &key) const { return buttons_.value(key, nullptr); }
    void Loadsettings() override;
    // A failure is told unless the run is ending without a window to tell it in.
    void Savesettings(bool tellFailure = true);
    // Writes the recovery copies and the settings, then ends the run without
    // asking: the system asked the program to end (log-out, shutdown).
    void endBySignal();

    DocumentsController &documentsControl() const { return *documents_; }
    EditingController &editing() const { return *editing_; }
    ToolchainController &toolchain() const { return *toolchain_; }
    DebugController &debugger() const { return *debug_; }
    SelfTestController &selfTest() const { return *selfTest_; }
    HelpController &help() const { return *help_; }

    // Workbench
    QMainWindow *window() override { return this; }
    bool isClosing() const override { return closing_; }
    Dialogs &dialogs() override { return *services_.dialogs; }
    Launcher &launcher() override { return *services_.launcher; }
    Registry *registry() override { return services_.registry; }
    FileSystem &fso() override { return *Fso; }
    const ToolPaths &tools() const override { return tools_; }
    TextColours &colours() override { return colours_; }
    frmDocument *activeDocument() const override;
    QList<frmDocument *> documents() const override;
    QMdiArea *mdiArea() const override { return mdiArea_; }
    QAction *command(Command c) const override;
    QMenu *viewMenu() const override;
    void setStatusPanel(const QString &text) override;
    void showStatusMessage(const QString &text, int timeoutMs = 0) override;
    void clearStatusMessage() override;
    void restoreToolbar() override;
    void showMessageHelp(const QString &code) override;

    QToolBar *tbToolBar = nullptr;
    QMenu *popmain = nullptr;
    QStatusBar *sbStatusBar = nullptr;
    std::unique_ptr<FileSystem> Fso;

public slots:
    // The design's commands, each forwarded to the subsystem that owns it.
    void Newdocument(); void mnuFileOpen(); void mnuFileClose(); void mnuFileSave();
    void mnuFileSaveAs(); void mnuFilePrint(); void mnuFilePageSetup(); void mnuFileExit();
    void mnuEditCut(); void mnuEditCopy(); void mnuEditPaste(); void mnudelete();
    void mnuselectAll(); void mnuRefresh(); void mnurightgo(); void mnuUpLow(); void menufind();
    void mnuViewToolbar(); void mnuViewStatusBar(); void mnuViewOptions(); void mnuViewWebBrowser();
    void mnucompile(); void mnuCompilelist(); void mnulookcross(); void mnulink();
    void mnulinkresult(); void mnurundebug(); void mnurun(); void mnushellDOS(); void mnunextmark();
    void mnudebugstart(); void mnustepinto(); void mnustepover(); void mnustepout(); void mnustepinstruction();
    void mnuruntocursor(); void mnutogglebreakpoint(); void mnustopdebug(); void mnupausedebug();
    void mnustepback(); void mnurunback();
    void mnudisplaygbk(); void mnudisplay437(); void mnuselftest();
    void mnufont(); void mnufontsize(); void mnucodecolor(); void mnudimcolor();
    void mnucurrentcolor(); void mnubackcolor(); void mnugetdostools(); void popinsTip();
    void mnuWindowCascade(); void mnuWindowTileHorizontal(); void mnuWindowTileVertical();
    void mnuWindowArrangeIcons();
    void mnuHelpContents(); void mnuHelpSearchForHelpOn(); void mnuHelpAbout(); void mnuHelpMessages();
    // The one routine behind every toolbar button, chosen by the button's key.
    void tbToolBar_ButtonClick(QAction *button);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Getfullpath(const QString &name, QString &into);
    void createMenus();
    void createToolbar();
    void createStatusBar();
    void connectCommands();
    void adoptDocument(frmDocument *doc);
    void updateClock();
    void fillWindowList();
    // A minimised active window hands over to one still shown.
    void watchWindowState(QMdiSubWindow *sub);
    void subWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);
    void focusText(QMdiSubWindow *sub);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption,
                     const QKeySequence &shortcut = {});

    Services services_;
    ToolPaths tools_;
    TextColours colours_;
    QMdiArea *mdiArea_ = nullptr;
    QLabel *statusPanel_ = nullptr;
    QLabel *datePanel_ = nullptr;
    QLabel *timePanel_ = nullptr;
    QTimer *clock_ = nullptr;
    QHash<QString, QAction *> actions_;
    QHash<QString, QAction *> buttons_;
    QList<QAction *> windowList_;
    bool loaded_ = false;
    bool closing_ = false;
    DocumentsController *documents_ = nullptr;
    EditingController *editing_ = nullptr;
    ToolchainController *toolchain_ = nullptr;
    DebugController *debug_ = nullptr;
    SelfTestController *selfTest_ = nullptr;
    HelpController *help_ = nullptr;
};

extern QPointer<frmMain> Mainform;
