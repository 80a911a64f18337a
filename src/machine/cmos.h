#pragma once

#include <QDateTime>
#include <array>

// The AT's clock chip (ports 70h and 71h): the time and the date in BCD,
// 24-hour, read from the host's clock as it stands when the machine starts
// plus the machine's own time since; status registers A-D; the century at
// 32h; the rest of its 128 bytes as a program leaves them.
class Cmos
{
public:
    // The clock reads `start` at machine time 0 (in the timer's clocks).
    void start(const QDateTime &start);
    quint8 in(quint16 port, qint64 now) const;
    void out(quint16 port, quint8 value, qint64 now);

    // What the clock says at that machine time.
    QDateTime dateTime(qint64 now) const;
    quint8 index() const { return index_; }

private:
    quint8 read(int reg, qint64 now) const;
    void writeTime(int reg, quint8 value, qint64 now);

    QDateTime start_;
    // Seconds a program moved the clock by, writing its registers.
    qint64 shift_ = 0;
    quint8 index_ = 0;
    std::array<quint8, 128> ram_{};
};
