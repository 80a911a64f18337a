#include "platform/codepage.h"

#include <QList>
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

static QChar escapeOf(char byte)
{
    return QChar(char16_t(0xDC00 + quint8(byte)));
}

// Characters the editor turns into line breaks of its own.
static bool editorBreaks(char32_t c)
{
    return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

// The text of bytes in a multi-byte code page, one character at a time: each
// character is taken only when it encodes back to exactly its bytes; any other
// byte is escaped.
class ByteDecoder
{
public:
    explicit ByteDecoder(const QString &name)
        : decoder_(name.toLatin1().constData()), encoder_(name.toLatin1().constData())
    {
    }
    bool isValid() const { return decoder_.isValid() && encoder_.isValid(); }

    Decoded decode(QByteArrayView bytes, const TextEncoding &encoding)
    {
        Decoded out{QString(), encoding, 0, {}, false};
        out.text.reserve(bytes.size());
        QList<LineBreak> breaks;
        qsizetype i = 0;
        while (i < bytes.size()) {
            const char b = bytes[i];
            if (b == '\r' || b == '\n') {
                const bool pair = b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
                breaks << (pair ? LineBreak::CrLf : b == '\r' ? LineBreak::Cr : LineBreak::Lf);
                out.text += QStringLiteral("\r\n");
                i += pair ? 2 : 1;
            } else if (quint8(b) < 0x80) {
                out.text += QLatin1Char(b);
                ++i;
            } else if (const qsizetype n = character(bytes.sliced(i))) {
                i += n;
            } else {
                out.text += escapeOf(b);
                ++out.undecodable;
                ++i;
            }
            if (!pending_.isEmpty()) {
                out.text += pending_;
                pending_.clear();
            }
        }
        // The file's own kind is the one most of its lines end with; LF
        // alone only where it outnumbers CR LF.
        const auto count = [&breaks](LineBreak k) { return breaks.count(k); };
        out.encoding.lfOnly = count(LineBreak::Lf) > count(LineBreak::CrLf) &&
                              count(LineBreak::Lf) >= count(LineBreak::Cr);
        const LineBreak own = out.encoding.lfOnly ? LineBreak::Lf : LineBreak::CrLf;
        for (int line = 0; line < breaks.size(); ++line) {
            if (breaks[line] != own)
                out.otherBreaks.insert(line, breaks[line]);
        }
        out.finalBreak = !bytes.isEmpty() && (bytes.back() == '\r' || bytes.back() == '\n');
        return out;
    }

private:
    // Length of the one character that starts rest, 0 when none does; the
    // character is left in pending_.
    qsizetype character(QByteArrayView rest)
    {
        for (qsizetype n = 1; n <= 4 && n <= rest.size(); ++n) {
            const QByteArrayView part = rest.first(n);
            decoder_.resetState();
            const QString c = decoder_.decode(part);
            if (decoder_.hasError() || c.isEmpty())
                continue;
            const bool one = c.size() == 1
                                 ? !c[0].isSurrogate()
                                 : c.size() == 2 && c[0].isHighSurrogate() && c[1].isLowSurrogate();
            if (!one)
                continue;
            encoder_.resetState();
            const QByteArray back = encoder_.encode(c);
            if (encoder_.hasError() || back != part)
                continue;
            if (c.size() == 1 && editorBreaks(c[0].unicode()))
                return 0;
            pending_ = c;
            return n;
        }
        return 0;
    }

    QStringDecoder decoder_;
    QStringEncoder encoder_;
    QString pending_;
};

// A UTF-16 file is read as UTF-16 only when every unit is text the editor
// keeps as it is and its line breaks are all of one kind.
static std::optional<Decoded> decodeUtf16(const QByteArray &bytes)
{
    const bool le = bytes.startsWith("\xFF\xFE");
    const bool be = bytes.startsWith("\xFE\xFF");
    if ((!le && !be) || bytes.size() % 2 != 0)
        return std::nullopt;
    const QByteArrayView body = QByteArrayView(bytes).sliced(2);
    QStringDecoder decoder(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    QString text = decoder.decode(body);
    QStringEncoder encoder(le ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    const QByteArray back = encoder.encode(text);
    if (decoder.hasError() || encoder.hasError() || back != body)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A low surrogate after a high one is half of a character (U+1F400),
        // not an escaped byte.
        const bool pairHalf = i > 0 && text[i - 1].isHighSurrogate();
        if (editorBreaks(text[i].unicode()) || (isByteEscape(text[i]) && !pairHalf))
            return std::nullopt;
    }
    const qsizetype crs = text.count(QLatin1Char('\r'));
    const qsizetype lfs = text.count(QLatin1Char('\n'));
    const bool lfOnly = lfs > 0 && crs == 0;
    if (!lfOnly && (crs != lfs || text.count(QStringLiteral("\r\n")) != crs))
        return std::nullopt;
    if (lfOnly)
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const bool finalBreak = text.endsWith(QLatin1Char('\n'));
    return Decoded{text,
                   {le ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE"), true, lfOnly},
                   0,
                   {},
                   finalBreak};
}

Decoded decode(const QByteArray &bytes)
{
    if (auto utf16 = decodeUtf16(bytes))
        return *utf16;
    static const QByteArray bom("\xEF\xBB\xBF");
    const bool hasBom = bytes.startsWith(bom);
    ByteDecoder utf8(QStringLiteral("UTF-8"));
    Decoded asUtf8 = utf8.decode(QByteArrayView(bytes).sliced(hasBom ? 3 : 0),
                                 {QStringLiteral("UTF-8"), hasBom});
    if (asUtf8.undecodable == 0)
        return asUtf8;
    ByteDecoder local(ansi().name);
    if (!local.isValid())
        return asUtf8;
    Decoded asAnsi = local.decode(bytes, ansi());
    return asAnsi.undecodable <= asUtf8.undecodable ? asAnsi : asUtf8;
}

QString escapedBreak(LineBreak kind)
{
    switch (kind) {
    case LineBreak::Lf:
        return QString(escapeOf('\n'));
    case LineBreak::Cr:
        return QString(escapeOf('\r'));
    case LineBreak::CrLf:
        break;
    }
    return QString(escapeOf('\r')) + escapeOf('\n');
}

static QByteArray byteOrderMark(const QString &name)
{
    if (name == QLatin1String("UTF-8"))
        return QByteArray("\xEF\xBB\xBF");
    if (name == QLatin1String("UTF-16LE"))
        return QByteArray("\xFF\xFE");
    if (name == QLatin1String("UTF-16BE"))
        return QByteArray("\xFE\xFF");
    return QByteArray();
}

QByteArray encode(const QString &text, const TextEncoding &encoding, bool *ok)
{
    QStringEncoder encoder(encoding.name.toLatin1().constData());
    if (!encoder.isValid()) {
        if (ok)
            *ok = false;
        return QByteArray();
    }
    QString t = text;
    if (encoding.lfOnly)
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QByteArray out = encoding.byteOrderMark ? byteOrderMark(encoding.name) : QByteArray();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!isByteEscape(t[i]) || (i > 0 && t[i - 1].isHighSurrogate()))
            continue;
        out += encoder.encode(QStringView(t).sliced(runStart, i - runStart));
        out += char(t[i].unicode() - 0xDC00);
        runStart = i + 1;
    }
    out += encoder.encode(QStringView(t).sliced(runStart));
    if (ok)
        *ok = !encoder.hasError();
    return out;
}

} // namespace Codepage
