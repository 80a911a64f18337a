#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

// A registry holding only the values a test puts in it. Every query is
// recorded as "key|value", so a test can tell which locations were read.
class FakeRegistry : public Registry
{
public:
    void set(const QString &keyName, const QString &valueName, const RegistryValue &value,
             RegistryRoot root = RegistryRoot::LocalMachine)
    {
        values_.insert(id(root, keyName, valueName), value);
    }
    void setString(const QString &keyName, const QString &valueName, const QString &text)
    {
        set(keyName, valueName, registryString(text));
    }

    QStringList reads;

    std::optional<RegistryValue> queryValue(RegistryRoot root, const QString &keyName,
                                            const QString &valueName) override
    {
        reads << keyName + QLatin1Char('|') + valueName;
        const auto it = values_.constFind(id(root, keyName, valueName));
        if (it == values_.constEnd())
            return std::nullopt;
        return *it;
    }

private:
    static QString id(RegistryRoot root, const QString &keyName, const QString &valueName)
    {
        return QString::number(quint32(root)) + QLatin1Char('|') + keyName.toLower() +
               QLatin1Char('|') + valueName.toLower();
    }

    QHash<QString, RegistryValue> values_;
};
