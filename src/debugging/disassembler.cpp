#include "debugging/disassembler.h"

#include "machine/cpu.h"

#include <QRegularExpression>
#include <capstone/capstone.h>
#include <memory>

namespace {

// The longest 8086 instruction with its prefixes; a 386 one is 15 at most.
constexpr int kLongest = 15;

struct Handle
{
    csh h = 0;
    bool open = false;
    Handle()
    {
        open = cs_open(CS_ARCH_X86, CS_MODE_16, &h) == CS_ERR_OK &&
               cs_option(h, CS_OPT_SYNTAX, CS_OPT_SYNTAX_MASM) == CS_ERR_OK;
    }
    ~Handle()
    {
        if (open)
            cs_close(&h);
    }
};

// The disassembler's words as MASM takes them back.
QString masmText(const char *mnemonic, const char *operands)
{
    QString text = QString::fromLatin1(mnemonic).trimmed().toUpper();
    QString ops = QString::fromLatin1(operands).trimmed().toUpper();
    static const QRegularExpression far(QStringLiteral("^L(CALL|JMP)$"));
    if (const auto m = far.match(text); m.hasMatch())
        text = m.captured(1) + QStringLiteral(" FAR PTR");
    // A string instruction names its operands only when a segment other
    // than its own is used.
    static const QRegularExpression string(QStringLiteral("(MOVS|CMPS|STOS|LODS|SCAS|INS|OUTS)[BW]$"));
    static const QRegularExpression override(QStringLiteral("(CS|SS|DS):\\[|ES:\\[SI"));
    if (string.match(text).hasMatch() && !override.match(ops).hasMatch())
        ops.clear();
    // A bare address is a memory operand only with its segment.
    static const QRegularExpression direct(QStringLiteral("(^|[ ,])((?:BYTE|WORD|DWORD) PTR )?\\[([0-9A-F]+H?)\\]"));
    ops.replace(direct, QStringLiteral("\\1\\2DS:[\\3]"));
    static const QRegularExpression spaced(QStringLiteral(" ([+-]) "));
    ops.replace(spaced, QStringLiteral("\\1"));
    ops.replace(QStringLiteral(", "), QStringLiteral(","));
    return ops.isEmpty() ? text : text + u' ' + ops;
}

QString byteText(quint8 b)
{
    QString hex = QString::number(b, 16).toUpper().rightJustified(2, u'0') + u'H';
    return hex.at(0).isLetter() ? u'0' + hex : hex;
}

} // namespace

QList<Disassembled> disassemble(const QByteArray &memory, quint16 segment, quint16 offset,
                                int count)
{
    static Handle handle;
    QList<Disassembled> out;
    if (!handle.open)
        return out;
    std::unique_ptr<cs_insn, void (*)(cs_insn *)> insn(cs_malloc(handle.h),
                                                        [](cs_insn *i) { cs_free(i, 1); });
    for (int n = 0; n < count; ++n) {
        // The bytes at IP on, wrapping within the segment.
        quint8 window[kLongest];
        for (int i = 0; i < kLongest; ++i) {
            const quint32 at = linear(segment, quint16(offset + i)) % Cpu::memorySize;
            window[i] = at < quint32(memory.size()) ? quint8(memory[at]) : 0;
        }
        const uint8_t *code = window;
        size_t size = sizeof window;
        uint64_t address = offset;
        Disassembled d;
        d.segment = segment;
        d.offset = offset;
        if (cs_disasm_iter(handle.h, &code, &size, &address, insn.get())) {
            d.bytes = QByteArray(reinterpret_cast<const char *>(window), insn->size);
            d.text = masmText(insn->mnemonic, insn->op_str);
        } else {
            d.bytes = QByteArray(1, char(window[0]));
            d.text = QStringLiteral("DB ") + byteText(window[0]);
        }
        out << d;
        offset = quint16(offset + d.bytes.size());
    }
    return out;
}
