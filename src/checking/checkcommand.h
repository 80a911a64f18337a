#pragma once

#include <QStringList>

// `korvane check ...`: the arguments after "check". Runs without a window
// (a QCoreApplication must exist) and returns the exit status: 0 when every
// case of every program passed, 1 when one did not, 2 when the check could
// not be made (a wrong argument, an unreadable test file, missing tools).
int runCheckCommand(const QStringList &arguments);

// What `korvane check --help` prints.
QString checkUsage();
