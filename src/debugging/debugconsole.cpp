#include "debugging/debugconsole.h"

#include "debugging/debugarguments.h"
#include "debugging/debugunassembler.h"
#include "debugging/flagletters.h"
#include "debugging/lineassembler.h"

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

QString place(quint16 segment, quint16 offset)
{
    return hex4(segment) + u':' + hex4(offset);
}

QString caret(int column)
{
    return QString(column, u' ') + QStringLiteral("^ Error\n");
}

quint8 byteAt(const QByteArray &memory, quint32 linearAddress)
{
    const quint32 at = linearAddress % Cpu::memorySize;
    return at < quint32(memory.size()) ? quint8(memory[at]) : 0;
}

// D's lines: sixteen bytes to a line, a dash after the eighth, the bytes as
// characters (their low seven bits) from the 62nd column.
QString dumpLines(const QByteArray &memory, const DebugRange &r)
{
    QString out;
    QString line, text;
    for (quint32 i = 0; i < r.count; ++i) {
        const quint16 offset = quint16(r.from.offset + i);
        if (i > 0 && offset == 0)
            break; // the end of the segment
        if (line.isEmpty())
            line = place(r.from.segment, offset) + u' ';
        line += (offset & 15) == 8 && text.size() > 0 ? u'-' : u' ';
        const quint8 b = byteAt(memory, linear(r.from.segment, offset));
        line += hex2(b);
        const int c = b & 0x7F;
        text += c >= 0x20 && c < 0x7F ? QChar(c) : u'.';
        if ((offset & 15) == 15 || i + 1 == r.count) {
            out += line.leftJustified(61) + text + u'\n';
            line.clear();
            text.clear();
        }
    }
    return out;
}

bool isFlagWord(const QString &w, quint16 *bit, bool *on)
{
    static const std::array<std::tuple<const char *, const char *, quint16>, 8> words{{
        {"NV", "OV", 0x0800},
        {"UP", "DN", 0x0400},
        {"DI", "EI", 0x0200},
        {"PL", "NG", 0x0080},
        {"NZ", "ZR", 0x0040},
        {"NA", "AC", 0x0010},
        {"PO", "PE", 0x0004},
        {"NC", "CY", 0x0001},
    }};
    for (const auto &[off, set, mask] : words) {
        if (w == QLatin1String(off) || w == QLatin1String(set)) {
            *bit = mask;
            *on = w == QLatin1String(set);
            return true;
        }
    }
    return false;
}

quint16 *field(Registers &r, const QString &name)
{
    const std::array<std::pair<const char *, quint16 *>, 14> names{{
        {"AX", &r.ax},
        {"BX", &r.bx},
        {"CX", &r.cx},
        {"DX", &r.dx},
        {"SP", &r.sp},
        {"BP", &r.bp},
        {"SI", &r.si},
        {"DI", &r.di},
        {"DS", &r.ds},
        {"ES", &r.es},
        {"SS", &r.ss},
        {"CS", &r.cs},
        {"IP", &r.ip},
        {"PC", &r.ip},
    }};
    for (const auto &[n, p] : names)
        if (name == QLatin1String(n))
            return p;
    return nullptr;
}

const std::array<std::pair<const char *, Reg>, 13> kRegisterNames{{
    {"AX", Reg::AX},
    {"BX", Reg::BX},
    {"CX", Reg::CX},
    {"DX", Reg::DX},
    {"SP", Reg::SP},
    {"BP", Reg::BP},
    {"SI", Reg::SI},
    {"DI", Reg::DI},
    {"DS", Reg::DS},
    {"ES", Reg::ES},
    {"SS", Reg::SS},
    {"CS", Reg::CS},
    {"IP", Reg::IP},
}};

QString registerName(Reg reg)
{
    for (const auto &[n, r] : kRegisterNames)
        if (r == reg)
            return QLatin1String(n);
    return QStringLiteral("IP");
}

quint16 registerValue(const Registers &r, Reg reg)
{
    Registers copy = r;
    quint16 *p = field(copy, registerName(reg));
    return p ? *p : 0;
}

bool isPrefix(const DebugInstruction &i)
{
    return i.operands.isEmpty() &&
           (i.mnemonic.endsWith(u':') || i.mnemonic.startsWith(QLatin1String("REP")) ||
            i.mnemonic == QLatin1String("LOCK"));
}

} // namespace

