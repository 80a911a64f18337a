#pragma once

#include "platform/launcher.h"
#include "rules/diagnostics.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>
#include <list>
#include <optional>

class Dialogs;
class ProgramBuilder;
struct AssembleResult;
struct ComResult;
struct LinkResult;
class DocumentsController;
class FileSystem;
class FrmReport;
class QMdiArea;
class QTimer;
class ToolDownload;
class ToolWait;
class Workbench;
class frmDocument;
struct ToolPaths;

// Assembling, linking and the tools around them: the F9 report and its marks,
// the listing and map views, DEBUG and the DOS prompt, and the download of
// the free DOS tools.
class ToolchainController : public QObject
{
    Q_OBJECT
public:
    ToolchainController(Workbench &wb, DocumentsController &documents, QObject *parent = nullptr);
    ~ToolchainController() override;

    void mnucompile();
    void mnulink();
    void mnurundebug();
    void mnushellDOS();
    void mnuCompilelist();
    void mnulinkresult();
    void mnulookcross();
    void mnugetdostools();

    // The one report window of the run, created on first use.
    FrmReport *reportWindow();
    // The bytes the assembler is given for the document's text.
    QByteArray assemblerBytes(const frmDocument *doc) const;
    // After an assembly of the program's object that failed: says so and
    // offers F9; true then, and the command that asked goes no further.
    bool refuseFailedAssembly();
    // Runs start now, or once the linker has ended when it still runs.
    void afterLinker(std::function<void()> start);
    void reportLaunchFailure(const LaunchResult &result);
    // True when the tool is there; else says so and offers to fetch it.
    bool toolFound(const QString &path, const QString &toolName, const QString &message);
    // masm.exe and link.exe both there, for a build of the whole program.
    bool buildToolsFound();
    // The window is closing: every wait ends, and the tool it waits for with it.
    void shutdown();

    QString Basename;
    QString Listpath;
    // How long a hidden tool may go without progress (writing its files)
    // before it counts as hung: a linker that asks the console for a missing
    // library waits for ever.
    int hiddenRunBoundMs = 30000;
    // A download slower than 1 KB in this long is given up.
    int downloadStallWindowMs = 30000;

private:
    // A hidden tool run that nobody waits on: checked by a timer, ended after
    // the bound.
    struct WatchedRun
    {
        std::unique_ptr<LaunchedRun> run;
        // The time since the run last made progress.
        QElapsedTimer idle;
        // Called once the run has ended by itself.
        std::function<void()> ended;
        // Called after the run was stopped (no progress, waiting for input ...).
        std::function<void(const RunStop &)> stopped;
    };
    frmDocument *activeDocument() const;
    QList<frmDocument *> documents() const;
    Dialogs &dialogs() const;
    Launcher &launcher() const;
    QMdiArea *mdiArea() const;
    QWidget *window() const;
    const ToolPaths &tools() const;

    void assembleWithPrompt();
    void assembleNormally();
    bool saveForAssembler(const QString &path);
    bool copyIntoToolFolder(const QString &sourceName);
    // Builds the report from the listing of a finished assembly and shows it.
    void showAssemblyReport(const AssembleResult &assembly);
    void showLinkResult(const LinkResult &link);
    void showComResult(const ComResult &made);
    void linkWithPrompt();
    void linkNormally();
    // Offers to fetch the free DOS tools that are missing; true when the
    // download has started, after which the command needing missedTool goes
    // on, or `failed` runs when the download fails.
    bool offerDosTools(const QString &missedTool, const std::function<void()> &failed);
    void openToolSearchPage(const QString &toolName);
    bool dosNameFits(const QString &fileName);
    void removeFile(const QString &path);
    void watchRun(WatchedRun run);
    void checkWatchedRuns();
    bool linkerRunning() const;
    // What the linker printed, under the assembling report; made: a line on
    // what was made of the linked program, empty for none.
    void showLinkerMessages(const QString &printed, const QString &made = QString());
    // EXE2BIN making the .COM of a program linked as one (see linkedAsCom).
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

    Workbench &wb_;
    DocumentsController &documents_;
    FileSystem *Fso;
    QPointer<FrmReport> frmReport_;
    // Runs the assembler, the linker and EXE2BIN for F9 and Ctrl+L.
    ProgramBuilder *builder_;
    // The document of the assembly running, and whether its report is still
    // to come (listing views wait for it).
    QPointer<frmDocument> assembling_;
    bool assemblyPending_ = false;
    // What the linker printed, for the report after EXE2BIN.
    QString linkerSaid_;
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
};
