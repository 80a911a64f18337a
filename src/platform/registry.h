#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

// The predefined roots, numbered as the registry numbers its root handles.
enum class RegistryRoot : quint32 {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
};

// Value types as the registry numbers them.
enum RegistryType : quint32 {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
};

// One value as a query returns it: its type, the buffer it was read into and
// the length in bytes the registry reported, which can be shorter than the
// buffer. Strings are UTF-16 little-endian, the registry's own form.
struct RegistryValue
{
    quint32 type = RegNone;
    QByteArray buffer;
    qsizetype length = 0;
};

// A string value as the registry stores it: UTF-16 little-endian with its
// terminating NUL.
RegistryValue registryString(const QString &text);

// Reading the registry. Keys are opened for reading only: the values the
// program looks up are readable by every user, and asking for more access
// fails for users without administrator rights.
class Registry
{
public:
    virtual ~Registry() = default;

    // The value, or nothing when the key cannot be opened or the value not read.
    virtual std::optional<RegistryValue> queryValue(RegistryRoot root, const QString &keyName,
                                                    const QString &valueName) = 0;
};

// The registry of this machine: the real one on Windows, elsewhere the stand-in
// of platform/pathregistry.h.
std::unique_ptr<Registry> createSystemRegistry();
