#include "toolchain/comimage.h"

#include <QtEndian>

bool linkedAsCom(const QByteArray &exeHead, QStringView linkerPrinted)
{
    if (exeHead.size() < 0x18 || !exeHead.startsWith("MZ") ||
        !linkerPrinted.contains(QLatin1String("L4021")))
        return false;
    const auto word = [&exeHead](int offset) {
        return qFromLittleEndian<quint16>(exeHead.constData() + offset);
    };
    const quint16 relocations = word(0x06);
    const quint16 ip = word(0x14);
    const quint16 cs = word(0x16);
    return relocations == 0 && ip == 0x100 && cs == 0;
}
