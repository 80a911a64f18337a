#include "debugging/memoryedit.h"

#include "debugging/addresstext.h"

#include <QRegularExpression>
#include <QStringEncoder>

namespace {

// The words of a line, a quoted text kept whole with its quotes.
QStringList words(const QString &text, QString *error)
{
    QStringList out;
    QString word;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            word += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            if (!word.isEmpty())
                out << word;
            word = c;
            quote = c;
        } else if (c.isSpace() || c == u',') {
            if (!word.isEmpty())
                out << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!quote.isNull()) {
        *error = QStringLiteral("引号没有配对");
        return {};
    }
    if (!word.isEmpty())
        out << word;
    return out;
}

std::optional<QByteArray> list(const QStringList &items, QString *error)
{
    static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    QByteArray bytes;
    for (const QString &item : items) {
        if (item.size() >= 2 && (item.front() == u'\'' || item.front() == u'"')) {
            bytes += QStringEncoder("GB18030").encode(item.mid(1, item.size() - 2));
        } else if (hexByte.match(item).hasMatch()) {
            bytes += char(item.toUInt(nullptr, 16));
        } else {
            *error = QStringLiteral("“%1”不是十六进制字节，也不是引号里的文字").arg(item);
            return std::nullopt;
        }
    }
    if (bytes.isEmpty()) {
        *error = QStringLiteral("缺少要写入的值");
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::optional<MemoryEdit> parseMemoryEdit(const QString &text, const Registers &r,
                                          quint16 bareSegment, QString *error)
{
    QStringList w = words(text, error);
    if (w.isEmpty()) {
        if (error->isEmpty())
            *error = QStringLiteral("请输入地址和值");
        return std::nullopt;
    }
    const bool fill = w.first().compare(QLatin1String("F"), Qt::CaseInsensitive) == 0;
    if (fill)
        w.removeFirst();
    quint16 segment = 0, offset = 0;
    if (w.isEmpty() || !parseAddress(w.first(), r, bareSegment, &segment, &offset)) {
        *error = QStringLiteral("“%1”不是地址").arg(w.isEmpty() ? QString() : w.first());
        return std::nullopt;
    }
    w.removeFirst();
    MemoryEdit edit;
    edit.address = linear(segment, offset);
    if (!fill) {
        const std::optional<QByteArray> bytes = list(w, error);
        if (!bytes)
            return std::nullopt;
        edit.bytes = *bytes;
        return edit;
    }
    // The range: "L length" or the last offset.
    int length = 0;
    bool ok = false;
    if (w.size() >= 2 && w.first().compare(QLatin1String("L"), Qt::CaseInsensitive) == 0) {
        length = w.at(1).toInt(&ok, 16);
        w.remove(0, 2);
    } else if (!w.isEmpty()) {
        const int last = w.first().toInt(&ok, 16);
        ok = ok && last >= offset && last <= 0xFFFF;
        length = last - offset + 1;
        w.removeFirst();
    }
    if (!ok || length <= 0 || length > 0x10000) {
        *error = QStringLiteral("填充的范围应写成“L 长度”或结束偏移（十六进制）");
        return std::nullopt;
    }
    const std::optional<QByteArray> pattern = list(w, error);
    if (!pattern)
        return std::nullopt;
    edit.bytes.reserve(length);
    while (edit.bytes.size() < length)
        edit.bytes += *pattern;
    edit.bytes.truncate(length);
    return edit;
}
