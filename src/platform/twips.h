#pragma once

#include <QPaintDevice>

// Window geometry is designed in twips (1/1440 inch): scale it to the screen.
inline int twipsX(const QPaintDevice *device, int twips)
{
    return twips * device->logicalDpiX() / 1440;
}

inline int twipsY(const QPaintDevice *device, int twips)
{
    return twips * device->logicalDpiY() / 1440;
}
