#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: `korvane [FILE...]`, `--help`, `--version`.
struct CommandLine
{
    enum Action { Run, Help, Version, Error } action = Run;
    QStringList files;
    // The message for Error, naming the argument not understood.
    QString error;
};

// Reads the arguments after the program's name. "--" ends the options.
// toolkitOptions: the arguments still hold the Qt toolkit's own options
// (-platform NAME, -style=NAME, ...), read before the toolkit has taken them;
// they are passed over, their values too.
CommandLine parseCommandLine(const QStringList &arguments, bool toolkitOptions = false);

// What --help prints, in Chinese, ending in a line break.
QString commandLineUsage();
// What --version prints.
QString commandLineVersion();
