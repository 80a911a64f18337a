#pragma once

#include "debugging/sourceline.h"

#include <QList>
#include <QMetaType>
#include <QString>

// A place where the debugged program stops: a source line, an address of
// code (code without source too), or the bytes of data a write changes.
// A condition and a hit target make it stop only on some of its hits.
struct Breakpoint
{
    enum class Kind { Line, Address, Data };
    int id = 0; // the session's number for it
    Kind kind = Kind::Line;
    SourceLine line;     // Line
    quint32 address = 0; // Address: the instruction's; Data: the first byte watched
    quint16 segment = 0; // Address, Data: as the user gave it
    quint16 offset = 0;
    int length = 1;  // Data: bytes watched
    QString label;   // Data: the variable watched, if given by name
    QString condition; // empty: always
    int hitTarget = 0; // stop on this hit only; 0: on every one
    int hits = 0;      // times reached (with the condition true) in this run of the program
    bool enabled = true;
};

Q_DECLARE_METATYPE(Breakpoint)
