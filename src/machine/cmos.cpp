#include "machine/cmos.h"

#include "machine/pit.h"

#include <QTimeZone>

namespace {

quint8 bcd(int v)
{
    return quint8((v / 10) << 4 | (v % 10));
}

int fromBcd(quint8 v)
{
    return (v >> 4) * 10 + (v & 15);
}

} // namespace

void Cmos::start(const QDateTime &start)
{
    start_ = start;
    shift_ = 0;
    index_ = 0;
    ram_.fill(0);
    ram_[0x0A] = 0x26; // 32,768 Hz time base, 1,024 Hz periodic rate
    ram_[0x0B] = 0x02; // 24-hour, BCD, no interrupts
    ram_[0x0D] = 0x80; // the battery is good
    ram_[0x10] = 0x40; // a 1.44 MB floppy as A:
    ram_[0x14] = 0x05; // a floppy, a coprocessor slot, VGA
    ram_[0x15] = 0x80; // 640 KB of base memory
    ram_[0x16] = 0x02;
}

QDateTime Cmos::dateTime(qint64 now) const
{
    return start_.addMSecs(now * 1000 / Pit::hz + shift_ * 1000);
}

quint8 Cmos::read(int reg, qint64 now) const
{
    const QDateTime t = dateTime(now);
    // Status B's bit 2 asks for binary instead of BCD.
    const auto bcd = [this](int v) { return (ram_[0x0B] & 4) ? quint8(v) : ::bcd(v); };
    switch (reg) {
    case 0x00:
        return bcd(t.time().second());
    case 0x02:
        return bcd(t.time().minute());
    case 0x04:
        return bcd(t.time().hour());
    case 0x06:
        return bcd(t.date().dayOfWeek() % 7 + 1); // Sunday is 1
    case 0x07:
        return bcd(t.date().day());
    case 0x08:
        return bcd(t.date().month());
    case 0x09:
        return bcd(t.date().year() % 100);
    case 0x32:
        return bcd(t.date().year() / 100);
    case 0x0A: {
        // An update is in progress for the last 2 ms of each second, so a
        // program that waits for it to pass, or to come, sees both.
        const bool updating = t.time().msec() >= 998;
        return quint8(ram_[0x0A] | (updating ? 0x80 : 0));
    }
    case 0x0C:
    case 0x0D:
    default:
        return ram_[reg];
    }
}

void Cmos::writeTime(int reg, quint8 value, qint64 now)
{
    const QDateTime t = dateTime(now);
    QDate d = t.date();
    QTime time = t.time();
    const int v = (ram_[0x0B] & 4) ? value : fromBcd(value);
    switch (reg) {
    case 0x00:
        time.setHMS(time.hour(), time.minute(), v);
        break;
    case 0x02:
        time.setHMS(time.hour(), v, time.second());
        break;
    case 0x04:
        time.setHMS(v, time.minute(), time.second());
        break;
    case 0x07:
        d.setDate(d.year(), d.month(), v);
        break;
    case 0x08:
        d.setDate(d.year(), v, d.day());
        break;
    case 0x09:
        d.setDate(d.year() / 100 * 100 + v, d.month(), d.day());
        break;
    default:
        break;
    }
    // A value that makes no date is refused, as setting it on the chip
    // would leave nonsense the BIOS then corrects.
    if (!d.isValid() || !time.isValid())
        return;
    shift_ += t.secsTo(QDateTime(d, time, t.timeZone()));
}

quint8 Cmos::in(quint16 port, qint64 now) const
{
    if (port == 0x70)
        return 0xFF; // the index port is write-only
    return read(index_, now);
}

void Cmos::out(quint16 port, quint8 value, qint64 now)
{
    if (port == 0x70) {
        index_ = value & 0x7F; // bit 7 masks the NMI
        return;
    }
    switch (index_) {
    case 0x00:
    case 0x02:
    case 0x04:
    case 0x07:
    case 0x08:
    case 0x09:
        return writeTime(index_, value, now);
    case 0x0A:
        ram_[0x0A] = value & 0x7F;
        return;
    case 0x0C:
    case 0x0D:
        return; // read-only
    default:
        ram_[index_] = value;
    }
}
