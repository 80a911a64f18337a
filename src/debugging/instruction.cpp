#include "debugging/instruction.h"

#include "machine/guestmemory.h"

Instruction instructionAt(const GuestMemory &memory, quint32 linear)
{
    auto byte = [&](int i) { return memory.byteAt(linear + quint32(i)); };
    int p = 0;
    bool repeat = false;
    for (; p < 4; ++p) {
        const quint8 b = byte(p);
        if (b == 0xF2 || b == 0xF3)
            repeat = true;
        else if (b != 0x26 && b != 0x2E && b != 0x36 && b != 0x3E && b != 0xF0)
            break;
    }
    const quint8 op = byte(p);
    switch (op) {
    case 0xE8:
        return {Instruction::Call, p + 3};
    case 0x9A:
        return {Instruction::Call, p + 5};
    case 0xFF: {
        const quint8 modrm = byte(p + 1);
        const int reg = (modrm >> 3) & 7;
        if (reg != 2 && reg != 3)
            return {};
        const int mod = modrm >> 6;
        const int displacement = mod == 1                         ? 1
                                 : mod == 2                       ? 2
                                 : (mod == 0 && (modrm & 7) == 6) ? 2
                                                                  : 0;
        return {Instruction::Call, p + 2 + displacement};
    }
    case 0xCD:
        return {Instruction::Interrupt, p + 2};
    case 0xCC:
    case 0xCE:
        return {Instruction::Interrupt, p + 1};
    case 0xE0:
    case 0xE1:
    case 0xE2:
        return {Instruction::Loop, p + 2};
    case 0xC2:
    case 0xC3:
    case 0xCA:
    case 0xCB:
    case 0xCF:
        return {Instruction::Return, p + 1};
    default:
        break;
    }
    const bool stringOp =
        (op >= 0xA4 && op <= 0xA7) || (op >= 0xAA && op <= 0xAF) || (op >= 0x6C && op <= 0x6F);
    if (repeat && stringOp)
        return {Instruction::Repeat, p + 1};
    return {};
}
