#pragma once

#include "machine/cpu.h"

#include <QString>
#include <array>

// The words of DEBUG's command lines: hexadecimal numbers, addresses with
// or without their segment (a number or CS:, DS:, ES:, SS:), ranges and lists.

struct DebugAddress
{
    quint16 segment = 0, offset = 0;
    quint32 linear() const { return ::linear(segment, offset); }
};

struct DebugRange
{
    DebugAddress from;
    quint32 count = 0; // bytes, 1 to 10000h
};

// The words of a command line, read left to right; where one is wrong,
// errorAt is its column.
class DebugArguments
{
public:
    DebugArguments(const QString &line, int from, const Registers &registers)
        : s_(line), at_(from), r_(registers)
    {
    }
    int errorAt = -1;

    bool atEnd()
    {
        skip();
        return at_ >= s_.size();
    }
    int column() const { return at_; }
    bool fail()
    {
        if (errorAt < 0)
            errorAt = int(std::min<qsizetype>(at_, s_.size()));
        return false;
    }
    // Ends the line: anything more is an error.
    bool end() { return atEnd() || fail(); }
    bool take(QChar c)
    {
        skip();
        if (at_ < s_.size() && s_[at_].toUpper() == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool number(quint16 *value, int digits = 4)
    {
        skip();
        int n = 0;
        quint32 v = 0;
        while (at_ + n < s_.size() && isHex(s_[at_ + n])) {
            v = v * 16 + quint32(QString(s_[at_ + n]).toUInt(nullptr, 16));
            ++n;
        }
        if (n == 0 || n > digits)
            return fail();
        at_ += n;
        *value = quint16(v);
        return true;
    }
    bool address(DebugAddress *a, quint16 defaultSegment)
    {
        skip();
        a->segment = defaultSegment;
        static const std::array<std::pair<const char *, Reg>, 4> names{
            {{"CS", Reg::CS}, {"DS", Reg::DS}, {"ES", Reg::ES}, {"SS", Reg::SS}}};
        for (const auto &[name, reg] : names)
            if (s_.mid(at_, 3).toUpper() == QLatin1String(name) + u':') {
                a->segment = segmentValue(reg);
                at_ += 3;
                return number(&a->offset);
            }
        quint16 first = 0;
        if (!number(&first))
            return false;
        if (at_ < s_.size() && s_[at_] == u':') {
            ++at_;
            a->segment = first;
            return number(&a->offset);
        }
        a->offset = first;
        return true;
    }
    // "address L length" or "address end" (in the same segment); without
    // either, the default length.
    bool range(DebugRange *r, quint16 defaultSegment, quint32 defaultCount, bool required = true)
    {
        if (!address(&r->from, defaultSegment))
            return false;
        r->count = defaultCount;
        if (take(u'L')) {
            quint16 n = 0;
            if (!number(&n))
                return false;
            r->count = n == 0 ? 0x10000 : n;
            return true;
        }
        skip();
        if (at_ < s_.size() && isHex(s_[at_])) {
            quint16 last = 0;
            const int before = at_;
            if (!number(&last))
                return false;
            if (last < r->from.offset) {
                at_ = before;
                return fail();
            }
            r->count = quint32(last - r->from.offset) + 1;
            return true;
        }
        return !required || defaultCount != 0 || fail();
    }
    // Bytes and quoted strings, at least one.
    bool list(QByteArray *bytes)
    {
        while (!atEnd()) {
            const QChar c = s_[at_];
            if (c == u'"' || c == u'\'') {
                const qsizetype close = s_.indexOf(c, at_ + 1);
                if (close < 0)
                    return fail();
                bytes->append(s_.mid(at_ + 1, close - at_ - 1).toLatin1());
                at_ = int(close + 1);
                continue;
            }
            quint16 b = 0;
            if (!number(&b, 2))
                return false;
            bytes->append(char(b));
        }
        return !bytes->isEmpty() || fail();
    }
    QString word()
    {
        skip();
        int n = 0;
        while (at_ + n < s_.size() && s_[at_ + n].isLetter())
            ++n;
        const QString w = s_.mid(at_, n).toUpper();
        at_ += n;
        return w;
    }
    quint16 segmentValue(Reg reg) const
    {
        return reg == Reg::CS ? r_.cs : reg == Reg::ES ? r_.es : reg == Reg::SS ? r_.ss : r_.ds;
    }

private:
    static bool isHex(QChar c)
    {
        return (c >= u'0' && c <= u'9') || (c.toUpper() >= u'A' && c.toUpper() <= u'F');
    }
    void skip()
    {
        while (at_ < s_.size() && (s_[at_] == u' ' || s_[at_] == u',' || s_[at_] == u'\t'))
            ++at_;
    }
    const QString &s_;
    int at_;
    const Registers &r_;
};
