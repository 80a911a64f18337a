#pragma once

#include <QList>
#include <QtGlobal>

// Every service the machine provides a program, as interrupt << 8 | function
// (0x2109 for INT 21h AH=09h), read from the tables that route them.
QList<quint16> providedServices();
