#pragma once

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/fso.h"
#include "platform/launcher.h"
#include "toolchain/diagnostics.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <functional>
#include <list>
#include <memory>
#include <optional>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QStatusBar;
class QTimer;
class QPrinter;
class QAction;
class RichText;
class frmDocument;
class Formfind;
class frmHint;
class FrmReport;
class FrmMessages;
class Registry;
class ToolDownload;
class ToolWait;
class RecoveryCopies;
struct AssemblyRun;
struct DebugState;
struct DebugPanels;
struct DebugStop;
struct DebugView;
struct SourceLine;
class DebugSession;

// The platform services the main window works through. main.cpp passes the
// real ones; tests pass fakes.
struct Services
{
    Dialogs *dialogs = nullptr;
    Launcher *launcher = nullptr;
    Registry *registry = nullptr;
    // Makes a web browser window on the given address; the browser lives in a
    // library of its own that only the program links.
    std::function<QWidget *(const QString &address, QWidget *parent)> createBrowser;
};

// The main window: a multiple-document frame holding the document windows,
// the menus, the toolbar and the status bar, and the state that outlives a
// single document. Its member functions are defined in the folder of the
// subsystem they belong to.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(const Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Loads the window (the load handler runs once) and shows it centred.
    void Show();
    // True once the window has accepted its close: waits end quietly then.
    bool isClosing() const { return closing_; }

    Dialogs &dialogs() const { return *services_.dialogs; }
    QMdiArea *mdiArea() const { return mdiArea_; }
    // The document window that has the focus in the frame, if any.
    frmDocument *activeDocument() const;
    // Document windows in the order they were created.
    QList<frmDocument *> documents() const;
    // The document window, other than except, whose caption is the name.
    frmDocument *documentNamed(const QString &name, const frmDocument *except = nullptr) const;
    // The next name for a new document (VaDid1.asm, ...): never one that a
    // file or an open window holds.
    QString newDocumentName();
    // A menu item, context-menu item or toolbar button by its name or key.
    QAction *action(const QString &name) const;

    // ---- Application frame --------------------------------------------
    // Colours, 0x00BBGGRR: code, comment, typing.
    qint32 Fcolor = 0;
    qint32 Remcolor = 0;
    qint32 Currentfcolor = 0;
    QString Findarea;

    std::unique_ptr<FileSystem> Fso;
    QString Masmpath;
    QString Linkpath;
    QString Debugpath;
    QString Toolfolder;
    QString Fullpath;
    qint16 Indentwidth = 0;
    // The shared file dialog's remembered state (title, filter, name, folder).
    FileDialogState dlgCommonDialog;

    void Loadsettings();
    // A failure is told unless the run is ending without a window to tell it in.
    void Savesettings(bool tellFailure = true);
    void Getfullpath(const QString &name);
    QString Stripext(const QString &path) const;

    // The toolbar, its icons by key, and the context menu of the documents.
    QToolBar *tbToolBar = nullptr;
    QHash<QString, QIcon> imlToolbarIcons;
    QMenu *popmain = nullptr;
    QStatusBar *sbStatusBar = nullptr;
    // A toolbar button by its key ("新建", "右缩进", ...).
    QAction *button(const QString &key) const { return buttons_.value(key, nullptr); }
    // When the active child window is minimised, another one still shown
    // becomes active.
    void watchWindowState(QMdiSubWindow *sub);
    void subWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);
    // Gives the keyboard focus to the window's text.
    void focusText(QMdiSubWindow *sub);

    // ---- Source documents ---------------------------------------------
    qint32 Doccount = 0;
    QPointer<frmDocument> Newdoc;
    QString Lastsaved;
    bool Saveascancel = false;

    // Copies of the documents with unsaved changes, outside the user's files.
    RecoveryCopies *recovery = nullptr;
    // Writes the recovery copies and the settings, then ends the run without
    // asking: the system asked the program to end (log-out, shutdown).
    void endBySignal();

    // Writes the active document's text plus one CR LF; false on failure.
    bool Savefile(const QString &path);
    // Reads the file into the window, replacing its text and caption; false
    // when the file could not be read (the window is then left alone).
    bool loadDocument(frmDocument *doc, const QString &path);
    // The files named on the command line: the first in the active document,
    // each further one in a new document window.
    void openFiles(const QStringList &paths);

    // ---- Syntax colouring ----------------------------------------------
    QString RowCount(const QString &s) const;
    QString LineCount(const QString &s) const;
    void ColorComments(RichText *control);
    void ResetTyping(RichText *control);
    void ShowPosition(frmDocument *doc);

    // ---- Typing, formatting and find ----
    // The case style applied last by mnuUpLow: true after a conversion to lower case.
    bool Lowerstyle = false;
    // The find dialog, created on first use and kept for the run, so that what it
    // remembers outlives its closing.
    Formfind *findDialog = nullptr;
    // The instruction hint window, created on first use.
    frmHint *hintWindow = nullptr;
    // Indents every line of the active document by Lenspace spaces (b true) or
    // strips the leading spaces of every line.
    void Rightgo(bool b, qint16 Lenspace);
    // The toolbar's two-state indent button, which has already flipped itself.
    void rightIndentButton(QAction *button);
    void connectEditingCommands();

    // ---- Toolchain ----
    Launcher &launcher() const { return *services_.launcher; }
    QString Basename;
    QString Listpath;
    // How long a hidden tool may go without progress (writing its files)
    // before it counts as hung: a linker that asks the console for a missing
    // library waits for ever.
    int hiddenRunBoundMs = 30000;
    // A download slower than 1 KB in this long is given up.
    int downloadStallWindowMs = 30000;
    // The one report window of the run, created on first use.
    FrmReport *reportWindow();
    // The help page of the tools' messages, at the entry of a code.
    void showMessageHelp(const QString &code);
    // The bytes the assembler is given for the document's text.
    QByteArray assemblerBytes(const frmDocument *doc) const;

    // ---- Debugging ----
    bool isDebugging() const;
    // The program being debugged, once it is built and loaded.
    DebugSession *debugSession() const;
    const DebugPanels &debugPanels() const { return *debugPanels_; }
    // F7: the focus to the next of the document's text and the debugger's
    // panels on the screen.
    void focusNextPane();

