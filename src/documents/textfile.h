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

// Writes text plus one CR LF to path in the given encoding, atomically: a
// write that fails part-way leaves the previous file as it was. When the
// encoding cannot hold every character the file is written in UTF-8 instead,
// encoding is changed to say so, and a message tells the user. False when the
// file could not be written.
bool writeTextFile(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &text,
                   TextEncoding &encoding);

// Reads a source file: its text with CR LF line breaks, and the encoding it
// was in. Nothing when the file cannot be read.
std::optional<Codepage::Decoded> readTextFile(const QString &path);
