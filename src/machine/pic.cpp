#include "machine/pic.h"

int Pic::pending() const
{
    for (int irq = 0; irq < 8; ++irq) {
        const quint8 bit = quint8(1 << irq);
        if (isr_ & bit)
            return -1; // everything below waits for this one's end
        if ((irr_ & bit) && !(imr_ & bit))
            return irq;
    }
    return -1;
}

int Pic::acknowledge(int irq)
{
    const quint8 bit = quint8(1 << irq);
    irr_ &= quint8(~bit);
    isr_ |= bit;
    return base_ + irq;
}

quint8 Pic::in(quint16 port) const
{
    if (port & 1)
        return imr_;
    return readInService_ ? isr_ : irr_;
}

void Pic::out(quint16 port, quint8 value)
{
    if (port & 1) {
        if (initStep_ == 2) {
            base_ = value & 0xF8;
            initStep_ = single_ ? (needIcw4_ ? 4 : 0) : 3;
        } else if (initStep_ == 3) {
            // ICW3 on a PC/AT master names its slave; nothing follows on a
            // single controller, but the words are taken in order.
            initStep_ = needIcw4_ ? 4 : 0;
        } else if (initStep_ == 4) {
            initStep_ = 0;
        } else {
            imr_ = value;
        }
        return;
    }
    if (value & 0x10) { // ICW1: start again
        initStep_ = 2;
        needIcw4_ = value & 1;
        single_ = value & 2;
        imr_ = 0;
        isr_ = 0;
        irr_ = 0;
        return;
    }
    if (value & 0x08) { // OCW3
        if ((value & 0x02) != 0)
            readInService_ = value & 1;
        return;
    }
    endOfInterrupt(value); // OCW2
}

void Pic::endOfInterrupt(quint8 value)
{
    switch (value & 0xE0) {
    case 0x20: // the highest in service ends
    case 0xA0:
        for (int irq = 0; irq < 8; ++irq)
            if (isr_ & (1 << irq)) {
                isr_ &= quint8(~(1 << irq));
                return;
            }
        return;
    case 0x60: // the named one ends
    case 0xE0:
        isr_ &= quint8(~(1 << (value & 7)));
        return;
    default:
        return;
    }
}
