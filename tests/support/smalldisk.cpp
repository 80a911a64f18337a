#include "smalldisk.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

QString cannotMount()
{
    static const QString reason = [] {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a test file system needs root");
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("no mount namespace: ") + QString::fromLocal8Bit(strerror(errno));
        return QString();
    }();
    return reason;
}
