#include "platform/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Codepage {

TextEncoding ansi()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("CP%1").arg(GetACP()), false};
#else
    return {QStringLiteral("GB18030"), false};
#endif
}

TextEncoding forNewDocuments()
{
#ifdef Q_OS_WIN
    return ansi();
#else
    return {QStringLiteral("UTF-8"), false};
#endif
}

Decoded decode(const QByteArray &bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    const bool hasBom = bytes.startsWith(bom);
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(hasBom ? bytes.mid(3) : bytes);
        if (!utf8.hasError())
            return {text, {QStringLiteral("UTF-8"), hasBom}};
    }
    const TextEncoding enc = ansi();
    QStringDecoder decoder(enc.name.toLatin1().constData());
    if (!decoder.isValid())
        return {QString::fromLatin1(bytes), {QStringLiteral("ISO-8859-1"), false}};
    return {decoder.decode(bytes), enc};
}

QByteArray encode(const QString &text, const TextEncoding &encoding, bool *ok)
{
    QStringEncoder encoder(encoding.name.toLatin1().constData(),
                           encoding.byteOrderMark ? QStringEncoder::Flag::WriteBom
                                                  : QStringEncoder::Flag::Default);
    if (!encoder.isValid()) {
        if (ok)
            *ok = false;
        return QByteArray();
    }
    QByteArray out = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    return out;
}

} // namespace Codepage
