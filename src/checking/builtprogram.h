#pragma once

#include "rules/symboltable.h"
#include "toolchain/linkmap.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A submission as the tools made it: what the cases run.
struct BuiltProgram
{
    QString image; // host path of the .EXE or .COM
    bool com = false;
    QList<ListedSymbol> symbols;
    LinkMap map;
};
