#include "debugging/lineassembler.h"

#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

const char kReg8[] = "AL CL DL BL AH CH DH BH";
const char kReg16[] = "AX CX DX BX SP BP SI DI";
const char kSegments[] = "ES CS SS DS";

// The place of word in a list of names: places are apart by spaces, the
// names of one place by '|' ("JZ|JE JNZ|JNE"); -1 when it is not there.
int placeOf(const char *names, const QString &word)
{
    if (word == u"-") // holds a place, names nothing
        return -1;
    const QStringList places = QString::fromLatin1(names).split(u' ');
    for (qsizetype i = 0; i < places.size(); ++i)
        if (places[i].split(u'|').contains(word))
            return int(i);
    return -1;
}

QString tooBig()
{
    return QStringLiteral("数值超出范围");
}

// A number as DEBUG reads it: 1 to 4 hexadecimal digits.
std::optional<quint16> hexNumber(const QString &text, QString *why)
{
    bool hex = !text.isEmpty();
    for (const QChar c : text)
        hex = hex && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
    if (!hex) {
        *why = QStringLiteral("无法识别的操作数“%1”").arg(text);
        return std::nullopt;
    }
    if (text.size() > 4) {
        *why = tooBig();
        return std::nullopt;
    }
    return quint16(text.toUInt(nullptr, 16));
}

struct Operand
{
    enum Kind { Reg, Seg, Imm, Mem, Pointer } kind = Imm;
    enum Distance { Any, Short, Near, Far } distance = Any;
    int reg = 0;            // register number, for memory its r/m field
    int size = 0;           // 1 byte, 2 word, 0 not said (memory)
    quint16 value = 0;      // immediate, displacement or the offset of a pointer
    quint16 magnitude = 0;  // an immediate as written, without its minus sign
    quint16 segment = 0;    // of a pointer
    bool direct = false;    // memory at a bare offset: [1234]
    bool displaced = false; // memory with a number written in it: [BX+0]
    int override = -1;      // memory after a segment register: ES:[BX]
};

// word is full itself or its first least letters or more (WO for WORD).
bool abbreviates(const QString &word, const char *full, int least)
{
    return word.size() >= least && QLatin1String(full).startsWith(word);
}

// [BX+SI+10], [BP], 2[BX][DI], [1234]: base, index and a sum of numbers.
bool parseMemory(const QString &text, Operand *o, QString *why)
{
    if (text.count(u'[') != text.count(u']')) {
        *why = QStringLiteral("方括号没有配对");
        return false;
    }
    QString s = text;
    s.replace(u'[', u'+').replace(u']', u'+');
    int base = -1, index = -1; // BX/BP, SI/DI
    bool minus = false;
    for (qsizetype i = 0; i < s.size();) {
        if (s[i] == u'+' || s[i] == u' ') {
            ++i;
            continue;
        }
        if (s[i] == u'-') {
            minus = !minus;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < s.size() && s[end].isLetterOrNumber())
            ++end;
        if (end == i) {
            *why = QStringLiteral("无法识别的操作数“%1”").arg(text);
            return false;
        }
        const QString term = s.mid(i, end - i);
        i = end;
        const int r = placeOf("BX BP SI DI", term);
        if (r >= 0) {
            int &slot = r < 2 ? base : index;
            if (minus || slot >= 0) {
                *why = QStringLiteral("地址里的寄存器不对");
                return false;
            }
            slot = r % 2;
        } else if (placeOf(kReg8, term) >= 0 || placeOf(kReg16, term) >= 0 ||
                   placeOf(kSegments, term) >= 0) {
            *why = QStringLiteral("地址里的寄存器不对");
            return false;
        } else {
            const std::optional<quint16> n = hexNumber(term, why);
            if (!n)
                return false;
            o->value += minus ? -*n : *n;
            o->displaced = true;
        }
        minus = false;
    }
    o->kind = Operand::Mem;
    o->direct = base < 0 && index < 0;
    static const int rm[3][3] = {{0, 1, 7}, {2, 3, 6}, {4, 5, 6}}; // [base][index], 2: none
    o->reg = rm[base < 0 ? 2 : base][index < 0 ? 2 : index];
    return true;
}

