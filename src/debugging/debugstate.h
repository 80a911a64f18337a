#pragma once

#include "debugging/debugbuild.h"
#include "debugging/debugconsole.h"
#include "debugging/debugsession.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QDockWidget;
class frmDocument;
class RegisterPanel;
class FlagPanel;
class MemoryPanel;
class StackPanel;
class ScreenView;
class DisassemblyPanel;
class WatchPanel;
class CommandPanel;
class BreakpointPanel;

// The debugger's panels: docks of the main window, shown while a program
// is debugged, their places remembered from one start of the program to
// the next.
struct DebugPanels
{
    QDockWidget *registersDock = nullptr;
    QDockWidget *flagsDock = nullptr;
    QDockWidget *memoryDock = nullptr;
    QDockWidget *stackDock = nullptr;
    QDockWidget *screenDock = nullptr;
    QDockWidget *disassemblyDock = nullptr;
    QDockWidget *watchDock = nullptr;
    QDockWidget *commandsDock = nullptr;
    QDockWidget *breakpointsDock = nullptr;
    RegisterPanel *registers = nullptr;
    FlagPanel *flags = nullptr;
    MemoryPanel *memory = nullptr;
    StackPanel *stack = nullptr;
    ScreenView *screen = nullptr;
    DisassemblyPanel *disassembly = nullptr;
    WatchPanel *watch = nullptr;
    CommandPanel *commands = nullptr;
    BreakpointPanel *breakpoints = nullptr;
    QList<QDockWidget *> docks() const
    {
        return {registersDock, flagsDock, memoryDock,   stackDock,      screenDock,
                disassemblyDock, watchDock, commandsDock, breakpointsDock};
    }
};

// One debugging of a document, from the build that starts it to its stop.
struct DebugState
{
    QPointer<frmDocument> doc;
    std::unique_ptr<DebugBuild> build;
    std::unique_ptr<DebugSession> session;
    // What the command that started the debugging does once the program is loaded.
    std::function<void(DebugSession &)> then;
    // Per file, the breakpoint lines the session has been given.
    QHash<QString, QList<int>> breakpoints;
    // The window that shows the current line.
    QPointer<frmDocument> lineDoc;
    // Include files opened at a line, read-only while debugging.
    QList<QPointer<frmDocument>> views;
    bool askingToStop = false;
    // Said at the next stop that says nothing of its own (a breakpoint that
    // moved as the program was loaded).
    QString notice;
    // Whether F5 would be enabled but for the debugging.
    bool runWanted = false;
    // The 命令 panel's DEBUG, and the run its last command asked for (with
    // the steps of a T or P still to come).
    DebugConsole console;
    DebugRun consoleRun;
    int consoleLeft = 0;
    // Connections that must end with this debugging.
    QObject context;
};
