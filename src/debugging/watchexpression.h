#pragma once

#include "machine/cpu.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// A name of the program as the debugger finds it: a variable (its element
// size and, for a DUP, how many), a code label or procedure (its address),
// or an EQU constant (its value).
struct WatchSymbol
{
    enum class Kind { Data, Code, Number };
    QString name; // upper case
    Kind kind = Kind::Data;
    int size = 0;   // bytes of an element of a variable
    int length = 0; // elements of a DUP; 0 for one
    quint16 segment = 0, offset = 0;
    qint64 number = 0;
};

// A watch's value in the forms the 监视 panel shows.
struct WatchValue
{
    bool ok = false;
    QString error; // why not, for people
    QString hex, unsignedDecimal, signedDecimal, text;
};

// Evaluates a watch as MASM reads an operand: registers (AX, AL, DS, IP ...),
// numbers (decimal, 0AH, 101B, 'A'), the program's names, + - * and
// parentheses; a variable or [...] is the memory there, typed by the
// variable, by BYTE/WORD/DWORD PTR, or a word; ES:[DI] names the segment
// (else DS, or SS with BP). A variable of many elements (a DUP, a string)
// shows them all, up to 32.
WatchValue evaluateWatch(const QString &expression, const Registers &registers,
                         const QByteArray &memory, const QList<WatchSymbol> &symbols);

// Whether a breakpoint's condition holds, or why it cannot be told.
struct WatchCondition
{
    bool ok = false;
    bool holds = false;
    QString error;
};

// A breakpoint's condition: operands as evaluateWatch reads them (a place
// is the value it holds: a word unless typed, a variable's first element),
// compared with == != < <= > >= (unsigned; a negative constant is taken in
// the other side's width), joined with && || ! and parentheses; the flags
// CF PF AF ZF SF TF IF DF OF are 0 or 1. byteAt reads a linear address.
WatchCondition evaluateCondition(const QString &condition, const Registers &registers,
                                 const std::function<quint8(quint32)> &byteAt,
                                 const QList<WatchSymbol> &symbols);