// One operand, upper case: its size and distance words, then a register,
// memory, a number or segment:offset.
std::optional<Operand> parseOperand(QString t, QString *why)
{
    Operand o;
    for (;;) {
        qsizetype n = 0;
        while (n < t.size() && t[n].isLetter())
            ++n;
        const QString word = t.left(n), rest = t.mid(n).trimmed();
        // A word glued to digits is a number (FA12), not FAR.
        if (n == 0 || rest.isEmpty() || t[n].isLetterOrNumber())
            break;
        if (abbreviates(word, "BYTE", 2))
            o.size = 1;
        else if (abbreviates(word, "WORD", 2))
            o.size = 2;
        else if (word == u"FAR" || word == u"DWORD")
            o.distance = Operand::Far;
        else if (abbreviates(word, "NEAR", 2))
            o.distance = Operand::Near;
        else if (abbreviates(word, "SHORT", 2))
            o.distance = Operand::Short;
        else if (word != u"PTR")
            break;
        t = rest;
    }
    if (t.size() > 3 && t[2] == u':' && t.contains(u'[')) {
        o.override = placeOf(kSegments, t.left(2));
        if (o.override >= 0)
            t = t.mid(3).trimmed();
    }
    if (t.contains(u'[') || t.contains(u']'))
        return parseMemory(t, &o, why) ? std::optional(o) : std::nullopt;
    if (const int r = placeOf(kReg8, t); r >= 0)
        o.kind = Operand::Reg, o.reg = r, o.size = 1;
    else if (const int r = placeOf(kReg16, t); r >= 0)
        o.kind = Operand::Reg, o.reg = r, o.size = 2;
    else if (const int r = placeOf(kSegments, t); r >= 0)
        o.kind = Operand::Seg, o.reg = r, o.size = 2;
    else if (const qsizetype colon = t.indexOf(u':'); colon >= 0) {
        const auto segment = hexNumber(t.left(colon).trimmed(), why);
        const auto offset = segment ? hexNumber(t.mid(colon + 1).trimmed(), why) : std::nullopt;
        if (!offset)
            return std::nullopt;
        o.kind = Operand::Pointer, o.segment = *segment, o.value = *offset;
    } else {
        const bool minus = t.startsWith(u'-');
        const auto n = hexNumber(minus ? t.mid(1).trimmed() : t, why);
        if (!n)
            return std::nullopt;
        o.magnitude = *n;
        o.value = minus ? -*n : *n;
    }
    return o;
}

// What an operand of a form may be.
enum Pat : quint8 {
    N,     // none
    RM,    // register or memory
    R,     // register
    M,     // memory
    R16,   // word register
    RM16,  // word register or memory
    ACC,   // AL or AX
    AX,    // AX alone
    IMM,   // a number of the operation's size
    IMM8,  // a byte
    IMM16, // a word
    SIMM,  // a word that is a byte sign-extended
    ONE,   // 1 (shifts)
    THREE, // 3 (INT 3)
    CL,
    DX,
    SREG,  // segment register
    SREGW, // one that can be loaded alone (not CS)
    MOFFS, // memory at a bare offset, for the accumulator's own MOV
    REL8,  // an offset in reach of a byte displacement
    REL16, // an offset
    PTR,   // segment:offset, or FAR offset
    MFAR,  // memory holding a far address
    ANY,   // register of either size, or memory
};

enum Flag : quint8 {
    W = 1,        // the size goes in bit 0 of the opcode
    W3 = 2,       // the size goes in bit 3 of the opcode
    RegLow = 4,   // the register goes in the opcode's low bits
    RegHigh = 8,  // the segment register goes in the opcode's bits 3-4
    EscCode = 16, // ESC: the number goes into the opcode and the ModRM reg field
};

constexpr qint8 kFromReg = -1, kNoModRM = -2;

// One encoding of one or more mnemonics. The mnemonic's place in names
// (see placeOf) times opStep is added to the opcode and times extStep to the
// ModRM reg field.
struct Form
{
    const char *names;
    Pat a, b;
    quint8 opcode;
    qint8 ext = kNoModRM; // the ModRM reg field, or where it comes from
    quint8 opStep = 0, extStep = 0, flags = 0;
};

const char kAlu[] = "ADD OR ADC SBB AND SUB XOR CMP";

