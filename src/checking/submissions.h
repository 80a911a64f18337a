#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One student's program in a class folder. The folder's contents come from
// students: no symbolic link is ever followed, and hidden files are not seen.
struct Submission
{
    // The student's own name: the .asm file's base name, or the sub-folder's;
    // "张三 (2)" for a second one alike in any case.
    QString student;
    // The main .asm relative to the class folder, as the student named it:
    // "张三.asm" for a one-file submission, "张三/main.asm" for a folder.
    // Empty for a folder holding no .asm.
    QString source;
    // The folder holding it and its INCLUDE files; for a one-file submission
    // the class folder, of which only the source is the student's.
    QString hostFolder;
    // Absolute host path of the main .asm; empty where source is.
    QString hostSource;
};

// The submissions in a class folder, sorted by student: one .asm file per
// student directly in it, or one sub-folder per student. A sub-folder's main
// program is its only .asm, else the one named as the folder, else the one
// ending with "END label"; its other files are INCLUDE files. A path to one
// .asm gives that one. Nothing found is an error.
QList<Submission> findSubmissions(const QString &path, QString *error);

// Unpacks a .zip of a class folder into `into` (the caller's, empty), for
// findSubmissions. A zip holding only one top folder is unpacked without it.
// Refused whole: entries with absolute paths, "..", symbolic links; more than
// 10000 entries or 256 MB unpacked. Names are UTF-8, or GBK as a Chinese
// Windows writes them.
bool unpackZip(const QString &zipPath, const QString &into, QString *error);

// The tools see 8.3 names: copies a submission into workFolder (the caller's,
// empty): the main source as MAIN.ASM, each other file of a sub-folder (at
// most 200 files, 8 MB in all) under its own name upper-cased, so INCLUDE
// lines find them. A name DOS cannot take is copied under a made-up one, and
// `renamed` is told ("宏.inc → F~001.INC"). Returns the main source's DOS
// name; empty, with *error, on a fault.
QString copyForTools(const Submission &submission, const QString &workFolder, QString *error,
                     QStringList *renamed = nullptr);
