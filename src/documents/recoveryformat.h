#pragma once

#include "platform/codepage.h"

#include <QByteArray>
#include <QString>
#include <variant>

// One recovery copy's bytes: the document's caption, how its file is written
// and its text.
struct RecoveredText
{
    QString caption;
    TextEncoding encoding;
    QString text;
};

// Why a copy's bytes do not read back as a document.
enum class CopyDamage {
    Truncated, // the program's copy, cut short
    Unknown,   // not a copy this program wrote
};

QByteArray encodeRecoveryCopy(const RecoveredText &copy);
std::variant<RecoveredText, CopyDamage> decodeRecoveryCopy(const QByteArray &bytes);
