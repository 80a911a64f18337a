#pragma once

#include "debugging/sourceline.h"
#include "debugging/watchexpression.h"
#include "machine/cpu.h"
#include "machine/screenpicture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// A label of the program's data, as the listing's symbol table names it, at
// the segment the program was loaded to.
struct DataLabel
{
    QString name;
    quint16 segment = 0;
    quint16 offset = 0;
};

// What the panels show of a stopped program.
struct DebugView
{
    Registers registers;
    // Before the last step or run: what differs is what it changed. Equal to
    // registers before the first step.
    Registers previous;
    // The whole first megabyte (the text screen at B800:0 included), and as
    // it was before the last step or run.
    QByteArray memory;
    QByteArray previousMemory;
    int cursorRow = 0;
    int cursorColumn = 0;
    // What the monitor shows.
    ScreenPicture screen;
    QList<DataLabel> dataLabels;
    // Every name of the symbol table, where the program was loaded.
    QList<WatchSymbol> symbols;
    // The offset in SS just past the program's stack: the words from SP up
    // to it are what was pushed (0x10000 where the stack is the segment's
    // end, as a .COM's, or the program moved to a stack of its own).
    quint32 stackTop = 0x10000;
    // The source line that holds the instruction at a linear address, as
    // people read it ("第 12 行", "MACROS.INC 第 3 行"); empty outside the program.
    std::function<QString(quint32 linear)> sourceLineOf;
    // The source line whose bytes hold a linear address; invalid outside.
    std::function<SourceLine(quint32 linear)> sourceLineAt;
};
