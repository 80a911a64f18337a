#include "platform/fso.h"

#include <QDir>
#include <QFileInfo>

static int lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

QString FileSystem::absolutePathName(const QString &name) const
{
    if (name.isEmpty())
        return QDir::toNativeSeparators(QDir::currentPath());
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(name)));
}

QString FileSystem::extensionName(const QString &path) const
{
    const QString last = path.mid(lastSeparator(path) + 1);
    const int dot = last.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : last.mid(dot + 1);
}

QString FileSystem::baseName(const QString &path) const
{
    const QString last = path.mid(lastSeparator(path) + 1);
    const int dot = last.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? last : last.left(dot);
}

QString FileSystem::actualPath(const QString &path) const
{
    const QFileInfo exact(path);
    if (exact.exists())
        return path;
    const QDir dir = exact.absoluteDir();
    const QString wanted = exact.fileName();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden |
                                              QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return QDir::toNativeSeparators(dir.filePath(entry));
    }
    return path;
}

bool FileSystem::fileExists(const QString &path) const
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(actualPath(path));
    return info.exists() && info.isFile();
}
