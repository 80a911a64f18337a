#include "documents/recoveryformat.h"

#include <QDataStream>
#include <QIODevice>

static const char kMagic[] = "KORVANE-RECOVERY-1";

// The text goes in as its UTF-16 units: the byte escapes of Codepage are
// lone surrogates, which no text encoding would carry.
QByteArray encodeRecoveryCopy(const RecoveredText &s)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << QByteArray(kMagic) << s.caption << s.encoding.name << s.encoding.byteOrderMark
        << s.encoding.lfOnly << s.text;
    return bytes;
}

std::variant<RecoveredText, CopyDamage> decodeRecoveryCopy(const QByteArray &bytes)
{
    // The mark is read by hand: a stream would take garbage's first four
    // bytes for a length.
    const QByteArray mark = QByteArray(kMagic);
    if (!bytes.mid(4).startsWith(mark))
        return CopyDamage::Unknown;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray magic;
    RecoveredText s;
    in >> magic >> s.caption >> s.encoding.name >> s.encoding.byteOrderMark >> s.encoding.lfOnly >>
        s.text;
    if (magic != mark)
        return CopyDamage::Unknown;
    if (in.status() != QDataStream::Ok)
        return CopyDamage::Truncated;
    return s;
}
