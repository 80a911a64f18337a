#include "debugging/debugunassembler.h"

#include <array>

namespace {

QString hex2(int v)
{
    return QString::number(v & 0xFF, 16).toUpper().rightJustified(2, u'0');
}

QString hex4(int v)
{
    return QString::number(v & 0xFFFF, 16).toUpper().rightJustified(4, u'0');
}

const std::array<const char *, 8> kReg8{"AL", "CL", "DL", "BL", "AH", "CH", "DH", "BH"};
const std::array<const char *, 8> kReg16{"AX", "CX", "DX", "BX", "SP", "BP", "SI", "DI"};
const std::array<const char *, 4> kSegments{"ES", "CS", "SS", "DS"};
const std::array<Reg, 4> kSegmentRegs{Reg::ES, Reg::CS, Reg::SS, Reg::DS};
const std::array<const char *, 8> kBases{"BX+SI", "BX+DI", "BP+SI", "BP+DI", "SI", "DI", "BP", "BX"};
const std::array<const char *, 8> kArithmetic{"ADD", "OR", "ADC", "SBB", "AND", "SUB", "XOR", "CMP"};
const std::array<const char *, 8> kShifts{"ROL", "ROR", "RCL", "RCR", "SHL", "SHR", "???", "SAR"};
const std::array<const char *, 8> kUnary{"TEST", "???", "NOT", "NEG", "MUL", "IMUL", "DIV", "IDIV"};
const std::array<const char *, 16> kJumps{"JO", "JNO", "JB",  "JNB", "JZ", "JNZ", "JBE", "JA",
                                          "JS", "JNS", "JPE", "JPO", "JL", "JGE", "JLE", "JG"};

// Reads the instruction's bytes in order, wrapping within the segment.
class Reader
{
public:
    Reader(const QByteArray &memory, quint16 segment, quint16 offset)
        : memory_(memory), segment_(segment), start_(offset), at_(offset)
    {
    }
    quint8 byte()
    {
        const quint32 address = linear(segment_, at_) % Cpu::memorySize;
        at_ = quint16(at_ + 1);
        return address < quint32(memory_.size()) ? quint8(memory_[address]) : 0;
    }
    quint16 word()
    {
        const quint8 low = byte();
        return quint16(low | byte() << 8);
    }
    quint16 next() const { return at_; }
    int length() const { return quint16(at_ - start_); }

private:
    const QByteArray &memory_;
    quint16 segment_, start_, at_;
};

struct Decoder
{
    Reader &in;
    DebugInstruction &out;
    quint8 modrm = 0;

    int mod() const { return modrm >> 6; }
    int reg() const { return (modrm >> 3) & 7; }
    int rm() const { return modrm & 7; }
    void readModrm() { modrm = in.byte(); }

