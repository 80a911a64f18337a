#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class DebugSession;
class DocumentsController;
class ToolchainController;
class Workbench;
class frmDocument;
struct DebugPanels;
class QHelpEvent;
struct DebugState;
struct DebugStop;
struct DebugView;
struct SourceLine;
struct Breakpoint;

// Running the program on the built-in PC: F5's window, the debugger with its
// panels and the display mode of the program's screen.
class DebugController : public QObject
{
    Q_OBJECT
public:
    DebugController(Workbench &wb, DocumentsController &documents, ToolchainController &toolchain,
                    QObject *parent = nullptr);
    ~DebugController() override;

    void mnurun();
    void mnudebugstart();
    void mnustepinto();
    void mnustepover();
    void mnustepout();
    // One machine instruction, inside a macro, a REP string or code without source.
    void mnustepinstruction();
    void mnuruntocursor();
    void mnutogglebreakpoint();
    void mnustopdebug();
    void mnupausedebug();
    // 反向单步 and 反向运行: back to the line before, or to the last
    // breakpoint passed.
    void mnustepback();
    void mnurunback();
    void mnudisplaygbk();
    void mnudisplay437();
    // Debugging of doc starts (anew), stopped on its first line, with these
    // keys already typed ("\n": Enter) and this command tail.
    void debugWithKeys(frmDocument *doc, const QString &keys, const QString &tail);

    bool isDebugging() const;
    // The program being debugged, once it is built and loaded.
    DebugSession *debugSession() const;
    const DebugPanels &debugPanels() const { return *debugPanels_; }
    // F7: the focus to the next of the document's text and the debugger's
    // panels on the screen.
    void focusNextPane();
    // The commands' states follow the session and the active window.
    void updateDebugCommands();
    // The display mode's check mark and the 屏幕 panel follow the active document.
    void showDisplayMode();
    // The window is closing: the panels' places are kept and debugging ends.
    void shutdown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The command on a stopped program; without one, debugging starts.
    void step(void (DebugSession::*command)());
    void startDebugging(std::function<void(DebugSession &)> then, const QByteArray &tail = {});
    // A name of the program under the mouse in the debugged text: its value
    // as a tooltip. False where there is none.
    bool showNameValue(QObject *viewport, QHelpEvent *event);
    // 监视's list, kept for the document's file from one debugging to the next.
    void keepWatches(const QStringList &expressions);
    std::optional<QStringList> keptWatches(const frmDocument *doc) const;
    // 断点's list: its edits reach the session, the session's changes show
    // there, and the document keeps them for its next debugging.
    void connectBreakpointPanel();
    void showBreakpoints();
    void addBreakpointFrom(const QString &text);
    void removeBreakpoints(const QList<int> &ids);
    QList<Breakpoint> keptBreakpoints(const frmDocument *doc) const;
    // Conditions, hit targets and the breakpoints not on lines, as kept.
    void restoreBreakpoints(DebugSession &s, const QList<Breakpoint> &kept);
    void tellBreakpointProblem(const QString &problem);
    // The panels' edits reach the stopped program through these.
    void connectEdits();
    void userChange(const std::function<bool(DebugSession &)> &change, const QString &done,
                    bool moves);
    void restartDebugging();
    // The 命令 panel: a line of DEBUG's language, the runs it asks for, and
    // their stops.
    void enterDebugCommand(const QString &line);
    void runConsoleStep();
    void consoleStopped(const DebugStop &stop);
    void debugBuilt(bool ok, const QString &message);
    void debugStopped(const DebugStop &stop);
    // In the status line, and again at the stop that follows the loading.
    void tellBreakpointMoved(const QString &message);
    void syncBreakpoints(frmDocument *doc);
    // The window that shows the file, opened (read-only) when none does.
    frmDocument *documentShowing(const QString &file);
    // The line as a window shows it; empty where none shows its file.
    QString sourceText(const SourceLine &line) const;
    void showDebugLine(const SourceLine &line);
    void setDocumentLocked(frmDocument *doc, bool locked);
    // True when the user chose to stop debugging (it has stopped then).
    bool askToStopDebugging();
    void endDebugging();
    void createDebugPanels();
    void showDebugPanels(bool show);
    void saveDebugLayout();
    void updateDebugPanels(const DebugView &view);
    void setWestern(frmDocument *doc, bool on);

    Workbench &wb_;
    DocumentsController &documents_;
    ToolchainController &toolchain_;
    std::unique_ptr<DebugState> debug_;
    std::unique_ptr<DebugPanels> debugPanels_;
};
