#include "machine/keyboardcontroller.h"

namespace {

// The BIOS gives F11 and F12 scan codes of its own; the keys send these.
quint8 hardwareCode(quint8 scan)
{
    switch (scan) {
    case 0x85:
        return 0x57;
    case 0x86:
        return 0x58;
    default:
        return scan <= 0x58 ? scan : 0;
    }
}

} // namespace

void KeyboardController::clear()
{
    typed_.clear();
    bytes_.clear();
    full_ = false;
    out_ = 0;
    outKey_ = 0;
    enabled_ = true;
    pending_ = 0;
}

bool KeyboardController::takeWhole(quint16 *key)
{
    if (!bytes_.isEmpty() || typed_.isEmpty())
        return false;
    *key = typed_.dequeue();
    return true;
}

bool KeyboardController::takeCodeless(quint16 *key)
{
    if (!bytes_.isEmpty() || typed_.isEmpty() || hardwareCode(quint8(typed_.head() >> 8)) != 0)
        return false;
    *key = typed_.dequeue();
    return true;
}

void KeyboardController::queueCodes(quint16 key)
{
    const quint8 code = hardwareCode(quint8(key >> 8));
    // A grey key's codes come after an E0h of their own.
    const bool grey = (key & 0xFF) == 0xE0;
    if (grey)
        bytes_.enqueue({0xE0, 0});
    bytes_.enqueue({code, key});
    if (grey)
        bytes_.enqueue({0xE0, 0});
    bytes_.enqueue({quint8(code | 0x80), 0});
}

bool KeyboardController::loadNext()
{
    if (full_ || !enabled_)
        return false;
    if (bytes_.isEmpty()) {
        if (typed_.isEmpty() || hardwareCode(quint8(typed_.head() >> 8)) == 0)
            return false;
        queueCodes(typed_.dequeue());
    }
    const Byte b = bytes_.dequeue();
    out_ = b.code;
    outKey_ = b.key;
    full_ = true;
    return true;
}

quint8 KeyboardController::in(quint16 port)
{
    if (port == 0x64)
        return quint8(0x14 | (full_ ? 1 : 0)); // self-test passed, not inhibited
    // Reading does not take the byte from the keyboard's side again: the
    // buffer is free for the next one, and a second read sees the same.
    full_ = false;
    return out_;
}

void KeyboardController::out(quint16 port, quint8 value)
{
    if (port == 0x64) {
        switch (value) {
        case 0xAD:
            enabled_ = false;
            return;
        case 0xAE:
            enabled_ = true;
            return;
        case 0x20:
            bytes_.prepend({commandByte_, 0});
            return;
        case 0x60:
        case 0xD1:
            pending_ = value;
            return;
        default:
            return;
        }
    }
    if (pending_ == 0x60) {
        commandByte_ = value;
    } else if (pending_ == 0) {
        // A command to the keyboard itself (its lights, its rate): it
        // acknowledges.
        bytes_.prepend({0xFA, 0});
    }
    pending_ = 0;
}
