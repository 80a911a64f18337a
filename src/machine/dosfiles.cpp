// INT 21h file, folder and drive functions over Drives and OpenFiles, with
// DOS's error codes.
#include "machine/machinestate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr quint16 errInvalidFunction = 1;
constexpr quint16 errFileNotFound = 2;
constexpr quint16 errPathNotFound = 3;
constexpr quint16 errTooManyFiles = 4;
constexpr quint16 errAccessDenied = 5;
constexpr quint16 errInvalidHandle = 6;
constexpr quint16 errInvalidAccess = 12;
constexpr quint16 errInvalidDrive = 15;
constexpr quint16 errNotSameDevice = 17;
constexpr quint16 errNoMoreFiles = 18;
constexpr quint16 errFileExists = 80;

QByteArray pathAt(MachineState &m, Reg segment, Reg offset)
{
    return m.asciiz(m.r(segment), m.r(offset));
}

// DOS's character devices are found by their name alone, in every folder
// and with any extension: COM1 to COM4 are serial ports as AUX is, LPT1 to
// LPT3 printers as PRN is.
OpenFiles::Kind deviceNamed(const QByteArray &path)
{
    QByteArray name = path.mid(std::max(path.lastIndexOf('\\'), path.lastIndexOf('/')) + 1);
    if (name.size() >= 2 && name[1] == ':')
        name = name.sliced(2);
    name = name.left(name.indexOf('.') < 0 ? name.size() : name.indexOf('.')).toUpper();
    static const QList<QPair<QByteArray, OpenFiles::Kind>> devices = {
        {"CON", OpenFiles::Kind::Con},  {"NUL", OpenFiles::Kind::Nul},
        {"AUX", OpenFiles::Kind::Aux},  {"COM1", OpenFiles::Kind::Aux},
        {"COM2", OpenFiles::Kind::Aux}, {"COM3", OpenFiles::Kind::Aux},
        {"COM4", OpenFiles::Kind::Aux}, {"PRN", OpenFiles::Kind::Prn},
        {"LPT1", OpenFiles::Kind::Prn}, {"LPT2", OpenFiles::Kind::Prn},
        {"LPT3", OpenFiles::Kind::Prn}, {"CLOCK$", OpenFiles::Kind::Clock},
    };
    for (const auto &[device, kind] : devices)
        if (name == device)
            return kind;
    return OpenFiles::Kind::File;
}

quint16 dosTime(const QDateTime &t)
{
    return quint16((t.time().hour() << 11) | (t.time().minute() << 5) | (t.time().second() / 2));
}

quint16 dosDate(const QDateTime &t)
{
    return quint16(((std::max(1980, t.date().year()) - 1980) << 9) | (t.date().month() << 5) |
                   t.date().day());
}

// False (and DOS's error given) when the file could not be opened.
bool openAs(MachineState &m, const Drives::Resolved &r, QIODevice::OpenMode mode, bool writable,
            bool readable)
{
    auto entry = std::make_shared<OpenFiles::Entry>();
    entry->kind = OpenFiles::Kind::File;
    entry->drive = r.drive;
    entry->writable = writable;
    entry->readable = readable;
    entry->file = std::make_unique<QFile>(r.host);
    if (!entry->file->open(mode | QIODevice::Unbuffered))
        return m.fail(errAccessDenied), false;
    const int handle = m.files.add(entry);
    if (handle < 0)
        return m.fail(errTooManyFiles), false;
    m.set(Reg::AX, quint16(handle));
    m.succeed();
    return true;
}

bool openDevice(MachineState &m, const QByteArray &path)
{
    const OpenFiles::Kind kind = deviceNamed(path);
    if (kind == OpenFiles::Kind::File)
        return false;
    const int handle = m.files.add(OpenFiles::device(kind));
    if (handle < 0)
        m.fail(errTooManyFiles);
    else {
        m.set(Reg::AX, quint16(handle));
        m.succeed();
    }
    return true;
}

void create(MachineState &m, bool mustBeNew)
{
    const QByteArray path = pathAt(m, Reg::DS, Reg::DX);
    if (openDevice(m, path))
        return;
    const Drives::Resolved r = m.drives.resolve(path);
    if (r.error)
        return m.fail(r.error == errFileNotFound ? errPathNotFound : r.error);
    if (r.exists && mustBeNew)
        return m.fail(errFileExists);
    // Only regular files are written.
    if ((r.exists && (r.isFolder || !QFileInfo(r.host).isFile())) || !m.drives.mayChange(r))
        return m.fail(errAccessDenied);
    if (openAs(m, r, QIODevice::ReadWrite | QIODevice::Truncate, true, true))
        m.noteChanged(r.host);
}

