#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QSaveFile;

// Reading and writing the user's files: only regular files, never blocking on
// a FIFO or a device, and a write that fails leaves the file as it was.

// The file's bytes; nothing when it cannot be read, with the reason in
// *reason. *refused is set when the name is not a regular file (a FIFO, a
// device, a folder), which is never opened for reading. A limit of 0 or more
// reads no more than that many bytes.
std::optional<QByteArray> readUserFile(const QString &path, QString *reason = nullptr,
                                       bool *refused = nullptr, qint64 limit = -1);

// Replaces the file's content with bytes. Where the folder allows, a new file
// is written beside it and renamed over it; where the folder is not writable,
// or the file has other names (hard links), or its owner cannot be kept, the
// file is rewritten in place. Either way the file keeps its owner, group and
// permission bits. A target that is not a regular file, or that its
// permission bits do not let its owner (or this user) write, is refused even
// when the program runs as root. Returns an empty string on success, else the
// reason, in the system's words where the system gave one.
QString writeUserFile(const QString &path, const QByteArray &bytes);

// Makes the folder and those above it that are missing. Returns an empty
// string on success, else the reason.
QString makeFolder(const QString &path);

// Why the size bytes written to file are not all on disk yet; empty when they
// are. The toolkit's commit trusts the flush inside its close, so that on a
// full disk it would put a short file in place of the whole one: this is
// asked before every commit.
QString flushFailure(QSaveFile &file, qint64 size);
