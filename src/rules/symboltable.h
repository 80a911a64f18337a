#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// One name of the symbol table at the end of a MASM 5.10 listing.
struct ListedSymbol
{
    enum class Kind {
        Data,   // a variable: BYTE, WORD, DWORD, QWORD, TBYTE
        Code,   // a NEAR or FAR label
        Proc,   // a procedure
        Number, // an EQU or = constant
        Other,  // text macros, aliases ...
    };
    QString name; // upper case, as the table has it
    Kind kind = Kind::Other;
    int size = 0;      // bytes of one element of a variable (1, 2, 4, 8, 10)
    quint32 value = 0; // offset in its segment, or the constant
    QString segment;   // upper case; empty for a constant
    int length = 0;    // elements of a DUP, where the table says; else 0
};

// The symbols of a listing (names in the table, nothing from the source).
QList<ListedSymbol> readSymbolTable(const QByteArray &listing);
// The segments' lengths in bytes, by upper-case name, from the table of
// segments and groups before the symbols.
QHash<QString, int> readSegmentLengths(const QByteArray &listing);

// How many elements a variable has: a DUP's count where the table gives one,
// else as many as fit before the next name in its segment (or the
// segment's end): "ARR DW 1,2,3" has three, a string all its bytes.
int elementCount(const ListedSymbol &variable, const QList<ListedSymbol> &symbols,
                 const QHash<QString, int> &segmentLengths);
