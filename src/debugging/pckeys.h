#pragma once

#include <QList>
#include <QString>

class QKeyEvent;

// What the PC BIOS keyboard gives a program for a key press: scan code in
// the high byte, character in the low (0 for keys without one).
namespace PcKeys {

// The keys of a key press; Chinese text becomes its GBK bytes, one key each
// with scan code 0, as a Chinese DOS input method delivers them. Empty for a
// key a program cannot read (Shift alone, a media key). The grey arrow and
// editing keys carry E0h as their character, the keypad's 00h.
QList<quint16> fromKeyEvent(const QKeyEvent &event);
QList<quint16> fromText(const QString &text);
// Text as typed: "\n" is the Enter key.
QList<quint16> fromTyped(const QString &text);

} // namespace PcKeys