QString DebugConsole::registerDisplay(const Registers &r, const QByteArray &memory)
{
    auto pair = [](const char *name, quint16 v) { return QLatin1String(name) + u'=' + hex4(v); };
    const QString first = pair("AX", r.ax) + QStringLiteral("  ") + pair("BX", r.bx) +
                          QStringLiteral("  ") + pair("CX", r.cx) + QStringLiteral("  ") +
                          pair("DX", r.dx) + QStringLiteral("  ") + pair("SP", r.sp) +
                          QStringLiteral("  ") + pair("BP", r.bp) + QStringLiteral("  ") +
                          pair("SI", r.si) + QStringLiteral("  ") + pair("DI", r.di) +
                          QStringLiteral("  ");
    const QString second = pair("DS", r.ds) + QStringLiteral("  ") + pair("ES", r.es) +
                           QStringLiteral("  ") + pair("SS", r.ss) + QStringLiteral("  ") +
                           pair("CS", r.cs) + QStringLiteral("  ") + pair("IP", r.ip) +
                           QStringLiteral("   ") + debugFlagLetters(r.flags) + u' ';
    const DebugInstruction next = unassembleForDebug(memory, r.cs, r.ip);
    return first + u'\n' + second + u'\n' + debugUnassemblyLine(r.cs, r.ip, next) +
           debugMemoryNote(next, r, memory) + u'\n';
}

std::optional<quint32> DebugConsole::proceedTarget(const Registers &r, const QByteArray &memory)
{
    quint16 ip = r.ip;
    DebugInstruction i = unassembleForDebug(memory, r.cs, ip);
    // Prefixes go with the instruction they stand before.
    while (isPrefix(i)) {
        const bool repeated = i.mnemonic.startsWith(QLatin1String("REP"));
        ip = quint16(ip + i.bytes.size());
        i = unassembleForDebug(memory, r.cs, ip);
        if (repeated)
            return linear(r.cs, quint16(ip + i.bytes.size()));
    }
    static const QStringList whole{QStringLiteral("CALL"), QStringLiteral("INT"),
                                   QStringLiteral("INTO"), QStringLiteral("LOOP"),
                                   QStringLiteral("LOOPZ"), QStringLiteral("LOOPNZ")};
    if (!whole.contains(i.mnemonic))
        return std::nullopt;
    return linear(r.cs, quint16(ip + i.bytes.size()));
}

void DebugConsole::reset()
{
    mode_ = Mode::Command;
    dump_ = unassemble_ = assemble_ = enter_ = {};
}

QString DebugConsole::prompt() const
{
    switch (mode_) {
    case Mode::Command:
        return QStringLiteral("-");
    case Mode::Register:
        return QStringLiteral(":");
    case Mode::Flags:
        return flagsPrompt_;
    case Mode::Enter:
        return enterPrompt_;
    case Mode::Assemble:
        return place(assemble_.segment, assemble_.offset) + u' ';
    }
    return QStringLiteral("-");
}

DebugConsole::Reply DebugConsole::enter(const QString &line, DebugTarget &target)
{
    switch (mode_) {
    case Mode::Register:
        return answerRegister(line, target);
    case Mode::Flags:
        return answerFlags(line, target);
    case Mode::Enter:
        return answerEnter(line, target);
    case Mode::Assemble:
        return answerAssemble(line, target);
    case Mode::Command:
        break;
    }
    return command(line, target);
}

