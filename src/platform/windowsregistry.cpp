#include <QtGlobal>

#ifdef Q_OS_WIN

#include "platform/registry.h"

#include <windows.h>

namespace {

HKEY rootHandle(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
        return HKEY_USERS;
    }
    return HKEY_LOCAL_MACHINE;
}

class WindowsRegistry : public Registry
{
public:
    std::optional<RegistryValue> queryValue(RegistryRoot root, const QString &keyName,
                                            const QString &valueName) override
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(rootHandle(root), reinterpret_cast<LPCWSTR>(keyName.utf16()), 0, KEY_READ,
                          &key) != ERROR_SUCCESS)
            return std::nullopt;

        // The values looked up are paths; a value that does not fit counts as
        // unreadable, as a longer path could not be started anyway.
        RegistryValue value;
        value.buffer = QByteArray(1024, '\0');
        DWORD type = 0;
        DWORD length = DWORD(value.buffer.size());
        const LONG result =
            RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(valueName.utf16()), nullptr, &type,
                             reinterpret_cast<LPBYTE>(value.buffer.data()), &length);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        value.type = type;
        value.length = qsizetype(length);
        return value;
    }
};

} // namespace

std::unique_ptr<Registry> createSystemRegistry()
{
    return std::make_unique<WindowsRegistry>();
}

#endif
