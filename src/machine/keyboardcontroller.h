#pragma once

#include <QQueue>
#include <QtGlobal>

// The keyboard and its controller (ports 60h and 64h). A key typed becomes
// its make code and then its break code, one byte at a time in the output
// buffer, each raising IRQ1; the BIOS's INT 9 turns a make code into the
// key word it puts in the BIOS buffer. Keys without a scan code (the bytes
// of Chinese text from an input method) have no codes to send and go to the
// BIOS buffer as they are.
class KeyboardController
{
public:
    // Scan code in the high byte, character in the low.
    void type(quint16 key) { typed_.enqueue(key); }
    bool typing() const { return !typed_.isEmpty() || !bytes_.isEmpty(); }
    // A key's codes are on their way through port 60h.
    bool sending() const { return !bytes_.isEmpty(); }
    // The next key typed, whole, for when the BIOS's own INT 9 would take
    // it anyway; the controller is then bypassed.
    bool takeWhole(quint16 *key);
    // Puts the next byte into the empty output buffer; true when it did, and
    // IRQ1 is to be raised.
    bool loadNext();
    // A key without scan code waits at the front: it goes to the BIOS buffer
    // itself, with no interrupt.
    bool takeCodeless(quint16 *key);

    quint8 in(quint16 port);
    void out(quint16 port, quint8 value);

    bool outputFull() const { return full_; }
    quint8 output() const { return out_; }
    // The key word belonging to the make code in the output buffer; 0 for a
    // break code or a reply.
    quint16 outputKey() const { return outKey_; }
    void clear();

private:
    struct Byte
    {
        quint8 code;
        quint16 key;
    };
    void queueCodes(quint16 key);

    QQueue<quint16> typed_;
    QQueue<Byte> bytes_;
    quint8 out_ = 0;
    quint16 outKey_ = 0;
    bool full_ = false;
    bool enabled_ = true;
    quint8 commandByte_ = 0x45;
    // A command written to 64h that takes a byte on 60h next.
    quint8 pending_ = 0;
};
