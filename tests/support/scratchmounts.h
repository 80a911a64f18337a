#pragma once

#include <QString>
#include <QStringList>

// Small file systems that a test mounts to make a write fail for real when it
// runs as root, where permission bits stop nothing: a full disk, a read-only
// folder. The first use moves the test process into a mount namespace of its
// own, so that no mount outlives the process; each mount is also undone when
// its ScratchMounts goes, whatever the test's outcome.
class ScratchMounts
{
public:
    // Empty when this process may mount; else why it may not.
    static QString unavailable();

    ScratchMounts() = default;
    ScratchMounts(const ScratchMounts &) = delete;
    ScratchMounts &operator=(const ScratchMounts &) = delete;
    ~ScratchMounts();

    // A tmpfs on dir (which must exist) with mount options such as "size=64k".
    bool tmpfs(const QString &dir, const QString &options);
    // The file or folder source appears at target as well.
    bool bind(const QString &source, const QString &target);
    // Makes the mount at dir read-only.
    bool makeReadOnly(const QString &dir);

private:
    QStringList mounted_;
};
