#include "machine/pit.h"

#include <algorithm>

quint16 Pit::count(int channel, qint64 now) const
{
    const Channel &c = ch_[channel];
    if (!c.armed || !c.gate)
        return quint16(c.period);
    const qint64 elapsed = std::max<qint64>(0, now - c.start);
    switch (c.mode) {
    case 2:
        return quint16(c.period - elapsed % c.period);
    case 3: {
        // Counts down by two, twice a period.
        const qint64 half = std::max<qint64>(1, c.period / 2);
        return quint16(c.period - 2 * (elapsed % half));
    }
    default: // 0, 1, 4, 5: once down, then on from FFFFh
        return quint16(qint64(c.period) - elapsed);
    }
}

bool Pit::output(int channel, qint64 now) const
{
    const Channel &c = ch_[channel];
    if (!c.armed)
        return c.mode != 0;
    if (!c.gate)
        return c.mode != 0;
    const qint64 elapsed = std::max<qint64>(0, now - c.start);
    switch (c.mode) {
    case 2:
        return elapsed % c.period != c.period - 1;
    case 3:
        return elapsed % c.period < (c.period + 1) / 2;
    default:
        return elapsed >= c.period;
    }
}

qint64 Pit::nextIrq0(qint64 after) const
{
    const Channel &c = ch_[0];
    if (!c.armed)
        return -1;
    if (c.mode == 2 || c.mode == 3) {
        const qint64 k = after < c.start ? 1 : (after - c.start) / c.period + 1;
        return c.start + k * c.period;
    }
    const qint64 once = c.start + c.period;
    return once > after ? once : -1;
}

qint64 Pit::lastIrq0(qint64 now) const
{
    const Channel &c = ch_[0];
    if (!c.armed || now < c.start + c.period)
        return -1;
    if (c.mode == 2 || c.mode == 3)
        return c.start + (now - c.start) / c.period * c.period;
    return c.start + c.period;
}

void Pit::setGate2(bool on, qint64 now)
{
    Channel &c = ch_[2];
    if (on && !c.gate)
        c.start = now; // a rising gate starts the count again
    c.gate = on;
}

void Pit::control(quint8 value, qint64 now)
{
    const int channel = value >> 6;
    if (channel == 3) {
        // The 8254's read-back: latch the counts of the channels named.
        for (int i = 0; i < 3; ++i)
            if (!(value & 0x20) && (value & (2 << i))) {
                ch_[i].latched = true;
                ch_[i].latch = count(i, now);
            }
        return;
    }
    Channel &c = ch_[channel];
    const int access = (value >> 4) & 3;
    if (access == 0) {
        c.latched = true;
        c.latch = count(channel, now);
        return;
    }
    c.access = access;
    c.mode = (value >> 1) & 7;
    if (c.mode > 5)
        c.mode -= 4; // 6 and 7 are 2 and 3
    c.armed = false;
    c.writeHigh = false;
    c.readHigh = false;
    c.latched = false;
}

void Pit::out(quint16 port, quint8 value, qint64 now)
{
    if (port == 0x43)
        return control(value, now);
    Channel &c = ch_[port - 0x40];
    quint16 reload = 0;
    if (c.access == 1) {
        reload = value;
    } else if (c.access == 2) {
        reload = quint16(value << 8);
    } else if (!c.writeHigh) {
        c.lowWritten = value;
        c.writeHigh = true;
        return;
    } else {
        reload = quint16(value << 8 | c.lowWritten);
        c.writeHigh = false;
    }
    c.period = reload ? reload : 65536;
    if (c.mode == 3 && c.period == 1)
        c.period = 2; // a square wave needs two clocks at least
    c.start = now;
    c.armed = true;
}

quint8 Pit::readByte(Channel &c, quint16 value)
{
    if (c.access == 1)
        return quint8(value);
    if (c.access == 2)
        return quint8(value >> 8);
    const bool high = c.readHigh;
    c.readHigh = !c.readHigh;
    return quint8(high ? value >> 8 : value);
}

quint8 Pit::in(quint16 port, qint64 now)
{
    if (port == 0x43)
        return 0xFF; // the control register cannot be read
    const int channel = port - 0x40;
    Channel &c = ch_[channel];
    if (!c.latched)
        return readByte(c, count(channel, now));
    const quint8 b = readByte(c, c.latch);
    // A latch holds until all of it has been read.
    if (c.access != 3 || !c.readHigh)
        c.latched = false;
    return b;
}
