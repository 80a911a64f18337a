#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// How one line of a file ends.
enum class LineBreak { CrLf, Lf, Cr };

// How a source file's bytes become text and back.
struct TextEncoding
{
    QString name; // "UTF-8", "UTF-16LE", "UTF-16BE" or a code page the toolkit knows
    bool byteOrderMark = false;
    // The file breaks its lines with LF alone; the text still uses CR LF.
    bool lfOnly = false;
    friend bool operator==(const TextEncoding &, const TextEncoding &) = default;
};

namespace Codepage {

// The ANSI code page: the system's on Windows; GB18030 elsewhere, the superset
// of code page 936 that the users' files are written in.
TextEncoding ansi();
// What a new document is written in: UTF-8 without a mark on Linux, the ANSI
// code page on Windows.
TextEncoding forNewDocuments();

// A byte that is not text in the file's encoding is carried in the text as
// the lone low surrogate U+DC00 + byte, and written back as that byte. No
// typed, pasted or decoded character is a lone surrogate, so these cannot be
// mistaken for the user's text. Characters the editor would turn into line
// breaks are carried the same way.
inline bool isByteEscape(QChar c)
{
    return c.unicode() >= 0xDC00 && c.unicode() <= 0xDCFF;
}

struct Decoded
{
    QString text;
    TextEncoding encoding;
    // How many bytes of the file are not text in that encoding.
    qsizetype undecodable = 0;
    // CR LF, LF and CR each end a line, and the text breaks every line with
    // CR LF. These are the lines (0-based) whose break is not the file's own
    // kind (encoding.lfOnly), with the break they have.
    QMap<int, LineBreak> otherBreaks;
    // The file ends with a line break: the text then ends with CR LF.
    bool finalBreak = false;
};
// UTF-16 with a byte-order mark is read as UTF-16; otherwise UTF-8 (with or
// without a mark) or the ANSI code page, whichever leaves fewer bytes
// undecodable, UTF-8 when neither leaves any. Encoding the result gives the
// same bytes back.
Decoded decode(const QByteArray &bytes);

// What stands in the text for a line break of the given kind so that encode()
// writes exactly its bytes, whatever the file's own kind.
QString escapedBreak(LineBreak kind);

// Encodes text, byte escapes back to their bytes; *ok is false when the
// encoding cannot hold every character.
QByteArray encode(const QString &text, const TextEncoding &encoding, bool *ok = nullptr);

} // namespace Codepage
