#pragma once

#include <QByteArray>
#include <QString>

// One line of 8086 assembly as DEBUG's A command takes it, turned into
// machine code.
struct AssembledLine
{
    QByteArray bytes;
    QString error; // empty when the line assembled (an empty line gives no bytes)
};

// The syntax is DEBUG's: numbers are hexadecimal without a suffix, a jump,
// call or loop names the offset it goes to, a size is BYTE/WORD (PTR), a
// distance SHORT/NEAR/FAR, prefixes (ES:, REP, LOCK) stand on a line of their
// own or before the instruction, and DB/DW list numbers and quoted text.
// A few things this DEBUG lacks are taken as MASM writes them: ES:[BX] in an
// operand, SAL, XLATB, RETN n, DWORD PTR for a far jump's address.
// Where DEBUG has a choice of encodings this makes the one DEBUG makes.
// The code is to sit at segment:offset (relative jumps are counted from
// there; JMP FAR with an offset alone goes into segment).
AssembledLine assembleLine(const QString &text, quint16 segment, quint16 offset);
