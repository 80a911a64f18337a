#include "debugging/flagletters.h"

#include <QStringList>

QString debugFlagLetters(quint16 flags)
{
    struct Word
    {
        int bit;
        const char *set, *clear;
    };
    static constexpr Word words[] = {{11, "OV", "NV"}, {10, "DN", "UP"}, {9, "EI", "DI"},
                                     {7, "NG", "PL"},  {6, "ZR", "NZ"},  {4, "AC", "NA"},
                                     {2, "PE", "PO"},  {0, "CY", "NC"}};
    QStringList out;
    for (const Word &w : words)
        out << QLatin1String((flags >> w.bit) & 1 ? w.set : w.clear);
    return out.join(QLatin1Char(' '));
}
