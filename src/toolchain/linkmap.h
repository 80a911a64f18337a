#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Where the linker put each segment, from its map: offsets from the start of
// the program's image.
struct LinkMap
{
    QHash<QString, quint32> starts; // upper-case segment name
    quint32 end = 0;                // one past the last byte of any segment
};

LinkMap readLinkMap(const QByteArray &map);
