#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The free DOS tools: MASM 5.10, LINK 3.65 and DEBUG from the MS-DOS source
// that Microsoft published under the MIT licence, pinned to one commit of that
// repository and to the SHA-256 of each file.
struct PinnedFile
{
    QString fileName;    // its name in the tool folder
    QString repoPath;    // its path in the repository
    QString description; // what it is, for the user
    qint64 size = 0;
    QByteArray sha256; // lower-case hex
};

// masm.exe, link.exe, debug.exe and exe2bin.exe, in that order.
const QList<PinnedFile> &dosTools();
// The repository's licence, saved beside the tools.
const PinnedFile &dosToolsLicence();

// For a tool the download fetches that lies beside the licence the download
// saves, but no longer has its pinned size and SHA-256, what to tell the user
// ("masm.exe 已损坏或不是原来的文件"); empty for any other file.
QString damagedToolText(const QString &path);

// The repository as a person reads it, and the commit the files come from.
QString dosToolsRepository();
QString dosToolsCommit();

// Where a file is fetched from, in order: the pinned commit, then the main
// branch. KORVANE_TOOLS_URL replaces the repository's raw-file address (for a
// mirror); the checksums stay as pinned.
QStringList dosToolAddresses(const PinnedFile &file);
// The address the download names to the user: the first address's folder.
QString dosToolsSource();

// How to get the tools without the program's help: the repository, the commit,
// and which path to save under which name.
QString dosToolsByHand();

// The question that offers the download: the tool a command missed (or none,
// when the user asked for the tools), the tools already there, and the files
// that would be fetched into the folder.
QString dosToolsQuestion(const QString &missedTool, const QStringList &present,
                         const QList<PinnedFile> &missing, const QString &folder);