// In order of preference: the first that fits is what DEBUG chooses.
const Form kForms[] = {
    {kAlu, ACC, IMM, 0x04, kNoModRM, 8, 0, W},
    // DEBUG sign-extends only for arithmetic, not for OR, AND and XOR.
    {"ADD - ADC SBB - SUB - CMP", RM, SIMM, 0x83, 0, 0, 1, 0},
    {kAlu, RM, IMM, 0x80, 0, 0, 1, W},
    {kAlu, RM, R, 0x00, kFromReg, 8, 0, W},
    {kAlu, R, M, 0x02, kFromReg, 8, 0, W},
    {"MOV", ACC, MOFFS, 0xA0, kNoModRM, 0, 0, W},
    {"MOV", MOFFS, ACC, 0xA2, kNoModRM, 0, 0, W},
    {"MOV", R, IMM, 0xB0, kNoModRM, 0, 0, W3 | RegLow},
    {"MOV", RM, IMM, 0xC6, 0, 0, 0, W},
    {"MOV", RM, R, 0x88, kFromReg, 0, 0, W},
    {"MOV", R, M, 0x8A, kFromReg, 0, 0, W},
    {"MOV", SREG, RM16, 0x8E, kFromReg},
    {"MOV", RM16, SREG, 0x8C, kFromReg},
    {"TEST", ACC, IMM, 0xA8, kNoModRM, 0, 0, W},
    {"TEST", RM, IMM, 0xF6, 0, 0, 0, W},
    {"TEST", RM, R, 0x84, kFromReg, 0, 0, W},
    {"TEST", R, M, 0x84, kFromReg, 0, 0, W},
    {"XCHG", AX, R16, 0x90, kNoModRM, 0, 0, RegLow},
    {"XCHG", R16, AX, 0x90, kNoModRM, 0, 0, RegLow},
    {"XCHG", RM, R, 0x86, kFromReg, 0, 0, W},
    {"XCHG", R, M, 0x86, kFromReg, 0, 0, W},
    {"INC DEC", R16, N, 0x40, kNoModRM, 8, 0, RegLow},
    {"INC DEC", RM, N, 0xFE, 0, 0, 1, W},
    {"NOT NEG MUL IMUL DIV IDIV", RM, N, 0xF6, 2, 0, 1, W},
    {"ROL ROR RCL RCR SHL|SAL SHR - SAR", RM, ONE, 0xD0, 0, 0, 1, W},
    {"ROL ROR RCL RCR SHL|SAL SHR - SAR", RM, CL, 0xD2, 0, 0, 1, W},
    {"PUSH POP", R16, N, 0x50, kNoModRM, 8, 0, RegLow},
    {"PUSH", SREG, N, 0x06, kNoModRM, 0, 0, RegHigh},
    {"POP", SREGW, N, 0x07, kNoModRM, 0, 0, RegHigh},
    {"PUSH", RM16, N, 0xFF, 6},
    {"POP", RM16, N, 0x8F, 0},
    {"LES LDS", R16, M, 0xC4, kFromReg, 1},
    {"LEA", R16, M, 0x8D, kFromReg},
    {"IN", ACC, IMM8, 0xE4, kNoModRM, 0, 0, W},
    {"IN", ACC, DX, 0xEC, kNoModRM, 0, 0, W},
    {"OUT", IMM8, ACC, 0xE6, kNoModRM, 0, 0, W},
    {"OUT", DX, ACC, 0xEE, kNoModRM, 0, 0, W},
    {"INT", THREE, N, 0xCC},
    {"INT", IMM8, N, 0xCD},
    {"RET|RETN RETF", N, N, 0xC3, kNoModRM, 8},
    {"RET|RETN RETF", IMM16, N, 0xC2, kNoModRM, 8},
    {"JO JNO JB|JC|JNAE JNB|JAE|JNC JZ|JE JNZ|JNE JBE|JNA JNBE|JA JS JNS JP|JPE JNP|JPO JL|JNGE "
     "JNL|JGE JLE|JNG JNLE|JG",
     REL8, N, 0x70, kNoModRM, 1},
    {"LOOPNZ|LOOPNE LOOPZ|LOOPE LOOP JCXZ", REL8, N, 0xE0, kNoModRM, 1},
    // A jump in reach of a byte is a short one unless it says NEAR.
    {"JMP", REL8, N, 0xEB},
    {"CALL JMP", REL16, N, 0xE8, kNoModRM, 1},
    {"CALL", PTR, N, 0x9A},
    {"JMP", PTR, N, 0xEA},
    {"CALL JMP", RM16, N, 0xFF, 2, 0, 2},
    {"CALL JMP", MFAR, N, 0xFF, 3, 0, 2},
    {"ESC", IMM8, ANY, 0xD8, kNoModRM, 0, 0, EscCode},
};