void int21_3Ch_create(MachineState &m)
{
    create(m, false);
}

void int21_5Bh_createNew(MachineState &m)
{
    create(m, true);
}

void int21_3Dh_open(MachineState &m)
{
    const QByteArray path = pathAt(m, Reg::DS, Reg::DX);
    const int access = m.al() & 7;
    if (access > 2)
        return m.fail(errInvalidAccess);
    if (openDevice(m, path))
        return;
    const Drives::Resolved r = m.drives.resolve(path);
    if (r.error)
        return m.fail(r.error);
    if (!r.exists)
        return m.fail(errFileNotFound);
    if (r.isFolder || (access != 0 && (!QFileInfo(r.host).isFile() || !m.drives.mayChange(r))))
        return m.fail(errAccessDenied);
    // Write-only is opened for reading as well on the host: QFile empties a
    // file opened only for writing, and DOS keeps its bytes.
    openAs(m, r, access == 0 ? QIODevice::ReadOnly : QIODevice::ReadWrite, access != 0,
           access != 1);
}

// What DOS's clock device reads: days since 1980, minutes, hours,
// hundredths and seconds.
QByteArray clockRecord(const QDateTime &now)
{
    const auto days = quint16(QDate(1980, 1, 1).daysTo(now.date()));
    const QTime t = now.time();
    QByteArray record;
    record.append(char(days & 0xFF)).append(char(days >> 8));
    record.append(char(t.minute())).append(char(t.hour()));
    record.append(char(t.msec() / 10)).append(char(t.second()));
    return record;
}

void int21_3Eh_close(MachineState &m)
{
    if (!m.files.close(m.r(Reg::BX)))
        return m.fail(errInvalidHandle);
    m.succeed();
}

void int21_3Fh_read(MachineState &m)
{
    const OpenFiles::Shared f = m.files.at(m.r(Reg::BX));
    if (!f)
        return m.fail(errInvalidHandle);
    if (!f->readable)
        return m.fail(errAccessDenied);
    const int count = m.r(Reg::CX);
    QByteArray got;
    if (f->kind == OpenFiles::Kind::Con) {
        QByteArray line;
        if (!consoleLine(m, &line))
            return;
        line.append('\n');
        got = line.left(count);
        quint16 error;
        m.writeHandle(1, reinterpret_cast<const quint8 *>(line.constData()), int(line.size()),
                      &error);
    } else if (f->kind == OpenFiles::Kind::File) {
        got.resize(count);
        const qint64 n = f->file->read(got.data(), count);
        if (n < 0)
            return m.fail(errAccessDenied);
        got.truncate(n);
    } else if (f->kind == OpenFiles::Kind::Clock) {
        got = clockRecord(QDateTime::currentDateTime()).left(count);
    }
    m.mem().write(m.r(Reg::DS), m.r(Reg::DX), got);
    m.set(Reg::AX, quint16(got.size()));
    m.succeed();
}

void int21_40h_write(MachineState &m)
{
    quint16 error = 0;
    const QByteArray data = m.mem().read(m.r(Reg::DS), m.r(Reg::DX), m.r(Reg::CX));
    const int done = m.writeHandle(m.r(Reg::BX), reinterpret_cast<const quint8 *>(data.constData()),
                                   int(data.size()), &error);
    if (done < 0)
        return m.fail(error);
    m.set(Reg::AX, quint16(done));
    m.succeed();
}

void int21_41h_delete(MachineState &m)
{
    const Drives::Resolved r = m.drives.resolve(pathAt(m, Reg::DS, Reg::DX));
    if (r.error)
        return m.fail(r.error);
    if (!r.exists)
        return m.fail(errFileNotFound);
    if (r.isFolder || !QFileInfo(r.host).isFile() || !m.drives.mayChange(r) ||
        !QFile::remove(r.host))
        return m.fail(errAccessDenied);
    m.noteChanged(r.host);
    m.succeed();
}

void int21_42h_seek(MachineState &m)
{
    const OpenFiles::Shared f = m.files.at(m.r(Reg::BX));
    if (!f)
        return m.fail(errInvalidHandle);
    if (m.al() > 2)
        return m.fail(errInvalidFunction);
    qint64 position = 0;
    if (f->kind == OpenFiles::Kind::File) {
        const auto offset = qint32((quint32(m.r(Reg::CX)) << 16) | m.r(Reg::DX));
        const qint64 origin[] = {0, f->file->pos(), f->file->size()};
        position = origin[m.al()] + offset;
        if (position < 0 || !f->file->seek(position))
            return m.fail(errInvalidFunction);
    }
    m.set(Reg::DX, quint16(position >> 16));
    m.set(Reg::AX, quint16(position));
    m.succeed();
}

