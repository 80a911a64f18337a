#include "debugging/stepback.h"

namespace {

// The BIOS's interrupt routines that ran just before a position: the
// interrupt was taken there, and the program stood at the position before
// it was. Going back goes to before the interrupt.
quint64 beforeInterrupt(const Machine &m, quint64 p)
{
    const auto bios = [&m](quint64 q) { return m.recordedAddress(q) >= 0xF0000; };
    if (bios(p))
        return p;
    while (p > m.recordStart() && bios(p - 1))
        --p;
    return p;
}

} // namespace

quint64 lineBefore(const Machine &m, const SourceMap &map)
{
    const quint64 start = m.recordStart(), end = m.recordEnd();
    if (end <= start)
        return end;
    if (!map.lineAt(linear(m.reg(Reg::CS), m.reg(Reg::IP))).valid())
        return end - 1;
    // The last instruction run that has a line.
    quint64 p = end;
    SourceLine line;
    while (p > start && !line.valid()) {
        --p;
        if (!m.recordedRepeat(p))
            line = map.lineAt(m.recordedAddress(p));
    }
    if (!line.valid())
        return start;
    // Its run began at its first instruction, or after another line.
    const quint32 first = map.firstAddress(line);
    quint64 begin = p;
    for (quint64 q = p;; --q) {
        if (m.recordedRepeat(q))
            continue;
        const SourceLine l = map.lineAt(m.recordedAddress(q));
        if (l.valid() && l != line)
            return beforeInterrupt(m, begin);
        if (l.valid())
            begin = q;
        if (m.recordedAddress(q) == first || q == start)
            return beforeInterrupt(m, begin);
    }
}

quint64 instructionBefore(const Machine &m)
{
    const quint64 start = m.recordStart(), end = m.recordEnd();
    if (end <= start)
        return end;
    quint64 p = end - 1;
    if (linear(m.reg(Reg::CS), m.reg(Reg::IP)) < 0xF0000)
        while (p > start && m.recordedAddress(p) >= 0xF0000)
            --p;
    return p;
}

quint64 breakpointBefore(const Machine &m, const QSet<quint32> &breakpoints, bool *found)
{
    *found = false;
    const quint64 start = m.recordStart();
    if (breakpoints.isEmpty())
        return start;
    for (quint64 p = m.recordEnd(); p > start;) {
        --p;
        if (!m.recordedRepeat(p) && breakpoints.contains(m.recordedAddress(p))) {
            *found = true;
            return beforeInterrupt(m, p);
        }
    }
    return start;
}
