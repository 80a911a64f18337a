#pragma once

#include "debugging/sourceline.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Bytes the assembler put at an offset of a segment, and the source line that
// produced them (a macro call for the lines of its expansion).
struct ListedCode
{
    SourceLine line;
    QString segment; // upper case, as the segment table names it
    quint16 offset = 0;
    int size = -1; // -1 where the listing does not say (DUP)
    bool instruction = false;
};

struct ListedLabel
{
    QString name;
    QString segment;
    quint16 offset = 0;
};

struct ListedProc
{
    QString segment;
    quint16 begin = 0, end = 0;
};

struct ProgramListing
{
    QList<ListedCode> code;
    QList<ListedLabel> data; // variables (BYTE, WORD, DWORD ...) with a segment
    QList<ListedProc> procs;
    int severeErrors = 0;
};

// An include file named in the source as written after INCLUDE: its host path
// and bytes, or nothing when it cannot be found.
struct IncludedFile
{
    QString path;
    QByteArray bytes;
};
using IncludeReader = std::function<std::optional<IncludedFile>(const QByteArray &name)>;

// Reads a MASM 5.10 listing of source (the bytes the assembler was given,
// lines of it named by sourcePath). The listing carries no source line
// numbers: each listed line is found by its echoed text, in order, in the
// source or in the include file it came from; lines hidden by .XLIST or false
// conditionals are passed over.
ProgramListing readListing(const QByteArray &listing, const QByteArray &source,
                           const QString &sourcePath, const IncludeReader &include);
