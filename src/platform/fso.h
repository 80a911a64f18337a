#pragma once

#include <QString>

// File-system queries in the terms the program uses. DOS tools write upper-case
// names, so on a case-sensitive file system a lookup that misses exactly falls
// back to a case-insensitive match of the last path component.
class FileSystem
{
public:
    // Name resolved against the current working directory, in native form.
    QString absolutePathName(const QString &name) const;
    // Characters after the last dot of the last component; empty without one.
    QString extensionName(const QString &path) const;
    // Last component without its extension.
    QString baseName(const QString &path) const;
    bool fileExists(const QString &path) const;
    // The path of the file on disk that the name means: the name itself when
    // it exists as given, else the one entry of its folder that matches it
    // ignoring case, else the name unchanged.
    QString actualPath(const QString &path) const;
};
