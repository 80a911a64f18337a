#pragma once

#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// The two references the machine is held against: the real MASM and LINK
// building a program on the machine, and DOSBox running programs.

// Assembles and links NAME.ASM in folder (which holds MASM.EXE, LINK.EXE and
// the source's include files) on the machine. The host path of NAME.EXE, or
// empty with *why told.
QString buildOnMachine(const QString &folder, const QString &name, QString *why);

// One DOSBox start for many programs: each job mounts its own C: and D: and
// runs its commands there, in order.
struct DosboxJob
{
    QString c, d; // host folders; d may be empty
    QStringList commands;
};
// False with *why when DOSBox could not be started or did not end.
bool runDosbox(const QList<DosboxJob> &jobs, const QString &scratch, QString *why);

#define REQUIRE_DOSBOX()                                                                           \
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())                        \
    QSKIP("real DOS tools unavailable: dosbox is not installed")
