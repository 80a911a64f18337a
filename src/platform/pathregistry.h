#pragma once

#include "platform/registry.h"

#include <QStringList>

// The registry's stand-in where there is none. It knows one value, the
// system-information program's full path ("SOFTWARE\Microsoft\Shared
// Tools\MSINFO", "PATH" under the local machine), and answers it with the first
// system-information program found on the search path. Every other value is
// missing, the folder of "MSINFO32.EXE" included.
class PathRegistry : public Registry
{
public:
    // Programs tried in this order, searched in folders (the PATH when empty).
    explicit PathRegistry(QStringList programs = defaultPrograms(), QStringList folders = {});

    static QStringList defaultPrograms();

    std::optional<RegistryValue> queryValue(RegistryRoot root, const QString &keyName,
                                            const QString &valueName) override;

private:
    QStringList programs_;
    QStringList folders_;
};
