#pragma once

#include <QtGlobal>

// The 8259 interrupt controller of a PC (ports 20h and 21h): eight request
// lines, IRQ0 the highest priority, their vectors from 08h.
class Pic
{
public:
    // An edge on the line: the request waits until the CPU takes it. A
    // request already waiting is not counted twice.
    void raise(int irq) { irr_ |= quint8(1 << irq); }
    // The line of the highest priority that is requested, not masked and
    // above every request in service; -1 for none.
    int pending() const;
    // The CPU takes the request: it moves to in service. Returns its vector.
    int acknowledge(int irq);
    // A request is waiting, whether or not it can be taken now.
    bool requested() const { return irr_ != 0; }

    quint8 in(quint16 port) const;
    void out(quint16 port, quint8 value);

    quint8 mask() const { return imr_; }
    quint8 requests() const { return irr_; }
    quint8 inService() const { return isr_; }
    int vectorBase() const { return base_; }

private:
    void endOfInterrupt(quint8 value);

    quint8 irr_ = 0, isr_ = 0;
    // As the BIOS leaves it: the timer, the keyboard and the cascade open.
    quint8 imr_ = 0xB8;
    int base_ = 8;
    // OCW3 chooses what a read of port 20h returns.
    bool readInService_ = false;
    // Initialisation words still expected on port 21h after ICW1.
    int initStep_ = 0;
    bool needIcw4_ = false;
    bool single_ = false;
};