    // The r/m operand: a register of the width, or memory ([BX+SI-02]).
    QString rmOperand(bool wide, const char *ptr = nullptr)
    {
        if (mod() == 3)
            return QLatin1String(wide ? kReg16[rm()] : kReg8[rm()]);
        out.memory = true;
        out.size = wide ? 2 : 1;
        QString text = ptr ? QLatin1String(ptr) : QString();
        if (mod() == 0 && rm() == 6) {
            out.displacement = in.word();
            return text + u'[' + hex4(out.displacement) + u']';
        }
        out.base = rm();
        text += u'[' + QLatin1String(kBases[rm()]);
        if (mod() == 1) {
            const auto d = qint8(in.byte());
            out.displacement = quint16(qint16(d));
            text += (d < 0 ? u'-' : u'+') + hex2(d < 0 ? -d : d);
        } else if (mod() == 2) {
            out.displacement = in.word();
            text += u'+' + hex4(out.displacement);
        }
        return text + u']';
    }
    QString rmWithPtr(bool wide) { return rmOperand(wide, wide ? "WORD PTR " : "BYTE PTR "); }
    QString regOperand(bool wide) const
    {
        return QLatin1String(wide ? kReg16[reg()] : kReg8[reg()]);
    }
    QString immediate(bool wide) { return wide ? hex4(in.word()) : hex2(in.byte()); }
    QString relative(bool wide)
    {
        const qint16 d = wide ? qint16(in.word()) : qint8(in.byte());
        return hex4(in.next() + d);
    }
    void set(const char *mnemonic, const QString &operands = {})
    {
        out.mnemonic = QLatin1String(mnemonic);
        out.operands = operands;
    }
    void decode(quint8 op);
};

void Decoder::decode(quint8 op)
{
    const bool wide = op & 1;
    if (op < 0x40 && (op & 7) < 6) {
        const char *name = kArithmetic[op >> 3];
        switch (op & 7) {
        case 0:
        case 1:
            readModrm();
            set(name, rmOperand(wide) + u',' + regOperand(wide));
            return;
        case 2:
        case 3:
            readModrm();
            set(name, regOperand(wide) + u',' + rmOperand(wide));
            return;
        default:
            set(name, QLatin1String(wide ? "AX," : "AL,") + immediate(wide));
            return;
        }
    }
    if (op < 0x20 && (op & 6) == 6) {
        set(op & 1 ? "POP" : "PUSH", QLatin1String(kSegments[op >> 3]));
        return;
    }
    if (op >= 0x20 && op < 0x40) { // the rest: DAA DAS AAA AAS
        static const std::array<const char *, 4> adjust{"DAA", "DAS", "AAA", "AAS"};
        set(adjust[(op - 0x27) >> 3]);
        return;
    }
    if (op >= 0x40 && op < 0x60) {
        static const std::array<const char *, 4> names{"INC", "DEC", "PUSH", "POP"};
        set(names[(op - 0x40) >> 3], QLatin1String(kReg16[op & 7]));
        return;
    }
    if (op >= 0x70 && op < 0x80) {
        set(kJumps[op & 15], relative(false));
        return;
    }
    if (op >= 0x91 && op < 0x98) {
        set("XCHG", QLatin1String(kReg16[op & 7]) + QStringLiteral(",AX"));
        return;
    }
    if (op >= 0xB0 && op < 0xC0) {
        const bool w = op >= 0xB8;
        set("MOV", QLatin1String(w ? kReg16[op & 7] : kReg8[op & 7]) + u',' + immediate(w));
        return;
    }
    if (op >= 0xD8 && op < 0xE0) { // the 8087's
        readModrm();
        set("ESC", hex2((op & 7) << 3 | reg()) + u',' + rmOperand(wide));
        return;
    }
    switch (op) {
    case 0x0F:
        set("POP", QStringLiteral("CS"));
        return;
    case 0x80:
    case 0x81:
    case 0x82:
    case 0x83: {
        readModrm();
        const char *name = kArithmetic[reg()];
        const QString target = rmWithPtr(wide);
        if (op == 0x83) {
            const auto v = qint8(in.byte());
            set(name, target + u',' + (v < 0 ? u'-' : u'+') + hex2(v < 0 ? -v : v));
        } else {
            set(name, target + u',' + immediate(op == 0x81));
        }
        return;
    }
    case 0x84:
    case 0x85:
    case 0x86:
    case 0x87:
    case 0x88:
    case 0x89:
        readModrm();
        set(op < 0x86 ? "TEST" : op < 0x88 ? "XCHG" : "MOV",
            rmOperand(wide) + u',' + regOperand(wide));
        return;
    case 0x8A:
    case 0x8B:
        readModrm();
        set("MOV", regOperand(wide) + u',' + rmOperand(wide));
        return;
    case 0x8C:
        readModrm();
        set("MOV", rmOperand(true) + u',' + QLatin1String(kSegments[reg() & 3]));
        return;
    case 0x8D:
    case 0xC4:
    case 0xC5:
        readModrm();
        set(op == 0x8D ? "LEA" : op == 0xC4 ? "LES" : "LDS",
            regOperand(true) + u',' + rmOperand(true));
        return;
    case 0x8E:
        readModrm();
        set("MOV", QLatin1String(kSegments[reg() & 3]) + u',' + rmOperand(true));
        return;
    case 0x8F:
        readModrm();
        set("POP", rmOperand(true));
        return;
    case 0x90:
        set("NOP");
        return;
    case 0x9A:
    case 0xEA: {
        const quint16 offset = in.word();
        set(op == 0x9A ? "CALL" : "JMP", hex4(in.word()) + u':' + hex4(offset));
        return;
    }
    case 0xA0:
    case 0xA1:
    case 0xA2:
    case 0xA3: {
        out.memory = true;
        out.size = wide ? 2 : 1;
        out.displacement = in.word();
        const QString place = u'[' + hex4(out.displacement) + u']';
        const QString accumulator = QLatin1String(wide ? "AX" : "AL");
        set("MOV", op < 0xA2 ? accumulator + u',' + place : place + u',' + accumulator);
        return;
    }
    case 0xA8:
    case 0xA9:
        set("TEST", QLatin1String(wide ? "AX," : "AL,") + immediate(wide));
        return;
    case 0xC2:
    case 0xCA:
        set(op == 0xC2 ? "RET" : "RETF", hex4(in.word()));
        return;
    case 0xC6:
    case 0xC7:
    {
        readModrm();
        // The operand's displacement comes before the immediate.
        const QString target = rmWithPtr(wide);
        set("MOV", target + u',' + immediate(wide));
        return;
    }
    case 0xCC:
        set("INT", QStringLiteral("3"));
        return;
    case 0xCD:
        set("INT", hex2(in.byte()));
        return;
    case 0xD0:
    case 0xD1:
    case 0xD2:
    case 0xD3:
        readModrm();
        set(kShifts[reg()], rmWithPtr(wide) + QLatin1String(op < 0xD2 ? ",1" : ",CL"));
        return;
    case 0xD4:
    case 0xD5:
        set(op == 0xD4 ? "AAM" : "AAD", hex2(in.byte()));
        return;
    case 0xE0:
    case 0xE1:
    case 0xE2:
    case 0xE3: {
        static const std::array<const char *, 4> loops{"LOOPNZ", "LOOPZ", "LOOP", "JCXZ"};
        set(loops[op & 3], relative(false));
        return;
    }
    case 0xE4:
    case 0xE5:
        set("IN", QLatin1String(wide ? "AX," : "AL,") + hex2(in.byte()));
        return;
    case 0xE6:
    case 0xE7:
        set("OUT", hex2(in.byte()) + QLatin1String(wide ? ",AX" : ",AL"));
        return;
    case 0xE8:
    case 0xE9:
    case 0xEB:
        set(op == 0xE8 ? "CALL" : "JMP", relative(op != 0xEB));
        return;
    case 0xEC:
    case 0xED:
        set("IN", QLatin1String(wide ? "AX,DX" : "AL,DX"));
        return;
    case 0xEE:
    case 0xEF:
        set("OUT", QLatin1String(wide ? "DX,AX" : "DX,AL"));
        return;
    case 0xF6:
    case 0xF7:
        readModrm();
        if (reg() == 0) {
            const QString target = rmWithPtr(wide);
            set("TEST", target + u',' + immediate(wide));
        } else
            set(kUnary[reg()], rmWithPtr(wide));
        return;
    case 0xFE:
    case 0xFF:
        readModrm();
        if (reg() < 2) {
            set(reg() == 0 ? "INC" : "DEC", rmWithPtr(wide));
            return;
        }
        {
            static const std::array<const char *, 8> names{"", "", "CALL", "CALL", "JMP", "JMP",
                                                           "PUSH", "???"};
            const bool far = reg() == 3 || reg() == 5;
            set(names[reg()], (far ? QStringLiteral("FAR ") : QString()) + rmOperand(wide));
            // DEBUG notes no value for these.
            out.size = 0;
        }
        return;
    default:
        break;
    }
    static const std::array<std::pair<quint8, const char *>, 26> plain{{
        {0x98, "CBW"},   {0x99, "CWD"},   {0x9B, "WAIT"},  {0x9C, "PUSHF"}, {0x9D, "POPF"},
        {0x9E, "SAHF"},  {0x9F, "LAHF"},  {0xA4, "MOVSB"}, {0xA5, "MOVSW"}, {0xA6, "CMPSB"},
        {0xA7, "CMPSW"}, {0xAA, "STOSB"}, {0xAB, "STOSW"}, {0xAC, "LODSB"}, {0xAD, "LODSW"},
        {0xAE, "SCASB"}, {0xAF, "SCASW"}, {0xC3, "RET"},   {0xCB, "RETF"},  {0xCE, "INTO"},
        {0xCF, "IRET"},  {0xD7, "XLAT"},  {0xF4, "HLT"},   {0xF5, "CMC"},   {0xF8, "CLC"},
        {0xF9, "STC"},
    }};
    for (const auto &[code, name] : plain)
        if (code == op) {
            set(name);
            return;
        }
    static const std::array<const char *, 4> flags{"CLI", "STI", "CLD", "STD"};
    if (op >= 0xFA) {
        set(flags[op - 0xFA]);
        return;
    }
    // What no 8086 instruction begins with.
    set("DB", hex2(op));
}

} // namespace

