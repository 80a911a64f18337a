#include "help/registryvalue.h"

#include <QtEndian>
#include <algorithm>

bool decodeKeyValue(const std::optional<RegistryValue> &value, QString &KeyVal)
{
    if (!value) {
        KeyVal.clear();
        return false;
    }
    const QByteArray cut =
        value->buffer.left(qBound(qsizetype(0), value->length, value->buffer.size()));
    switch (value->type) {
    case RegSz: {
        // An odd trailing byte is no whole UTF-16 unit: it is ignored.
        QString text(cut.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(cut.constData() + 2 * i));
        if (text.endsWith(QChar(0)))
            text.chop(1);
        KeyVal = text;
        break;
    }
    case RegDword: {
        // The NUL rule is for strings only: a number's high bytes are often zero.
        char bytes[4] = {0, 0, 0, 0};
        std::copy_n(cut.constData(), std::min<qsizetype>(cut.size(), 4), bytes);
        KeyVal = QString::number(qFromLittleEndian<quint32>(bytes));
        break;
    }
    default:
        break;
    }
    return true;
}
