#pragma once

#include <QByteArray>
#include <QString>

struct MachineState;

// The memory DOSBox gives a program started from its shell, mirrored so that
// tools see the same free memory: DOS's own blocks from 016Fh, then the
// environment, then the program's block up to 9FFFh.
namespace DosLayout {
constexpr quint16 firstHeader = 0x016F;
constexpr quint16 memoryEnd = 0x9FFF;
constexpr quint16 parentPsp = 0x0118;
} // namespace DosLayout

// Loads an .EXE (by its MZ header) or a .COM image as DOS does: the
// environment (with the program's name after it), the PSP with the command
// tail and its two FCBs, relocations, and the registers at the entry point.
// Returns why it could not, or an empty text.
QString loadProgram(MachineState &m, const QByteArray &image, const QByteArray &dosName,
                    const QByteArray &tail, const QList<QByteArray> &environment);