DebugInstruction unassembleForDebug(const QByteArray &memory, quint16 segment, quint16 offset)
{
    Reader in(memory, segment, offset);
    DebugInstruction out;
    const quint8 op = in.byte();
    static const std::array<std::pair<quint8, const char *>, 7> prefixes{{{0x26, "ES:"},
                                                                          {0x2E, "CS:"},
                                                                          {0x36, "SS:"},
                                                                          {0x3E, "DS:"},
                                                                          {0xF0, "LOCK"},
                                                                          {0xF2, "REPNZ"},
                                                                          {0xF3, "REPZ"}}};
    bool prefix = false;
    for (const auto &[code, name] : prefixes)
        if (code == op) {
            out.mnemonic = QLatin1String(name);
            prefix = true;
        }
    if (!prefix) {
        Decoder d{in, out};
        d.decode(op);
        // An override just before applies to the memory operand.
        const quint32 before = linear(segment, quint16(offset - 1)) % Cpu::memorySize;
        const quint8 previous = before < quint32(memory.size()) ? quint8(memory[before]) : 0;
        for (int i = 0; i < 4; ++i)
            if (previous == 0x26 + 8 * i)
                out.segment = int(kSegmentRegs[i]);
    }
    for (int i = 0; i < in.length(); ++i) {
        const quint32 at = linear(segment, quint16(offset + i)) % Cpu::memorySize;
        out.bytes += at < quint32(memory.size()) ? memory[at] : '\0';
    }
    return out;
}

