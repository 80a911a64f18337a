#include "app/settingsfile.h"

#include <QtEndian>

static constexpr quint16 kTagLong = 3;
static constexpr int kRecordSize = 6;

QByteArray encodeColorSettings(const ColorSettings &settings)
{
    QByteArray out(3 * kRecordSize, '\0');
    const qint32 values[3] = {settings.code, settings.comment, settings.typing};
    for (int i = 0; i < 3; ++i) {
        char *record = out.data() + i * kRecordSize;
        qToLittleEndian<quint16>(kTagLong, record);
        qToLittleEndian<qint32>(values[i], record + 2);
    }
    return out;
}

std::optional<ColorSettings> decodeColorSettings(const QByteArray &bytes)
{
    if (bytes.size() != kColorSettingsSize)
        return std::nullopt;
    qint32 values[3];
    for (int i = 0; i < 3; ++i) {
        const char *record = bytes.constData() + i * kRecordSize;
        if (qFromLittleEndian<quint16>(record) != kTagLong)
            return std::nullopt;
        values[i] = qFromLittleEndian<qint32>(record + 2);
    }
    return ColorSettings{values[0], values[1], values[2]};
}
