#pragma once

#include "debugging/sourcemap.h"
#include "machine/machine.h"

#include <QSet>

// Where the debugger's steps back go, over the record the machine keeps.

// Back to where the line run before now began: its first instruction, or
// where the line before it ended (a REP string instruction, a macro and an
// interrupt's code without source go back with their line). Outside the
// program's source: one instruction back.
quint64 lineBefore(const Machine &machine, const SourceMap &map);

// Before the last instruction of the program's that ran (one pass of a REP
// string instruction); the BIOS's interrupt routines in between go back
// with it.
quint64 instructionBefore(const Machine &machine);

// The last instruction at one of the breakpoints that ran before now; the
// record's start (and *found false) where none did.
quint64 breakpointBefore(const Machine &machine, const QSet<quint32> &breakpoints, bool *found);