// Instructions without operands.
const struct
{
    const char *names, *hex;
} kPlain[] = {
    {"MOVSB", "A4"},      {"MOVSW", "A5"}, {"CMPSB", "A6"}, {"CMPSW", "A7"}, {"STOSB", "AA"},
    {"STOSW", "AB"},      {"LODSB", "AC"}, {"LODSW", "AD"}, {"SCASB", "AE"}, {"SCASW", "AF"},
    {"XLAT|XLATB", "D7"}, {"DAA", "27"},   {"DAS", "2F"},   {"AAA", "37"},   {"AAS", "3F"},
    {"AAM", "D40A"},      {"AAD", "D50A"}, {"CBW", "98"},   {"CWD", "99"},   {"WAIT|FWAIT", "9B"},
    {"PUSHF", "9C"},      {"POPF", "9D"},  {"SAHF", "9E"},  {"LAHF", "9F"},  {"HLT", "F4"},
    {"CMC", "F5"},        {"CLC", "F8"},   {"STC", "F9"},   {"CLI", "FA"},   {"STI", "FB"},
    {"CLD", "FC"},        {"STD", "FD"},   {"NOP", "90"},   {"INTO", "CE"},  {"IRET", "CF"},
};

bool fits(Pat p, const Operand *o)
{
    if (!o)
        return p == N;
    const bool reg = o->kind == Operand::Reg, mem = o->kind == Operand::Mem;
    const bool imm = o->kind == Operand::Imm && o->distance == Operand::Any;
    const bool notFar = o->distance != Operand::Far;
    switch (p) {
    case N:
        return false;
    case RM:
        return (reg || mem) && notFar;
    case R:
        return reg;
    case M:
        return mem && notFar;
    case R16:
        return reg && o->size == 2;
    case RM16:
        return ((reg && o->size == 2) || (mem && o->size != 1)) && notFar;
    case ACC:
        return reg && o->reg == 0;
    case AX:
        return reg && o->reg == 0 && o->size == 2;
    case IMM:
    case IMM8:
    case IMM16:
    case SIMM:
        return imm;
    case ONE:
        return imm && o->value == 1;
    case THREE:
        return imm && o->value == 3;
    case CL:
        return reg && o->size == 1 && o->reg == 1;
    case DX:
        return reg && o->size == 2 && o->reg == 2;
    case SREG:
        return o->kind == Operand::Seg;
    case SREGW:
        return o->kind == Operand::Seg && o->reg != 1;
    case MOFFS:
        return mem && o->direct && notFar;
    case REL8:
        return o->kind == Operand::Imm &&
               (o->distance == Operand::Any || o->distance == Operand::Short);
    case REL16:
        return o->kind == Operand::Imm &&
               (o->distance == Operand::Any || o->distance == Operand::Near);
    case PTR:
        return (o->kind == Operand::Pointer && (o->distance == Operand::Any || !notFar)) ||
               (o->kind == Operand::Imm && !notFar);
    case MFAR:
        return mem && !notFar;
    case ANY:
        return reg || mem;
    }
    return false;
}

void addWord(QByteArray *out, quint16 w)
{
    *out += char(w & 0xFF);
    *out += char(w >> 8);
}