QString debugUnassemblyLine(quint16 segment, quint16 offset, const DebugInstruction &instruction)
{
    QString line = hex4(segment) + u':' + hex4(offset) + u' ' +
                   QString::fromLatin1(instruction.bytes.toHex().toUpper()).leftJustified(14) +
                   instruction.mnemonic + u'\t' + instruction.operands;
    // Blanks up to the 67th column, with the tab standing for its columns.
    const int tabbed = 24 + instruction.mnemonic.size();
    const int shown = (tabbed / 8 + 1) * 8 + int(instruction.operands.size());
    return line + QString(std::max(0, 67 - shown), u' ');
}

QString debugMemoryNote(const DebugInstruction &instruction, const Registers &r,
                        const QByteArray &memory)
{
    if (!instruction.memory || instruction.size == 0)
        return {};
    const std::array<quint16, 8> bases{quint16(r.bx + r.si), quint16(r.bx + r.di),
                                       quint16(r.bp + r.si), quint16(r.bp + r.di),
                                       r.si,                 r.di,
                                       r.bp,                 r.bx};
    const quint16 offset =
        quint16((instruction.base >= 0 ? bases[instruction.base] : 0) + instruction.displacement);
    // BP's forms use SS unless overridden.
    const bool stack = instruction.base == 2 || instruction.base == 3 || instruction.base == 6;
    Reg segment = stack ? Reg::SS : Reg::DS;
    if (instruction.segment >= 0)
        segment = Reg(instruction.segment);
    const quint16 segmentValue = segment == Reg::ES   ? r.es
                                 : segment == Reg::CS ? r.cs
                                 : segment == Reg::SS ? r.ss
                                                      : r.ds;
    auto byteAt = [&](quint16 off) {
        const quint32 at = linear(segmentValue, off) % Cpu::memorySize;
        return at < quint32(memory.size()) ? quint8(memory[at]) : quint8(0);
    };
    const int value = instruction.size == 2 ? byteAt(offset) | byteAt(quint16(offset + 1)) << 8
                                            : byteAt(offset);
    const char *name = segment == Reg::ES   ? "ES"
                       : segment == Reg::CS ? "CS"
                       : segment == Reg::SS ? "SS"
                                            : "DS";
    return QLatin1String(name) + u':' + hex4(offset) + u'=' +
           (instruction.size == 2 ? hex4(value) : hex2(value));
}
