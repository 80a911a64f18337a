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

QByteArray comImage(const QByteArray &exe)
{
    if (exe.size() < 0x20)
        return {};
    const auto word = [&exe](int at) { return qFromLittleEndian<quint16>(exe.constData() + at); };
    const int header = word(0x08) * 16;
    const int size = word(0x04) * 512 - (word(0x02) ? 512 - word(0x02) : 0);
    return exe.mid(header + 0x100, std::min<qsizetype>(size, exe.size()) - header - 0x100);
}