void int21_43h_attributes(MachineState &m)
{
    const Drives::Resolved r = m.drives.resolve(pathAt(m, Reg::DS, Reg::DX));
    if (r.error)
        return m.fail(r.error);
    if (!r.exists)
        return m.fail(errFileNotFound);
    if (m.al() == 0) {
        const QFileInfo info(r.host);
        m.set(Reg::CX, quint16(r.isFolder ? 0x10 : (info.isWritable() ? 0x20 : 0x21)));
        m.set(Reg::AX, m.r(Reg::CX)); // as DOS leaves them
    } else if (m.al() != 1) {
        return m.fail(errInvalidFunction);
    }
    m.succeed();
}

void int21_44h_ioctl(MachineState &m)
{
    const quint8 function = m.al();
    if (function == 0x08 || function == 0x09 || function == 0x0E) {
        const int drive = (m.r(Reg::BX) & 0xFF) ? (m.r(Reg::BX) & 0xFF) - 1 : m.drives.current();
        if (!m.drives.exists(drive))
            return m.fail(errInvalidDrive);
        if (function == 0x08)
            m.set(Reg::AX, 1); // fixed disk
        else if (function == 0x09)
            m.set(Reg::DX, 0x0802);
        else
            m.setAL(0);
        return m.succeed();
    }
    const OpenFiles::Shared f = m.files.at(m.r(Reg::BX));
    if (!f)
        return m.fail(errInvalidHandle);
    switch (function) {
    case 0x00:
        // DOS leaves the word in AX too, and programs read it there.
        m.set(Reg::DX, f->deviceInfo());
        m.set(Reg::AX, f->deviceInfo());
        break;
    case 0x01:
        break;
    case 0x06:
        if (f->kind == OpenFiles::Kind::File)
            m.setAL(f->file->atEnd() ? 0 : 0xFF);
        else
            m.setAL(f->kind == OpenFiles::Kind::Con && m.keyWaiting() ? 0xFF : 0);
        break;
    case 0x07:
        m.setAL(0xFF);
        break;
    default:
        return m.fail(errInvalidFunction);
    }
    m.succeed();
}

void int21_45h_duplicate(MachineState &m)
{
    if (!m.files.at(m.r(Reg::BX)))
        return m.fail(errInvalidHandle);
    const int handle = m.files.duplicate(m.r(Reg::BX));
    if (handle < 0)
        return m.fail(errTooManyFiles);
    m.set(Reg::AX, quint16(handle));
    m.succeed();
}

void int21_46h_forceDuplicate(MachineState &m)
{
    const int target = m.r(Reg::CX);
    if (target != m.r(Reg::BX)) {
        m.files.close(target);
        if (!m.files.duplicateOnto(m.r(Reg::BX), target))
            return m.fail(errInvalidHandle);
    }
    m.succeed();
}

void int21_0Eh_selectDrive(MachineState &m)
{
    m.drives.setCurrent(m.r(Reg::DX) & 0xFF);
    m.setAL(26);
}

void int21_19h_currentDrive(MachineState &m)
{
    m.setAL(quint8(m.drives.current()));
}

void int21_1Ah_setDta(MachineState &m)
{
    m.dtaSegment = m.r(Reg::DS);
    m.dtaOffset = m.r(Reg::DX);
}

void int21_2Fh_getDta(MachineState &m)
{
    m.set(Reg::ES, m.dtaSegment);
    m.set(Reg::BX, m.dtaOffset);
}

void int21_36h_freeSpace(MachineState &m)
{
    const int drive = (m.r(Reg::DX) & 0xFF) ? (m.r(Reg::DX) & 0xFF) - 1 : m.drives.current();
    if (!m.drives.exists(drive))
        return m.set(Reg::AX, 0xFFFF);
    // What DOSBox reports for a mounted folder.
    m.set(Reg::AX, 0x7F);
    m.set(Reg::BX, 0xFFF0);
    m.set(Reg::CX, 0x200);
    m.set(Reg::DX, 0xFFF0);
}

