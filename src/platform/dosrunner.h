#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class QIODevice;

// Running a Windows-style command line on a system that is not Windows: the
// line is taken apart by the Windows rules, and DOS programs go to DOSBox.

struct ProgramAndTail
{
    QString program;
    // The rest of the line as typed, from its first non-blank character: a
    // DOS program receives exactly this text as its command tail.
    QString tail;
};

// The program ends at the next quote when the line begins with one, else at
// the first blank or tab; no escapes apply to it.
ProgramAndTail splitProgram(QStringView commandLine);

// Arguments after the program, as CommandLineToArgvW takes them apart: blanks
// and tabs separate outside quotes; 2n backslashes before a quote give n and
// the quote opens or closes quoting; 2n+1 give n and a literal quote; other
// backslashes are literal; a run of three quotes gives one literal quote.
QStringList splitArguments(QStringView tail);

// Program and arguments together.
QStringList splitCommandLine(QStringView commandLine);

enum class ExecutableKind {
    Dos,       // MZ without a PE signature, or a header-less .com/.exe image
    WindowsPe, // MZ whose offset at 0x3C points at "PE\0\0"
    Elf,
    Script, // "#!"
    Other,  // neither .exe nor .com, and no ELF or script either
};

// Tells the kind from the file's name and its first bytes (and the bytes at
// the PE offset); the device is open for reading.
ExecutableKind executableKind(QStringView fileName, QIODevice &file);

// "command.com" named without a folder: the DOS prompt, which DOSBox is.
bool isDosPrompt(QStringView program);

struct DosRun
{
    // Mounted as C: and the DOS current directory, so the relative names on
    // the command line resolve there.
    QString workingDirectory;
    // Empty for the DOS prompt alone. A program outside the working directory
    // is reached through a second drive, D:.
    QString programPath;
    QString tail;
    // Hidden runs end DOSBox when the program ends; visible ones stay at the
    // DOS prompt so the program's output can be read.
    bool hidden = true;
    // Hidden runs: a DOS file name in the working directory for the console.
    QString consoleOutputName;
    // A further folder for the assembler's include search: mounted as a drive
    // of its own and named in the DOS variable INCLUDE. Empty for none.
    QString includeFolder;
};

// Why DOSBox cannot run this as intended, or empty when it can: a folder that
// its mount command cannot name (a quote ends the quoted path), or a command
// tail that its shell would read as more than the program's arguments
// (redirections, pipes, line breaks).
QString dosRunProblem(const DosRun &run);

// The DOSBox command line of a run that dosRunProblem passed. After its mounts
// DOSBox is put in secure mode, so the DOS program cannot mount host folders
// of its own.
QStringList dosboxArguments(const DosRun &run);

// Environment entries that keep a hidden DOSBox off the screen and away from
// the sound devices.
QStringList hiddenDosboxEnvironment();
