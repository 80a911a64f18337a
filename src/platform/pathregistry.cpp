#include "platform/pathregistry.h"

#include <QStandardPaths>

PathRegistry::PathRegistry(QStringList programs, QStringList folders)
    : programs_(std::move(programs)), folders_(std::move(folders))
{
}

QStringList PathRegistry::defaultPrograms()
{
    // Desktop environments each ship their own; the more detailed ones first.
    return {QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("lxtask")};
}

std::optional<RegistryValue> PathRegistry::queryValue(RegistryRoot root, const QString &keyName,
                                                      const QString &valueName)
{
    // Registry names ignore case.
    if (root != RegistryRoot::LocalMachine ||
        keyName.compare(QLatin1String("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                        Qt::CaseInsensitive) != 0 ||
        valueName.compare(QLatin1String("PATH"), Qt::CaseInsensitive) != 0)
        return std::nullopt;

    for (const QString &program : programs_) {
        const QString path = QStandardPaths::findExecutable(program, folders_);
        if (path.isEmpty())
            continue;
        return registryString(path);
    }
    return std::nullopt;
}

#ifndef Q_OS_WIN
std::unique_ptr<Registry> createSystemRegistry()
{
    return std::make_unique<PathRegistry>();
}
#endif
