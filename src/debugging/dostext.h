#pragma once

#include <QByteArrayView>
#include <QFont>
#include <QString>

// How the bytes a DOS program leaves in memory read to a Chinese user: a
// GBK lead and trail byte side by side are one Chinese character.
namespace DosText {

// The Chinese character a lead and a trail byte form, or a null QChar when
// they form none (user-defined GBK codes have no glyph and count as none).
QChar gbkCharacter(quint8 lead, quint8 trail);

// A byte on its own as the PC's character set draws it (box drawing and
// all); a null QChar for control bytes and where the set is unknown.
QChar pcCharacter(quint8 byte);

// A byte on the screen as the PC's code page 437 draws it: the symbols of
// the control bytes (☺ ♥ ▲ →) and the house of 7Fh included; 00h and FFh
// are blank.
QChar cp437Character(quint8 byte);

// One row of bytes as text, a GBK pair as its Chinese character; bytes that
// are no text become the given stand-in ('.' for memory, ' ' for a screen).
QString rowText(QByteArrayView bytes, QChar standIn, bool pcCharacters);

// A fixed-pitch face that falls back to a CJK one for Chinese.
QFont fixedFont(int pointSize = 10);

} // namespace DosText