// The form's encoding of the operands, or nothing (with *why when the
// reason is worth more than "wrong operands").
std::optional<QByteArray> encode(const Form &f, int place, const Operand *a, const Operand *b,
                                 quint16 at, quint16 segment, QString *why)
{
    if (!fits(f.a, a) || !fits(f.b, b))
        return std::nullopt;
    const Operand *reg = nullptr, *rm = nullptr, *imm = nullptr, *other = nullptr;
    Pat immediate = N;
    int size = 0;
    bool sizeless = false;
    for (const auto &[p, o] : {std::pair{f.a, a}, std::pair{f.b, b}}) {
        const auto among = [p](std::initializer_list<Pat> set) {
            return std::ranges::find(set, p) != set.end();
        };
        if (among({R, R16, SREG, SREGW}))
            reg = o;
        else if (among({RM, M, RM16, MFAR, ANY}))
            rm = o;
        else if (among({IMM, IMM8, IMM16, SIMM}))
            imm = o, immediate = p;
        else if (among({MOFFS, REL8, REL16, PTR}))
            other = o;
        const int s = among({RM, R, M, ACC, MOFFS}) ? o->size : among({R16, RM16, AX}) ? 2 : 0;
        if (s && size && s != size) {
            *why = QStringLiteral("两个操作数大小不同");
            return std::nullopt;
        }
        size = s ? s : size;
        sizeless = sizeless || (among({RM, M, MOFFS}) && o->kind == Operand::Mem);
    }
    if (!size && sizeless) {
        *why = QStringLiteral("要写明 BYTE PTR 或 WORD PTR");
        return std::nullopt;
    }
    const int w = size == 2;
    const bool wordImmediate = immediate == IMM16 || (immediate == IMM && w);
    if (imm && immediate != SIMM && !wordImmediate && imm->magnitude > 0xFF) {
        *why = tooBig();
        return std::nullopt;
    }
    if (immediate == SIMM && (!w || (imm->value >= 0x80 && imm->value < 0xFF80)))
        return std::nullopt;

    QByteArray out;
    const Operand *memory = rm && rm->kind == Operand::Mem ? rm
                            : f.a == MOFFS                 ? a
                            : f.b == MOFFS                 ? b
                                                           : nullptr;
    if (memory && memory->override >= 0)
        out += char(0x26 + 8 * memory->override);
    int opcode = f.opcode + place * f.opStep;
    if (f.flags & W)
        opcode |= w;
    if (f.flags & W3)
        opcode |= w << 3;
    if (f.flags & RegLow)
        opcode += reg->reg;
    if (f.flags & RegHigh)
        opcode += reg->reg << 3;
    int field = f.ext == kFromReg ? reg->reg : f.ext + place * f.extStep;
    if (f.flags & EscCode) {
        if (imm->value > 0x3F) {
            *why = tooBig();
            return std::nullopt;
        }
        opcode += imm->value >> 3;
        field = imm->value & 7;
        imm = nullptr;
    }
    out += char(opcode);
    if (rm && rm->kind != Operand::Mem) {
        out += char(0xC0 | field << 3 | rm->reg);
    } else if (rm) {
        const bool small = rm->value < 0x80 || rm->value >= 0xFF80;
        const int mod = rm->direct ? 0 : !rm->displaced && rm->reg != 6 ? 0 : small ? 1 : 2;
        out += char(mod << 6 | field << 3 | rm->reg);
        if (mod == 1)
            out += char(rm->value);
        else if (mod == 2 || rm->direct)
            addWord(&out, rm->value);
    }
    if (imm && wordImmediate)
        addWord(&out, imm->value);
    else if (imm)
        out += char(imm->value);
    if (f.a == MOFFS || f.b == MOFFS)
        addWord(&out, other->value);
    if (f.a == REL8 || f.a == REL16) {
        const int length = f.a == REL8 ? 1 : 2;
        const qint16 jump = qint16(other->value - (at + out.size() + length));
        if (length == 1 && (jump < -128 || jump > 127)) {
            *why = QStringLiteral("跳转目标太远");
            return std::nullopt;
        }
        if (length == 1)
            out += char(jump);
        else
            addWord(&out, quint16(jump));
    }
    if (f.a == PTR) {
        addWord(&out, other->value);
        addWord(&out, other->kind == Operand::Pointer ? other->segment : segment);
    }
    return out;
}

