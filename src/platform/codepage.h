#pragma once

#include <QByteArray>
#include <QString>

// How a source file's bytes become text and back.
struct TextEncoding
{
    QString name; // "UTF-8" or a code page the toolkit knows, e.g. "GB18030"
    bool byteOrderMark = false;
    friend bool operator==(const TextEncoding &, const TextEncoding &) = default;
};

namespace Codepage {

// The ANSI code page: the system's on Windows; GB18030 elsewhere, the superset
// of code page 936 that the users' files are written in.
TextEncoding ansi();
// What a new document is written in: UTF-8 without a mark on Linux, the ANSI
// code page on Windows.
TextEncoding forNewDocuments();

struct Decoded
{
    QString text;
    TextEncoding encoding;
};
// Valid UTF-8 (with or without a byte-order mark) is read as UTF-8, anything
// else in the ANSI code page.
Decoded decode(const QByteArray &bytes);

// Encodes text; *ok is false when the encoding cannot hold every character.
QByteArray encode(const QString &text, const TextEncoding &encoding, bool *ok = nullptr);

} // namespace Codepage
