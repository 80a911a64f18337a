#pragma once

#include "checking/checksuite.h"

#include <QByteArray>
#include <QString>

class Machine;
struct BuiltProgram;

// A data label's value at the program's end, read as the case expects it.
struct LabelCheck
{
    bool found = false;
    bool matches = false;
    QString expected, actual; // as people read them: "1 2 3", "hello"
};

LabelCheck checkLabel(const Machine &machine, const BuiltProgram &program,
                      const ExpectedLabel &label);
