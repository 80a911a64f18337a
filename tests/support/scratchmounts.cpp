#include "scratchmounts.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

QString ScratchMounts::unavailable()
{
#ifdef Q_OS_LINUX
    static const QString reason = [] {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a test file system needs root");
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("no mount namespace of our own: ") +
                   QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }();
    return reason;
#else
    return QStringLiteral("test file systems are mounted on Linux only");
#endif
}

#ifdef Q_OS_LINUX
bool ScratchMounts::tmpfs(const QString &dir, const QString &options)
{
    if (!unavailable().isEmpty() || ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0,
                                            options.toLatin1().constData()) != 0)
        return false;
    mounted_.prepend(dir);
    return true;
}

bool ScratchMounts::bind(const QString &source, const QString &target)
{
    if (!unavailable().isEmpty() ||
        ::mount(QFile::encodeName(source).constData(), QFile::encodeName(target).constData(),
                nullptr, MS_BIND, nullptr) != 0)
        return false;
    mounted_.prepend(target);
    return true;
}

bool ScratchMounts::makeReadOnly(const QString &dir)
{
    return ::mount(nullptr, QFile::encodeName(dir).constData(), nullptr,
                   MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

ScratchMounts::~ScratchMounts()
{
    for (const QString &dir : std::as_const(mounted_))
        ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
}
#else
bool ScratchMounts::tmpfs(const QString &, const QString &)
{
    return false;
}
bool ScratchMounts::bind(const QString &, const QString &)
{
    return false;
}
bool ScratchMounts::makeReadOnly(const QString &)
{
    return false;
}
ScratchMounts::~ScratchMounts() = default;
#endif
