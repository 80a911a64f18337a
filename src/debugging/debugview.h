#pragma once

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
    // The whole first megabyte (the text screen at B800:0 included).
    QByteArray memory;
    int cursorRow = 0;
    int cursorColumn = 0;
    // What the monitor shows.
    ScreenPicture screen;
    QList<DataLabel> dataLabels;
    // The source line that holds the instruction at a linear address, as
    // people read it ("第 12 行", "MACROS.INC 第 3 行"); empty outside the program.
    std::function<QString(quint32 linear)> sourceLineOf;
};
