#pragma once

#include <QString>
#include <QStringList>

// Command lines for the user's assembler and linker. DOS tools read
// positional fields separated by commas: the assembler
// "source,object,listing,crossref", the linker "objects,exe,map,libraries".
// An empty field means the default name, the source's or object's base name.

// The program part of a command line: quoted when it holds a blank, so that
// "C:\My Tools\masm.exe" cannot start "C:\My" with the rest as arguments.
QString quoteProgramPath(const QString &path);

// The DOS rules a file name on a tool's command line must keep: what DOS
// cannot take opens another file or none (a comma or semicolon even splits
// the command line into other fields).
enum class DosNameRule {
    Fits,
    NotAscii,        // DOS shows each byte of a UTF-8 name as a character of its own
    Forbidden,       // a character DOS or DOSBox's shell reads as something else
    LeadingDash,     // read as a switch
    TwoDots,         // one dot at most
    BaseLength,      // base name of 1 to 8 characters
    ExtensionLength, // extension of up to 3 characters
};
struct DosNameCheck
{
    DosNameRule rule = DosNameRule::Fits;
    QChar character; // the character a Forbidden or NotAscii name holds
    bool fits() const { return rule == DosNameRule::Fits; }
};
DosNameCheck checkDosName(const QString &fileName);

// The listing's base name: the source's own when a listing is wanted, else
// "report" (the listing is still written, it is where the report comes from).
QString listingBaseName(const QString &baseName, bool makeList);

// The assembler command line of an ordinary assembly of baseName.ext.
QString assemblerCommand(const QString &masmPath, const QString &baseName, const QString &ext,
                         bool makeList, bool makeCross);

// A typed parameter answer made ready for the assembler: blanks trimmed at
// both ends, then a leading "masm " or "tasm " (any case) removed. Empty when
// nothing usable was typed.
QString assemblerPromptAnswer(const QString &typed);
QString assemblerPromptCommand(const QString &masmPath, const QString &answer);

// The linker command line for objectBase.obj; library is used as typed,
// blanks included, and left out when empty.
QString linkerCommand(const QString &linkPath, const QString &objectBase, const QString &library);

// As assemblerPromptAnswer, with the prefixes "tlink " and "link ".
QString linkerPromptAnswer(const QString &typed);
QString linkerPromptCommand(const QString &linkPath, const QString &answer);

// What a hidden run of a tool may write in its folder: every name its
// command tail names, under any extension ("TEMP_F.*": the tools make their
// outputs' names from those they are given), and its console file.
QStringList toolOutputNames(const QString &tail, const QString &consoleOutputName);

// The program the linker wrote: it runs in the tool folder with relative
// names, so the program lies there whatever folder the source was saved in.
// toolFolder ends with a path separator. com: the .COM that EXE2BIN made.
QString runCommand(const QString &toolFolder, const QString &baseName, bool com = false);
