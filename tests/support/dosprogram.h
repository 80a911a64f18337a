#pragma once

#include "machine/machine.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// Small DOS programs written in nasm's syntax, run on the machine and in
// DOSBox over the same folder, so that a test can compare what each left.

// nasm is on the PATH.
bool nasmFound();
// DOSBox is on the PATH.
bool dosboxFound();
// Assembles the source ("org 100h" is put before it) into a .COM at comPath.
bool assembleCom(const QByteArray &source, const QString &comPath);
// Runs the .COM in the folder on the machine, the folder being C: and the
// current drive, until it stops.
MachineStop runOnMachine(const QString &comPath, Machine::Setup setup = {});
// Runs the .COM in a hidden DOSBox with its folder as C:; false when DOSBox
// did not end within a minute.
bool runInDosbox(const QString &comPath);

// Every file below a folder but PROG.COM, by its path in the folder, with
// its bytes.
using Files = QMap<QString, QByteArray>;
Files filesIn(const QString &folder);
// Puts the files into the folder (making their folders).
bool putFiles(const QString &folder, const Files &files);
