#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One instruction of machine code as the disassembly shows it.
struct Disassembled
{
    quint16 segment = 0, offset = 0; // where it was read
    QByteArray bytes;
    // In MASM's syntax and capitals ("MOV AX,4ADH", "REP MOVSB",
    // "CALL FAR PTR 5000H:0"); a byte no instruction starts with is "DB 0FH".
    QString text;
};

// Up to count instructions from segment:offset of the first megabyte
// (memory), the offset wrapping within the segment as the CPU's IP does.
QList<Disassembled> disassemble(const QByteArray &memory, quint16 segment, quint16 offset,
                                int count);
