#pragma once

#include <QByteArray>
#include <QStringView>

// Whether a linked program was written as a .COM: the linker found no stack
// segment (warning L4021), the entry is 0000:0100 (ORG 100H in the one
// segment) and nothing needs a segment fix-up. Run as an .EXE it would start
// with DS at the PSP and go wrong; EXE2BIN makes the real .COM of it.
// exeHead: at least the first 28 bytes of the .EXE.
bool linkedAsCom(const QByteArray &exeHead, QStringView linkerPrinted);

// The .COM EXE2BIN makes of such an .EXE: its image from offset 100h on.
QByteArray comImage(const QByteArray &exe);