DebugConsole::Reply DebugConsole::command(const QString &line, DebugTarget &target)
{
    Reply reply;
    const Registers r = target.registers();
    DebugArguments p(line, 0, r);
    if (p.atEnd())
        return reply;
    const int start = p.column();
    const QChar letter = line[start].toUpper();
    DebugArguments args(line, start + 1, r);
    auto error = [&](DebugArguments &q) {
        reply.text = caret(1 + (q.errorAt < 0 ? q.column() : q.errorAt));
        return reply;
    };
    const QByteArray memory = target.memory();
    switch (letter.unicode()) {
    case u'R': {
        if (args.atEnd()) {
            reply.text = registerDisplay(r, memory);
            return reply;
        }
        const QString name = args.word();
        if (name == QLatin1String("F")) {
            if (!args.atEnd())
                return error(args);
            mode_ = Mode::Flags;
            flagsPrompt_ = debugFlagLetters(r.flags) + QStringLiteral(" -");
            return reply;
        }
        for (const auto &[n, reg] : kRegisterNames)
            if (name == QLatin1String(n) || (name == QLatin1String("PC") && reg == Reg::IP)) {
                if (!args.atEnd())
                    return error(args);
                register_ = reg;
                mode_ = Mode::Register;
                reply.text = registerName(reg) + u' ' + hex4(registerValue(r, reg)) + u'\n';
                return reply;
            }
        reply.text = QStringLiteral("BR Error\n");
        return reply;
    }
    case u'D': {
        DebugRange range;
        if (!dump_.set)
            dump_ = {true, r.ds, 0x100};
        if (args.atEnd()) {
            range.from = {dump_.segment, dump_.offset};
            range.count = 0x80;
        } else if (!args.range(&range, r.ds, 0x80) || !args.end()) {
            return error(args);
        }
        reply.text = dumpLines(memory, range);
        dump_ = {true, range.from.segment, quint16(range.from.offset + range.count)};
        return reply;
    }
    case u'E': {
        DebugAddress a;
        if (!args.address(&a, r.ds))
            return error(args);
        if (args.atEnd()) {
            // The byte there, and the new ones typed after it.
            mode_ = Mode::Enter;
            enter_ = {true, a.segment, a.offset};
            enterPrompt_ = place(a.segment, a.offset) + QStringLiteral("  ") +
                           hex2(byteAt(memory, a.linear())) + u'.';
            return reply;
        }
        QByteArray bytes;
        if (!args.list(&bytes))
            return error(args);
        target.write(a.linear(), bytes);
        return reply;
    }
    case u'F': {
        DebugRange range;
        QByteArray pattern;
        if (!args.range(&range, r.ds, 0) || !args.list(&pattern))
            return error(args);
        QByteArray bytes;
        while (quint32(bytes.size()) < range.count)
            bytes += pattern;
        target.write(range.from.linear(), bytes.left(range.count));
        return reply;
    }
    case u'U': {
        DebugRange range;
        if (!unassemble_.set)
            unassemble_ = {true, r.cs, r.ip};
        if (args.atEnd()) {
            range.from = {unassemble_.segment, unassemble_.offset};
            range.count = 0x20;
        } else if (!args.range(&range, r.cs, 0x20) || !args.end()) {
            return error(args);
        }
        quint32 done = 0;
        quint16 offset = range.from.offset;
        bool prefix = false;
        // A prefix is shown as a line of its own but goes with its instruction.
        while (done < range.count || prefix) {
            const DebugInstruction i = unassembleForDebug(memory, range.from.segment, offset);
            reply.text += debugUnassemblyLine(range.from.segment, offset, i) + u'\n';
            done += quint32(i.bytes.size());
            offset = quint16(offset + i.bytes.size());
            prefix = isPrefix(i);
        }
        unassemble_ = {true, range.from.segment, offset};
        return reply;
    }
    case u'A': {
        DebugAddress a;
        if (!assemble_.set)
            assemble_ = {true, r.cs, r.ip};
        a = {assemble_.segment, assemble_.offset};
        if (!args.atEnd() && (!args.address(&a, r.cs) || !args.end()))
            return error(args);
        assemble_ = {true, a.segment, a.offset};
        mode_ = Mode::Assemble;
        return reply;
    }
    case u'H': {
        quint16 a = 0, b = 0;
        if (!args.number(&a) || !args.number(&b) || !args.end())
            return error(args);
        reply.text = hex4(a + b) + QStringLiteral("  ") + hex4(a - b) + u'\n';
        return reply;
    }
    case u'S': {
        DebugRange range;
        QByteArray wanted;
        if (!args.range(&range, r.ds, 0) || !args.list(&wanted))
            return error(args);
        for (quint32 i = 0; i + quint32(wanted.size()) <= range.count; ++i) {
            const quint16 offset = quint16(range.from.offset + i);
            bool same = true;
            for (int k = 0; k < wanted.size() && same; ++k)
                same = byteAt(memory, linear(range.from.segment, quint16(offset + k))) ==
                       quint8(wanted[k]);
            if (same)
                reply.text += place(range.from.segment, offset) + u'\n';
        }
        return reply;
    }
    case u'C':
    case u'M': {
        DebugRange range;
        DebugAddress to;
        if (!args.range(&range, r.ds, 0) || !args.address(&to, r.ds) || !args.end())
            return error(args);
        if (letter == u'M') {
            QByteArray bytes;
            for (quint32 i = 0; i < range.count; ++i)
                bytes += char(byteAt(memory, linear(range.from.segment,
                                                    quint16(range.from.offset + i))));
            target.write(to.linear(), bytes);
            return reply;
        }
        for (quint32 i = 0; i < range.count; ++i) {
            const quint16 a = quint16(range.from.offset + i), b = quint16(to.offset + i);
            const quint8 x = byteAt(memory, linear(range.from.segment, a));
            const quint8 y = byteAt(memory, linear(to.segment, b));
            if (x != y)
                reply.text += place(range.from.segment, a) + QStringLiteral("  ") + hex2(x) +
                              QStringLiteral("  ") + hex2(y) + QStringLiteral("  ") +
                              place(to.segment, b) + u'\n';
        }
        return reply;
    }
    case u'I':
    case u'O': {
        quint16 port = 0, value = 0;
        if (!args.number(&port) || (letter == u'O' && !args.number(&value, 2)) || !args.end())
            return error(args);
        if (letter == u'O') {
            if (!target.portOut(port, quint8(value)))
                reply.text = QStringLiteral("端口 %1 没有设备。\n").arg(hex4(port));
            return reply;
        }
        const std::optional<quint8> v = target.portIn(port);
        reply.text = v ? hex2(*v) + u'\n' : QStringLiteral("端口 %1 没有设备。\n").arg(hex4(port));
        return reply;
    }
    case u'T':
    case u'P':
    case u'G': {
        DebugRun run;
        run.kind = letter == u'T' ? DebugRun::Trace : letter == u'P' ? DebugRun::Proceed
                                                                     : DebugRun::Go;
        if (args.take(u'=')) {
            DebugAddress a;
            if (!args.address(&a, r.cs))
                return error(args);
            run.start = std::make_pair(a.segment, a.offset);
        }
        if (run.kind == DebugRun::Go) {
            while (!args.atEnd()) {
                DebugAddress a;
                if (!args.address(&a, r.cs) || run.stops.size() == 10)
                    return error(args);
                run.stops << a.linear();
            }
        } else if (!args.atEnd()) {
            quint16 count = 0;
            if (!args.number(&count) || count == 0 || !args.end())
                return error(args);
            run.count = count;
        }
        reply.run = run;
        return reply;
    }
    case u'Q':
        if (!args.end())
            return error(args);
        reply.run.kind = DebugRun::Quit;
        return reply;
    case u'?':
        reply.text = QStringLiteral(
            "R [寄存器]  显示或修改寄存器      D [范围]      显示内存\n"
            "E 地址 [列表] 修改内存            F 范围 列表   填充内存\n"
            "U [范围]    反汇编                A [地址]      汇编（十六进制数）\n"
            "T [=地址] [次数] 单步             P [=地址] [次数] 单步（越过调用）\n"
            "G [=地址] [断点...] 运行          H 数 数       十六进制加减\n"
            "S 范围 列表 查找                  C 范围 地址   比较\n"
            "M 范围 地址 复制                  I 端口 / O 端口 字节  读写端口\n"
            "Q 停止调试      （数都是十六进制，范围：地址 L 长度 或 地址 结束偏移）\n");
        return reply;
    default:
        p.errorAt = start;
        return error(p);
    }
}