private:
    // A hidden tool run that nobody waits on: checked by a timer, ended after
    // the bound.
    struct WatchedRun
    {
        std::unique_ptr<LaunchedRun> run;
        // The time since the run last made progress.
        QElapsedTimer idle;
        bool linker = false;
        // Called once the run has ended by itself.
        std::function<void()> ended;
        // Called after the run was stopped (no progress, waiting for input ...).
        std::function<void(const RunStop &)> stopped;
    };
    void connectToolchainCommands();
    void assembleWithPrompt();
    void assembleNormally();
    bool saveForAssembler(const QString &path);
    bool copyIntoToolFolder(const QString &sourceName);
    // Builds the report from the listing of a finished assembly and shows it.
    void showAssemblyReport(const AssemblyRun &assembly);
    void linkWithPrompt();
    void linkNormally();
    // After an assembly of the program's object that failed: says so and
    // offers F9; true then, and the command that asked goes no further.
    bool refuseFailedAssembly();
    bool toolFound(const QString &path, const QString &toolName, const QString &message);
    // Offers to fetch the free DOS tools that are missing; true when the
    // download has started, after which the command needing missedTool goes
    // on, or `failed` runs when the download fails.
    bool offerDosTools(const QString &missedTool, const std::function<void()> &failed);
    void openToolSearchPage(const QString &toolName);
    bool dosNameFits(const QString &fileName);
    void reportLaunchFailure(const LaunchResult &result);
    void removeFile(const QString &path);
    // What a hidden tool printed into its console file, trimmed; empty when
    // there is no such file.
    QString toolPrinted(const QString &output) const;
    void watchRun(WatchedRun run);
    void checkWatchedRuns();
    bool linkerRunning() const;
    // Runs start now, or once the linker has ended when it still runs.
    void afterLinker(std::function<void()> start);
    // What the linker printed, under the assembling report; made: a line on
    // what was made of the linked program, empty for none.
    void showLinkerMessages(const QString &printed, const QString &made = QString());
    // A program linked as a .COM (see linkedAsCom) and EXE2BIN making it one.
    bool linkedComProgram(const QString &program, const QString &linkerSaid) const;
    void makeComProgram(const QString &objectBase, const QString &linkerSaid);
    void showDiagnosticSource(const QString &reportLine);
    // The latest assembly's diagnostics about the document's text: the
    // source's on the document assembled, an include file's on its window.
    QList<Diagnostic> diagnosticsFor(const frmDocument *doc) const;
    void markDiagnostics();
    // Removes what an earlier build left under the base name (in the tool
    // folder, with these extensions), never a tool.
    void removeOldOutputs(const QString &base, const QStringList &extensions);
    // Open listing views show the listing as the latest assembly rewrote it.
    void refreshListingViews(const QString &listing);
    // F9 in a listing or map view assembles the document it came from: that
    // one becomes the active window. False when it is gone (said).
    bool activateViewSource();

    void connectDebugCommands();
    void updateDebugCommands();
    void startDebugging(std::function<void(DebugSession &)> then);
    void restartDebugging();
    void debugBuilt(bool ok, const QString &message);
    void debugStopped(const DebugStop &stop);
    void syncBreakpoints(frmDocument *doc);
    // The window that shows the file, opened (read-only) when none does.
    frmDocument *documentShowing(const QString &file);
    void showDebugLine(const SourceLine &line);
    void setDocumentLocked(frmDocument *doc, bool locked);
    bool debugKeyFilter(QObject *watched, QEvent *event);
    // True when the user chose to stop debugging (it has stopped then).
    bool askToStopDebugging();
    void debuggedTextChanged();
    void endDebugging();
    void createDebugPanels();
    void showDebugPanels(bool show);
    void saveDebugLayout();
    void updateDebugPanels(const DebugView &view);
    std::unique_ptr<DebugState> debug_;
    std::unique_ptr<DebugPanels> debugPanels_;

    QPointer<FrmReport> frmReport_;
    QPointer<FrmMessages> frmMessages_;
    // The wait of the latest normal-mode assembly, while its assembler runs.
    QPointer<ToolWait> listingWait_;
    // Counts assemblies: a Save As answered after a newer assembly began
    // ends the older one.
    int assembleGeneration_ = 0;
    // Copies of sources this run wrote into the tool folder (actual paths).
    QSet<QString> toolFolderCopies_;
    // What the latest report came from, for the jump to a diagnostic's line.
    QPointer<frmDocument> assembledDoc_;
    QString assembledSource_;
    QString assemblyReport_;
    QList<Diagnostic> assemblyDiagnostics_;
    QString assemblyStatus_;
    // How the latest normal-mode assembly ended, and the object's base name;
    // none while one runs or after an assembly by typed parameters.
    std::optional<AssemblyResult> assemblyResult_;
    QString assembledObject_;
    // The folder the assembler found include files in as D:, empty for none.
    QString assembledIncludeFolder_;
    // Windows of include files that hold the latest assembly's marks.
    QList<QPointer<frmDocument>> includeMarked_;
    std::list<WatchedRun> watchedRuns_;
    QTimer *runWatch_ = nullptr;
    // The download of the DOS tools, while it runs.
    QPointer<ToolDownload> toolDownload_;

