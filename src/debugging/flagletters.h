#pragma once

#include <QString>
#include <QtGlobal>

// The flags as DEBUG's R shows them: "NV UP EI PL NZ NA PO NC" for OF, DF,
// IF, SF, ZF, AF, PF and CF (the trap flag has no word).
QString debugFlagLetters(quint16 flags);
