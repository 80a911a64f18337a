#include "platform/userfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

static QString notRegular()
{
    return QStringLiteral("它不是普通文件（而是设备、管道或文件夹）。");
}

#ifdef Q_OS_UNIX

static QString systemReason(int error)
{
    // The ones a student meets most, in the program's language.
    if (error == ENOSPC)
        return QStringLiteral("磁盘已满（没有剩余空间）。");
    if (error == EDQUOT)
        return QStringLiteral("磁盘配额已用完（磁盘已满）。");
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a write stopped: error is errno right after it. A write cut short
// without an error is a disk that filled up part-way.
static QString writeFailure(const QFileDevice &file, int error)
{
    if (error == ENOSPC || error == EDQUOT || error == EFBIG ||
        file.error() == QFileDevice::NoError)
        return systemReason(error ? error : ENOSPC);
    return file.errorString();
}

std::optional<QByteArray> readUserFile(const QString &path, QString *reason, bool *refused,
                                       qint64 limit)
{
    // Non-blocking, so that a FIFO cannot hold the program up; the check is
    // made on the opened file, so nothing can swap the name in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (reason)
            *reason = systemReason(errno);
        return std::nullopt;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (reason)
            *reason = notRegular();
        if (refused)
            *refused = true;
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (reason)
            *reason = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = limit < 0 ? file.readAll() : file.read(limit);
    if (file.error() != QFileDevice::NoError) {
        if (reason)
            *reason = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

// Whether the file's permission bits let it be written. As root every write
// would succeed, so root goes by the owner's write bit: a file its owner has
// made read-only stays read-only.
static QString writeRefusal(const QByteArray &native, const struct stat &st)
{
    if (::geteuid() == 0 && !(st.st_mode & S_IWUSR))
        return QStringLiteral("文件是只读的（没有写权限）。");
    if (::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0)
        return errno == EACCES ? QStringLiteral("文件是只读的（没有写权限）。")
                               : systemReason(errno);
    return QString();
}

QString flushFailure(QSaveFile &file, qint64 size)
{
    struct stat written;
    errno = 0;
    if (file.flush() && ::fsync(file.handle()) == 0 && ::fstat(file.handle(), &written) == 0 &&
        written.st_size == size)
        return QString();
    return writeFailure(file, errno);
}

static bool folderWritable(const QString &target)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Writes a new file beside the target and renames it over the target, with
// the target's owner, group and mode. *inPlace is set when the folder or the
// ownership does not allow it.
static QString writeBeside(const QString &target, const QByteArray &bytes,
                           const struct stat *existing, bool *inPlace)
{
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *inPlace = existing != nullptr;
        return file.errorString();
    }
    if (existing) {
        struct stat now;
        const int fd = file.handle();
        const bool same = ::fstat(fd, &now) == 0 && now.st_uid == existing->st_uid &&
                          now.st_gid == existing->st_gid;
        // The owner first: a change of owner clears the set-id bits.
        if ((!same && ::fchown(fd, existing->st_uid, existing->st_gid) != 0) ||
            ::fchmod(fd, existing->st_mode & 07777) != 0) {
            file.cancelWriting();
            *inPlace = true;
            return QString();
        }
    }
    errno = 0;
    const bool whole = file.write(bytes) == bytes.size();
    const QString why = whole ? flushFailure(file, bytes.size()) : writeFailure(file, errno);
    if (!why.isEmpty()) {
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

static bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Rewrites the file itself: its owner, mode and other names stay. The room
// is claimed first, and a write that fails on the way puts the old content
// back.
static QString writeOver(const QString &target, const QByteArray &bytes)
{
    const auto old = readUserFile(target);
    if (!old)
        return QStringLiteral("无法读取原文件。");
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemReason(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegular();
    }
#ifdef Q_OS_LINUX
    if (bytes.size() > old->size() &&
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
        const int error = errno;
        ::close(fd);
        return systemReason(error);
    }
#endif
    if (!writeAll(fd, bytes) || ::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0) {
        const int error = errno;
        writeAll(fd, *old);
        if (::ftruncate(fd, off_t(old->size())) == 0)
            ::fsync(fd);
        ::close(fd);
        return systemReason(error);
    }
    if (::close(fd) != 0)
        return systemReason(errno);
    return QString();
}

QString makeFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QString();
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath()) {
        const QString why = makeFolder(parent);
        if (!why.isEmpty())
            return why;
    }
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0 || errno == EEXIST)
        return QFileInfo(path).isDir() ? QString() : systemReason(ENOTDIR);
    return systemReason(errno);
}

QString writeUserFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return notRegular();
        const QString refusal = writeRefusal(native, st);
        if (!refusal.isEmpty())
            return refusal;
    }
    // A name that is a symbolic link writes the file it names.
    const QString target = exists ? QFileInfo(path).canonicalFilePath() : path;
    bool inPlace = exists && (st.st_nlink > 1 || !folderWritable(target));
    if (!inPlace) {
        const QString why = writeBeside(target, bytes, exists ? &st : nullptr, &inPlace);
        if (!inPlace)
            return why;
    }
    return writeOver(target, bytes);
}

#else

std::optional<QByteArray> readUserFile(const QString &path, QString *reason, bool *refused,
                                       qint64 limit)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (reason)
            *reason = notRegular();
        if (refused)
            *refused = true;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = limit < 0 ? file.readAll() : file.read(limit);
    if (file.error() != QFileDevice::NoError) {
        if (reason)
            *reason = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

QString flushFailure(QSaveFile &file, qint64 size)
{
    if (file.flush() && file.size() == size)
        return QString();
    return file.errorString();
}

QString makeFolder(const QString &path)
{
    return QDir().mkpath(path) ? QString() : QStringLiteral("无法建立文件夹。");
}

QString writeUserFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return notRegular();
    if (info.exists() && !info.isWritable())
        return QStringLiteral("文件是只读的（没有写权限）。");
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QString why =
        file.write(bytes) != bytes.size() ? file.errorString() : flushFailure(file, bytes.size());
    if (!why.isEmpty()) {
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

#endif