public slots:
    void Newdocument();
    void mnuRefresh();

    void mnuFileOpen();
    void mnuFileClose();
    void mnuFileSave();
    void mnuFileSaveAs();
    void mnuFilePrint();
    void mnuFilePageSetup();
    void mnuFileExit();

    void mnuEditCut();
    void mnuEditCopy();
    void mnuEditPaste();
    void mnudelete();
    void mnuselectAll();

    void mnuViewToolbar();
    void mnuViewStatusBar();

    void mnuWindowCascade();
    void mnuWindowTileHorizontal();
    void mnuWindowTileVertical();
    void mnuWindowArrangeIcons();

    void mnuHelpContents();
    void mnuHelpSearchForHelpOn();
    void mnuHelpAbout();
    void mnuHelpMessages();
    void mnuViewWebBrowser();

    // The one routine behind every toolbar button, chosen by the button's key.
    void tbToolBar_ButtonClick(QAction *button);
    // Enables the cut, copy and delete commands with the selection and shows
    // the style buttons pressed as the selection is styled.
    void selectionChanged(frmDocument *doc);

    void mnucodecolor();
    void mnudimcolor();
    void mnucurrentcolor();
    void mnubackcolor();
    void mnufont();
    void mnufontsize();
    void mnuUpLow();
    void mnurightgo();
    void mnuViewOptions();
    void menufind();
    void mnucompile();
    void mnulink();
    void mnurun();
    void mnurundebug();
    void mnushellDOS();
    void mnuCompilelist();
    void mnulinkresult();
    void mnulookcross();
    void mnugetdostools();
    // Learning aids: the next line the assembler marked, the hint window.
    void mnunextmark();
    void popinsTip();
    // The debugger: start or continue, step into, over and out, run to the
    // caret's line, breakpoints, stop and pause.
    void mnudebugstart();
    void mnustepinto();
    void mnustepover();
    void mnustepout();
    void mnuruntocursor();
    void mnutogglebreakpoint();
    void mnustopdebug();
    void mnupausedebug();
    // 运行 → 显示方式: how the program's screen shows bytes 80h-FFh, kept
    // for each document.
    void mnudisplaygbk();
    void mnudisplay437();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void createMenus();
    void createStatusBar();
    void updateClock();
    void refreshDocument(frmDocument *doc);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption,
                     const QKeySequence &shortcut = {});
    void connectCommands();
    void connectDisplayCommands();
    // The display mode's check mark and the 屏幕 panel follow the active document.
    void showDisplayMode();
    // Starts a program in a window of its own, for the about box.
    std::function<bool(const QString &commandLine)> startProgramCallback();
    void createToolbar();
    void fillWindowList();
    enum class Style { Bold, Italic, Underline };
    void toggleStyle(Style style, QAction *button);
    QPrinter &printer();
    std::unique_ptr<QPrinter> printer_;

    Services services_;
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
};

// The one main window of the run.
extern QPointer<frmMain> Mainform;
