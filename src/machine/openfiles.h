#pragma once

#include <QFile>
#include <memory>
#include <vector>

// DOS's file handles: 0 to 4 are the devices a program inherits (standard
// input, output and error on CON, AUX, PRN), the rest files a program
// opened. Duplicated handles share one open file and its position.
class OpenFiles
{
public:
    enum class Kind { Con, Nul, Aux, Prn, Clock, File };
    struct Entry
    {
        Kind kind = Kind::Nul;
        std::unique_ptr<QFile> file;
        int drive = 0;
        bool writable = false;
        bool readable = true;
        bool written = false;
        // DOS's device information word (INT 21h AX=4400h).
        quint16 deviceInfo() const;
    };
    using Shared = std::shared_ptr<Entry>;

    static constexpr int handleCount = 20;

    OpenFiles();

    // Replaces a standard handle (the console file as "> FILE").
    void setStandard(int handle, Shared entry);
    // The lowest free handle, or -1 when all are taken.
    int add(Shared entry);
    Shared at(int handle) const;
    bool close(int handle);
    int duplicate(int handle);
    bool duplicateOnto(int handle, int target);
    void closeAll();

    static Shared device(Kind kind);

private:
    std::vector<Shared> handles_;
};
