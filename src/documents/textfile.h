#pragma once

#include "platform/codepage.h"
#include "platform/dialogs.h"

#include <QString>
#include <optional>

class QWidget;

// The filter of every dialog that opens or saves a source file.
inline QString sourceFileFilter()
{
    return QStringLiteral("汇编源程序(*.asm)|*.asm|文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*");
}

// Writes text plus one line break (none when addLineBreak is false) to path in the given encoding
// (see writeUserFile for how the file is replaced). When the encoding cannot hold every character
// the file is written in UTF-8 instead, encoding is changed to say so, and a message tells the
// user. A write that fails is told in a message naming the file and the reason; the result is then
// false.
bool writeTextFile(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &text,
                   TextEncoding &encoding, bool addLineBreak = true);

// Reads a file: its text with CR LF line breaks, the encoding it was in and
// the lines whose breaks were of another kind.
// Nothing when the file cannot be read; *refused is set when the name is not
// a regular file.
std::optional<Codepage::Decoded> readTextFile(const QString &path, bool *refused = nullptr);
