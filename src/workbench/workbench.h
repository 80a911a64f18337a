#pragma once

#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/fso.h"
#include "platform/launcher.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <Qt>

class Registry;
class frmDocument;
class QAction;
class QMdiArea;
class QMenu;

// The menu items and toolbar buttons a subsystem enables, checks or reads,
// by handle rather than by name.
enum class Command {
    // 编辑
    Cut, Copy, Delete, RightIndent, LowerStyle, Find, PopCut, PopCopy, PopDelete, PopFind,
    // 视图
    ViewToolbar, ViewStatusBar,
    // 运行
    Compile, CompileList, NextMark, ShellDos, LookCross, Link, LinkResult, Run, DebugStart, StepInto, StepOver,
    StepOut, StepInstruction, RunToCursor, ToggleBreakpoint, StopDebug, PauseDebug, InterruptSteps, DisplayGbk,
    Display437, StepBack, RunBack,
    // 选项
    SaveTip, MakeList, MakeCross, MakeMap, UseLib, Parameter, DosboxOnly, F5Dosbox,
    // The toolbar's buttons that follow the selection.
    ButtonCut, ButtonCopy, ButtonDelete, ButtonBold, ButtonItalic, ButtonUnderline,
    ButtonRightIndent,
};

// Where the DOS tools are: MASM, LINK and DEBUG by their full paths, and the
// folder they share, which ends in a separator.
struct ToolPaths
{
    QString Masmpath;
    QString Linkpath;
    QString Debugpath;
    QString Toolfolder;
};

// All a subsystem may ask of the main window. The window implements it; tests
// give a subsystem a fake of it instead of the window.
class Workbench
{
public:
    virtual ~Workbench() = default;

    // The main window, as the parent of dialogs and tool windows, and the
    // frame the debugger docks its panels in.
    virtual QMainWindow *window() = 0;
    // True once the window has accepted its close: waits end quietly then.
    virtual bool isClosing() const = 0;

    virtual Dialogs &dialogs() = 0;
    virtual Launcher &launcher() = 0;
    // Null where the program was started without one (tests).
    virtual Registry *registry() = 0;
    virtual FileSystem &fso() = 0;
    virtual const ToolPaths &tools() const = 0;
    // The colours of code, comments and typing, shared by every document.
    virtual TextColours &colours() = 0;
    // The colours stored in the settings file take over again.
    virtual void Loadsettings() = 0;

    // The document window that has the focus in the frame, if any, and all
    // of them in the order they were created.
    virtual frmDocument *activeDocument() const = 0;
    virtual QList<frmDocument *> documents() const = 0;
    // The frame the document windows, views and browsers live in.
    virtual QMdiArea *mdiArea() const = 0;

    virtual QAction *command(Command c) const = 0;
    // The View menu, where panels add their own items after the design's.
    virtual QMenu *viewMenu() const = 0;
    // The status bar's first panel, and a message over it (0: until replaced).
    virtual void setStatusPanel(const QString &text) = 0;
    virtual void showStatusMessage(const QString &text, int timeoutMs = 0) = 0;
    virtual void clearStatusMessage() = 0;
    // Shows or hides the toolbar as the View menu's check mark says, after a
    // layout of the window's docks that may have hidden it.
    virtual void restoreToolbar() = 0;
    // The help page of the tools' messages, at the entry of a code.
    virtual void showMessageHelp(const QString &code) = 0;
};
