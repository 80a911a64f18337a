#pragma once

#include "machine/cpu.h"

#include <QString>

// "075A:0010", "ds:10h" (the register's value now) or "0010" (in the
// segment given for a bare offset): false for anything else.
bool parseAddress(const QString &text, const Registers &r, quint16 bareSegment, quint16 *segment,
                  quint16 *offset);

// Four hexadecimal digits, as DEBUG writes a word.
QString hex4(quint16 v);
