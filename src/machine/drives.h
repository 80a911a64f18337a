#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The two drives a program on the machine can name: C: (index 2) is the
// tool folder, D: (3) the source's folder. A DOS path becomes a host path
// only inside one of them: ".." stops at the drive's root, a symbolic link
// that leads out is refused, every other drive is missing.
class Drives
{
public:
    Drives(const QString &toolFolder, const QString &sourceFolder);

    static constexpr int C = 2;
    static constexpr int D = 3;

    bool exists(int drive) const;
    int current() const { return current_; }
    bool setCurrent(int drive);
    // The current folder of a drive without drive or leading backslash
    // ("" at the root, "SUB\\INNER" below it).
    QByteArray currentFolder(int drive) const;
    // 0, or DOS's error code (3 path not found, 15 invalid drive).
    quint16 changeFolder(const QByteArray &dosPath);

    struct Resolved
    {
        quint16 error = 0; // 0, or DOS's error code: 2, 3, 5 or 15
        int drive = 0;
        QString host;       // the entry itself, as found or as it would be made
        QString hostFolder; // the folder it lies in
        QByteArray name;    // its 8.3 name as DOS shows it (upper case)
        bool exists = false;
        bool isFolder = false;
    };
    // Resolves a path to its last component, which may be missing (for a
    // create). Names are made 8.3 and upper case as DOS does; a host file is
    // found whatever its case.
    Resolved resolve(const QByteArray &dosPath) const;
    // The folder part of a path whose last component is a search pattern
    // ("*.ASM"); name holds the pattern.
    Resolved resolvePattern(const QByteArray &dosPath) const;

    // A component as DOS stores it: 8.3, upper case; empty when a character
    // or a second dot makes it no name at all.
    static QByteArray shortName(const QByteArray &component);
    // What a program may change in C:, the tool folder: anything, nothing,
    // only the outputs a tool's run names (8.3 names in C:'s root; "NAME.*"
    // for every extension), or everything but the programs and libraries in
    // C:'s root (a student's program run beside the tools: its own files are
    // its own, the tools and the settings file are not).
    enum class ToolFolderWrites { Any, None, Outputs, ExceptTools };
    void setToolFolderWrites(ToolFolderWrites writes, const QStringList &outputs = {});
    // Whether a program may create, write, delete or rename this entry.
    bool mayChange(const Resolved &entry) const;

    // The host name of a DOS name and back. Bytes 80h-FFh that form a GBK
    // character become that character, so a Chinese name reads as Chinese
    // on the host; any other such byte becomes a character of its own in the
    // private use area (U+F780-U+F7FF). Each DOS name has one host name, and
    // dosBytes() gives it back; dosBytes() is empty for a host name no DOS
    // name leads to.
    static QString hostName(const QByteArray &dosName);
    static QByteArray dosBytes(const QString &hostName);
    // The host entries of a folder that DOS can see, under their 8.3 names.
    static QList<QPair<QByteArray, QString>> visibleEntries(const QString &hostFolder);

private:
    struct Walk;
    Resolved walk(const QByteArray &dosPath, bool lastIsPattern) const;
    bool inside(int drive, const QString &hostPath) const;

    QString roots_[4];
    QString canonicalRoots_[4];
    QByteArray folders_[4];
    int current_ = C;
    ToolFolderWrites toolFolderWrites_ = ToolFolderWrites::Any;
    QList<QByteArray> toolOutputs_;
};