// The words of a DB or DW list: numbers and quoted text (kept with its quotes).
AssembledLine data(const QString &list, bool words)
{
    AssembledLine line;
    QString word;
    QChar quote;
    const auto flush = [&] {
        if (word.isEmpty() || !line.error.isEmpty())
            return;
        if (word.front() == u'\'' || word.front() == u'"') {
            line.bytes += QStringEncoder("GB18030").encode(word.mid(1, word.size() - 2));
        } else {
            const auto n = hexNumber(word.toUpper(), &line.error);
            if (n && !words && *n > 0xFF)
                line.error = tooBig();
            else if (n && words)
                addWord(&line.bytes, *n);
            else if (n)
                line.bytes += char(*n);
        }
        word.clear();
    };
    for (const QChar c : list) {
        if (!quote.isNull()) {
            word += c;
            if (c == quote) {
                quote = QChar();
                flush();
            }
        } else if (c == u'\'' || c == u'"') {
            flush();
            word = quote = c;
        } else if (c == u' ' || c == u'\t' || c == u',') {
            flush();
        } else {
            word += c;
        }
    }
    if (!quote.isNull())
        line.error = QStringLiteral("引号没有配对");
    flush();
    if (!line.error.isEmpty())
        line.bytes.clear();
    return line;
}

// The line up to a ';' that is not inside quotes.
QString withoutComment(const QString &text)
{
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!quote.isNull())
            quote = text[i] == quote ? QChar() : quote;
        else if (text[i] == u'\'' || text[i] == u'"')
            quote = text[i];
        else if (text[i] == u';')
            return text.left(i);
    }
    return text;
}

// The first word of text (upper case), and the rest.
QString firstWord(const QString &text, QString *rest)
{
    qsizetype n = 0;
    while (n < text.size() && !text[n].isSpace())
        ++n;
    *rest = text.mid(n).trimmed();
    return text.left(n).toUpper();
}

} // namespace

AssembledLine assembleLine(const QString &text, quint16 segment, quint16 offset)
{
    QString t = withoutComment(text).trimmed(), rest;
    // Prefixes, alone or before the instruction.
    QByteArray prefixes;
    for (;;) {
        const int override =
            t.size() >= 3 && t[2] == u':' ? placeOf(kSegments, t.left(2).toUpper()) : -1;
        const int repeat = placeOf("LOCK - REPNZ|REPNE REP|REPZ|REPE", firstWord(t, &rest));
        if (override >= 0) {
            prefixes += char(0x26 + 8 * override);
            t = t.mid(3).trimmed();
        } else if (repeat >= 0) {
            prefixes += char(0xF0 + repeat);
            t = rest;
        } else {
            break;
        }
    }
    AssembledLine line;
    line.bytes = prefixes;
    if (t.isEmpty())
        return line;
    const QString mnemonic = firstWord(t, &rest);
    if (mnemonic == u"DB" || mnemonic == u"DW") {
        AssembledLine list = data(rest, mnemonic == u"DW");
        list.bytes.prepend(prefixes);
        return list;
    }
    for (const auto &plain : kPlain) {
        if (placeOf(plain.names, mnemonic) < 0)
            continue;
        if (!rest.isEmpty())
            return {{}, QStringLiteral("%1 没有操作数").arg(mnemonic)};
        line.bytes += QByteArray::fromHex(plain.hex);
        return line;
    }
    const QStringList texts = rest.isEmpty() ? QStringList() : rest.toUpper().split(u',');
    if (texts.size() > 2)
        return {{}, QStringLiteral("操作数太多")};
    QList<Operand> operands;
    for (const QString &operand : texts) {
        QString why;
        const std::optional<Operand> o = parseOperand(operand.trimmed(), &why);
        if (!o)
            return {{}, operand.trimmed().isEmpty() ? QStringLiteral("缺少操作数") : why};
        operands << *o;
    }
    const Operand *a = operands.size() > 0 ? &operands[0] : nullptr;
    const Operand *b = operands.size() > 1 ? &operands[1] : nullptr;
    bool known = false;
    QString why;
    for (const Form &form : kForms) {
        const int place = placeOf(form.names, mnemonic);
        if (place < 0)
            continue;
        known = true;
        QString reason;
        const auto bytes =
            encode(form, place, a, b, quint16(offset + prefixes.size()), segment, &reason);
        if (bytes) {
            line.bytes += *bytes;
            return line;
        }
        if (why.isEmpty())
            why = reason;
    }
    if (!known)
        return {{}, QStringLiteral("无法识别的指令“%1”").arg(mnemonic)};
    return {{}, why.isEmpty() ? QStringLiteral("操作数不对") : why};
}