void int21_39h_makeFolder(MachineState &m)
{
    const Drives::Resolved r = m.drives.resolve(pathAt(m, Reg::DS, Reg::DX));
    if (r.error)
        return m.fail(r.error == errFileNotFound ? errPathNotFound : r.error);
    if (r.exists || !m.drives.mayChange(r) ||
        !QDir(r.hostFolder).mkdir(QFileInfo(r.host).fileName()))
        return m.fail(errAccessDenied);
    m.noteChanged(r.host);
    m.succeed();
}

void int21_3Ah_removeFolder(MachineState &m)
{
    const Drives::Resolved r = m.drives.resolve(pathAt(m, Reg::DS, Reg::DX));
    if (r.error || !r.exists || !r.isFolder)
        return m.fail(errPathNotFound);
    if (r.name.isEmpty() || QFileInfo(r.host).isSymLink() || !m.drives.mayChange(r) ||
        !QDir(r.hostFolder).rmdir(QFileInfo(r.host).fileName()))
        return m.fail(errAccessDenied);
    m.noteChanged(r.host);
    m.succeed();
}

void int21_3Bh_changeFolder(MachineState &m)
{
    const quint16 error = m.drives.changeFolder(pathAt(m, Reg::DS, Reg::DX));
    if (error)
        return m.fail(error);
    m.succeed();
}

void int21_47h_currentFolder(MachineState &m)
{
    const int drive = (m.r(Reg::DX) & 0xFF) ? (m.r(Reg::DX) & 0xFF) - 1 : m.drives.current();
    if (!m.drives.exists(drive))
        return m.fail(errInvalidDrive);
    const QByteArray folder = m.drives.currentFolder(drive).left(63);
    m.mem().write(m.r(Reg::DS), m.r(Reg::SI), folder + '\0');
    m.set(Reg::AX, 0x0100);
    m.succeed();
}

// An 8.3 name or pattern as the eleven characters of an FCB, '*' filling
// its part with '?'.
QByteArray fcbForm(const QByteArray &name)
{
    QByteArray out(11, ' ');
    const qsizetype dot = name.indexOf('.');
    const QByteArray parts[] = {dot < 0 ? name : name.first(dot),
                                dot < 0 ? QByteArray() : name.sliced(dot + 1)};
    for (int part = 0; part < 2; ++part) {
        const int width = part ? 3 : 8;
        for (int i = 0, j = 0; i < width && j < parts[part].size(); ++j) {
            if (parts[part][j] == '*') {
                while (i < width)
                    out[(part ? 8 : 0) + i++] = '?';
            } else {
                out[(part ? 8 : 0) + i++] = parts[part][j];
            }
        }
    }
    return out;
}

bool matches(const QByteArray &pattern, const QByteArray &name)
{
    for (int i = 0; i < 11; ++i)
        if (pattern[i] != '?' && pattern[i] != name[i])
            return false;
    return true;
}

// The DTA's first 21 bytes hold the search: the pattern in FCB form, the
// attributes asked for, the next entry and which folder.
void findNext(MachineState &m)
{
    GuestMemory &memory = m.mem();
    const quint16 seg = m.dtaSegment, dta = m.dtaOffset;
    auto at = [dta](int field) { return quint16(dta + field); };
    const QByteArray pattern = memory.read(seg, at(1), 11);
    const quint8 wanted = memory.byte(seg, at(12));
    quint16 index = memory.word(seg, at(13));
    const quint16 folderId = memory.word(seg, at(15));
    if (folderId >= m.searchFolders.size())
        return m.fail(errNoMoreFiles);
    const auto entries = Drives::visibleEntries(m.searchFolders[folderId]);
    for (; index < entries.size(); ++index) {
        const auto &[dosName, hostName] = entries[index];
        const QFileInfo info(m.searchFolders[folderId] + QLatin1Char('/') + hostName);
        const quint8 attributes = info.isDir() ? 0x10 : (info.isWritable() ? 0x20 : 0x21);
        if ((info.isDir() && !(wanted & 0x10)) || (!info.isDir() && !info.isFile()) ||
            !matches(pattern, fcbForm(dosName)))
            continue;
        memory.setWord(seg, at(13), quint16(index + 1));
        memory.setByte(seg, at(0x15), attributes);
        const QDateTime modified = info.lastModified();
        memory.setWord(seg, at(0x16), dosTime(modified));
        memory.setWord(seg, at(0x18), dosDate(modified));
        memory.setDword(seg, at(0x1A), info.isDir() ? 0 : quint32(info.size()));
        QByteArray name = dosName.left(12);
        name.append(QByteArray(13 - name.size(), '\0'));
        memory.write(seg, at(0x1E), name);
        m.set(Reg::AX, 0);
        return m.succeed();
    }
    memory.setWord(seg, at(13), index);
    m.fail(errNoMoreFiles);
}