DebugConsole::Reply DebugConsole::answerRegister(const QString &line, DebugTarget &target)
{
    mode_ = Mode::Command;
    Reply reply;
    Registers r = target.registers();
    DebugArguments p(line, 0, r);
    if (p.atEnd())
        return reply;
    quint16 v = 0;
    if (!p.number(&v) || !p.end()) {
        reply.text = caret(1 + p.errorAt);
        return reply;
    }
    *field(r, registerName(register_)) = v;
    target.setRegisters(r);
    return reply;
}

DebugConsole::Reply DebugConsole::answerFlags(const QString &line, DebugTarget &target)
{
    mode_ = Mode::Command;
    Reply reply;
    Registers r = target.registers();
    DebugArguments p(line, 0, r);
    quint16 flags = r.flags;
    while (!p.atEnd()) {
        quint16 bit = 0;
        bool on = false;
        if (!isFlagWord(p.word(), &bit, &on)) {
            reply.text = QStringLiteral("BF Error\n");
            return reply;
        }
        flags = on ? quint16(flags | bit) : quint16(flags & ~bit);
    }
    r.flags = flags;
    target.setRegisters(r);
    return reply;
}

DebugConsole::Reply DebugConsole::answerEnter(const QString &line, DebugTarget &target)
{
    mode_ = Mode::Command;
    Reply reply;
    DebugArguments p(line, 0, target.registers());
    QByteArray bytes;
    if (!p.atEnd() && !p.list(&bytes)) {
        reply.text = caret(int(enterPrompt_.size()) + p.errorAt);
        return reply;
    }
    if (!bytes.isEmpty())
        target.write(linear(enter_.segment, enter_.offset), bytes);
    return reply;
}

DebugConsole::Reply DebugConsole::answerAssemble(const QString &line, DebugTarget &target)
{
    Reply reply;
    if (line.trimmed().isEmpty()) {
        mode_ = Mode::Command;
        return reply;
    }
    const AssembledLine a = assembleLine(line, assemble_.segment, assemble_.offset);
    if (!a.error.isEmpty()) {
        int indent = 0;
        while (indent < line.size() && line[indent].isSpace())
            ++indent;
        reply.text = QString(10 + indent, u' ') + QStringLiteral("^ Error（") + a.error +
                     QStringLiteral("）\n");
        return reply;
    }
    target.write(linear(assemble_.segment, assemble_.offset), a.bytes);
    assemble_.offset = quint16(assemble_.offset + a.bytes.size());
    return reply;
}
