#pragma once

#include "machine/cpu.h"

#include <QByteArray>
#include <QString>

// One instruction as DEBUG's U and R write it: "MOV" and "AX,[BX+SI+10]",
// numbers in hexadecimal without a suffix, a prefix (ES:, REPZ, LOCK) as an
// instruction of its own, and DEBUG's own words where the 8086 has none
// ("???", "DB 60", "POP CS").
struct DebugInstruction
{
    QByteArray bytes;
    QString mnemonic;
    QString operands;
    // The memory operand, for R's note of the value there ("DS:0010=41").
    bool memory = false;
    int size = 0;            // 1 or 2 bytes, 0 where DEBUG notes no value
    int segment = -1;        // an override's segment register (Reg), -1 none
    int base = -1;           // the r/m field's registers, -1 for a plain address
    quint16 displacement = 0;
};

// The instruction at segment:offset of the first megabyte (memory).
DebugInstruction unassembleForDebug(const QByteArray &memory, quint16 segment, quint16 offset);

// The line U shows: address, bytes, mnemonic, a tab and the operands,
// padded with blanks to DEBUG's width (a tab counts to the next eighth column).
QString debugUnassemblyLine(quint16 segment, quint16 offset, const DebugInstruction &instruction);

// R's note of the memory operand's value with these registers, as
// "DS:0010=41" or "SS:FFFC=0102"; empty where the instruction has none.
QString debugMemoryNote(const DebugInstruction &instruction, const Registers &registers,
                        const QByteArray &memory);
