#pragma once

#include <QtGlobal>
#include <array>

// The 8253/8254 timer (ports 40h-43h). Time is counted in the chip's own
// input clocks, 1,193,182 a second, from when the machine was loaded.
// Channel 0 raises IRQ0, channel 1 refreshes memory, channel 2 drives the
// speaker through the gate in port 61h.
class Pit
{
public:
    static constexpr qint64 hz = 1193182;

    quint8 in(quint16 port, qint64 now);
    void out(quint16 port, quint8 value, qint64 now);

    // The first clock after `after` at which channel 0's output rises and
    // IRQ0 is raised; -1 when it will not (a one-shot that has fired).
    qint64 nextIrq0(qint64 after) const;
    // The last clock at or before `now` at which IRQ0 was raised; -1 for
    // none since the count was written.
    qint64 lastIrq0(qint64 now) const;
    // Clocks between two of channel 0's interrupts.
    qint64 period(int channel) const { return ch_[channel].period; }
    int mode(int channel) const { return ch_[channel].mode; }
    // The count as a read would see it now.
    quint16 count(int channel, qint64 now) const;
    bool output(int channel, qint64 now) const;
    // Channel 2's gate, bit 0 of port 61h.
    void setGate2(bool on, qint64 now);
    bool gate2() const { return ch_[2].gate; }

private:
    struct Channel
    {
        int mode = 3;
        int access = 3; // 1 low byte, 2 high byte, 3 low then high
        quint32 period = 65536;
        qint64 start = 0;
        bool armed = true; // a count has been written since the mode
        bool gate = true;
        bool writeHigh = false, readHigh = false;
        quint8 lowWritten = 0;
        bool latched = false;
        quint16 latch = 0;
    };
    void control(quint8 value, qint64 now);
    quint8 readByte(Channel &c, quint16 value);

    std::array<Channel, 3> ch_ = [] {
        std::array<Channel, 3> c;
        c[1].mode = 2;
        c[1].period = 18; // memory refresh, as the BIOS sets it
        c[2].period = 0x0533; // the BIOS's beep, 896 Hz
        c[2].gate = false;
        return c;
    }();
};
