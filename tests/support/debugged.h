#pragma once

#include "debugging/debugsession.h"
#include "mainfixture.h"
#include "toolchain/toollauncher.h"

// A program of one code segment whose lines 3 and on are the given ones.
QString oneSegmentProgram(const QString &body);

// The main window with the real MASM and LINK in its tool folder and the
// program's text in its document: the debugger builds on the built-in
// machine, and what would go to DOSBox is only recorded.
struct Debugged
{
    FakeLauncher dosbox;
    ToolLauncher tools{dosbox};
    MainFixture f{true, &tools};
    // capitals: the tools named as on a DOS disk (MASM.EXE).
    explicit Debugged(const QString &text, bool capitals = false);
    DebugSession *session() const;
    // The line marked as the current one, 0 for none.
    int current() const;
    Registers registers() const { return session()->view().registers; }
};

// Presses the key and waits until the program has stopped again.
bool stepWith(Debugged &d, QKeyCombination key);
