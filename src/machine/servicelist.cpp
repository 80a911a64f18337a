#include "machine/servicelist.h"

#include "machine/machinestate.h"

QList<quint16> providedServices()
{
    const std::pair<int, const ServiceTable *> tables[] = {{0x10, &videoServices()},
                                                           {0x16, &keyboardServices()},
                                                           {0x1A, &timeServices()},
                                                           {0x21, &dosServices()}};
    QList<quint16> list;
    for (const auto &[interrupt, table] : tables)
        for (int function = 0; function < 256; ++function)
            if ((*table)[function])
                list << quint16(interrupt << 8 | function);
    return list;
}
