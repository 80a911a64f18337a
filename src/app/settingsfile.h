#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// The colour settings file cl.dll: three records of a 16-bit type tag (3, a
// 32-bit integer) and a 32-bit little-endian colour, 18 bytes in all.
struct ColorSettings
{
    qint32 code;
    qint32 comment;
    qint32 typing;
    friend bool operator==(const ColorSettings &, const ColorSettings &) = default;
};

constexpr int kColorSettingsSize = 18;
QByteArray encodeColorSettings(const ColorSettings &settings);
// Nothing for bytes that are not such a file: another size or another type tag.
std::optional<ColorSettings> decodeColorSettings(const QByteArray &bytes);