void int21_4Eh_findFirst(MachineState &m)
{
    const Drives::Resolved r = m.drives.resolvePattern(pathAt(m, Reg::DS, Reg::DX));
    if (r.error)
        return m.fail(r.error == errFileNotFound ? errPathNotFound : r.error);
    qsizetype id = m.searchFolders.indexOf(r.hostFolder);
    if (id < 0) {
        id = m.searchFolders.size();
        m.searchFolders.append(r.hostFolder);
    }
    GuestMemory &memory = m.mem();
    const quint16 seg = m.dtaSegment, dta = m.dtaOffset;
    memory.setByte(seg, dta, quint8(r.drive + 1));
    memory.write(seg, quint16(dta + 1), fcbForm(r.name.isEmpty() ? QByteArray("*.*") : r.name));
    memory.setByte(seg, quint16(dta + 12), quint8(m.r(Reg::CX)));
    memory.setWord(seg, quint16(dta + 13), 0);
    memory.setWord(seg, quint16(dta + 15), quint16(id));
    findNext(m);
}

void int21_4Fh_findNext(MachineState &m)
{
    findNext(m);
}

void int21_56h_rename(MachineState &m)
{
    const Drives::Resolved from = m.drives.resolve(pathAt(m, Reg::DS, Reg::DX));
    const Drives::Resolved to = m.drives.resolve(pathAt(m, Reg::ES, Reg::DI));
    if (from.error)
        return m.fail(from.error);
    if (to.error)
        return m.fail(to.error == errFileNotFound ? errPathNotFound : to.error);
    if (!from.exists)
        return m.fail(errFileNotFound);
    if (from.drive != to.drive)
        return m.fail(errNotSameDevice);
    if (to.exists || from.name.isEmpty() || QFileInfo(from.host).isSymLink() ||
        !m.drives.mayChange(from) || !m.drives.mayChange(to) || !QDir().rename(from.host, to.host))
        return m.fail(errAccessDenied);
    m.noteChanged(from.host);
    m.noteChanged(to.host);
    m.succeed();
}

void int21_57h_fileTime(MachineState &m)
{
    const OpenFiles::Shared f = m.files.at(m.r(Reg::BX));
    if (!f)
        return m.fail(errInvalidHandle);
    if (m.al() > 1)
        return m.fail(errInvalidFunction);
    if (m.al() == 0) {
        const QDateTime t = f->kind == OpenFiles::Kind::File
                                ? QFileInfo(f->file->fileName()).lastModified()
                                : QDateTime::currentDateTime();
        m.set(Reg::CX, dosTime(t));
        m.set(Reg::DX, dosDate(t));
    }
    m.succeed();
}

void int21_68h_commit(MachineState &m)
{
    if (!m.files.at(m.r(Reg::BX)))
        return m.fail(errInvalidHandle);
    m.succeed();
}

} // namespace

void addFileServices(ServiceTable &t)
{
    t[0x0E] = int21_0Eh_selectDrive;
    t[0x19] = int21_19h_currentDrive;
    t[0x1A] = int21_1Ah_setDta;
    t[0x2F] = int21_2Fh_getDta;
    t[0x36] = int21_36h_freeSpace;
    t[0x39] = int21_39h_makeFolder;
    t[0x3A] = int21_3Ah_removeFolder;
    t[0x3B] = int21_3Bh_changeFolder;
    t[0x3C] = int21_3Ch_create;
    t[0x3D] = int21_3Dh_open;
    t[0x3E] = int21_3Eh_close;
    t[0x3F] = int21_3Fh_read;
    t[0x40] = int21_40h_write;
    t[0x41] = int21_41h_delete;
    t[0x42] = int21_42h_seek;
    t[0x43] = int21_43h_attributes;
    t[0x44] = int21_44h_ioctl;
    t[0x45] = int21_45h_duplicate;
    t[0x46] = int21_46h_forceDuplicate;
    t[0x47] = int21_47h_currentFolder;
    t[0x4E] = int21_4Eh_findFirst;
    t[0x4F] = int21_4Fh_findNext;
    t[0x56] = int21_56h_rename;
    t[0x57] = int21_57h_fileTime;
    t[0x5B] = int21_5Bh_createNew;
    t[0x68] = int21_68h_commit;
}
