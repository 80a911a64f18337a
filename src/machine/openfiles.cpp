#include "machine/openfiles.h"

quint16 OpenFiles::Entry::deviceInfo() const
{
    switch (kind) {
    case Kind::Con:
        return 0x80D3;
    case Kind::Nul:
        return 0x8084;
    case Kind::Aux:
        return 0x80C0;
    case Kind::Prn:
        return 0xA8C0;
    case Kind::Clock:
        return 0x8088;
    case Kind::File:
        break;
    }
    return quint16(drive) | (written ? 0 : 0x40);
}

OpenFiles::Shared OpenFiles::device(Kind kind)
{
    auto entry = std::make_shared<Entry>();
    entry->kind = kind;
    entry->writable = true;
    return entry;
}

OpenFiles::OpenFiles() : handles_(handleCount)
{
    const Shared con = device(Kind::Con);
    handles_[0] = con;
    handles_[1] = con;
    handles_[2] = con;
    handles_[3] = device(Kind::Aux);
    handles_[4] = device(Kind::Prn);
}

void OpenFiles::setStandard(int handle, Shared entry)
{
    handles_[size_t(handle)] = std::move(entry);
}

int OpenFiles::add(Shared entry)
{
    for (size_t i = 0; i < handles_.size(); ++i) {
        if (!handles_[i]) {
            handles_[i] = std::move(entry);
            return int(i);
        }
    }
    return -1;
}

OpenFiles::Shared OpenFiles::at(int handle) const
{
    if (handle < 0 || handle >= handleCount)
        return {};
    return handles_[size_t(handle)];
}

bool OpenFiles::close(int handle)
{
    if (!at(handle))
        return false;
    handles_[size_t(handle)].reset();
    return true;
}

int OpenFiles::duplicate(int handle)
{
    const Shared entry = at(handle);
    return entry ? add(entry) : -1;
}

bool OpenFiles::duplicateOnto(int handle, int target)
{
    const Shared entry = at(handle);
    if (!entry || target < 0 || target >= handleCount)
        return false;
    handles_[size_t(target)] = entry;
    return true;
}

void OpenFiles::closeAll()
{
    for (auto &h : handles_)
        h.reset();
}
