#pragma once

#include "machine/cpu.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Bytes the user puts into the program's memory, typed as DEBUG's E and F
// take them: "DS:0010 41 42 'OK'" writes the list there; "F DS:0 L 20 0"
// (or "F DS:0 1F 0", to an offset) fills the range with the list repeated.
// A list holds hexadecimal bytes and quoted text (GBK, as the program reads
// Chinese).
struct MemoryEdit
{
    quint32 address = 0; // linear
    QByteArray bytes;    // for a fill, the whole range's
};

// bareSegment: the segment of an address given as an offset alone.
std::optional<MemoryEdit> parseMemoryEdit(const QString &text, const Registers &r,
                                          quint16 bareSegment, QString *error);
