#include "machine/drives.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr quint16 errFileNotFound = 2;
constexpr quint16 errPathNotFound = 3;
constexpr quint16 errAccessDenied = 5;
constexpr quint16 errInvalidDrive = 15;

bool separator(char c)
{
    return c == '\\' || c == '/';
}

QByteArray upper(QByteArray text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}
} // namespace

Drives::Drives(const QString &toolFolder, const QString &sourceFolder)
{
    roots_[C] = toolFolder;
    roots_[D] = sourceFolder;
    for (int d : {C, D})
        if (!roots_[d].isEmpty())
            canonicalRoots_[d] = QFileInfo(roots_[d]).canonicalFilePath();
}

bool Drives::exists(int drive) const
{
    return drive >= 0 && drive < 4 && !canonicalRoots_[drive].isEmpty();
}

bool Drives::setCurrent(int drive)
{
    if (!exists(drive))
        return false;
    current_ = drive;
    return true;
}

QByteArray Drives::currentFolder(int drive) const
{
    return exists(drive) ? folders_[drive] : QByteArray();
}

QByteArray Drives::shortName(const QByteArray &component)
{
    static const QByteArray forbidden = "\"*+,/:;<=>?[\\]|";
    if (component == "." || component == "..")
        return component;
    const qsizetype dot = component.indexOf('.');
    QByteArray base = dot < 0 ? component : component.first(dot);
    QByteArray ext = dot < 0 ? QByteArray() : component.sliced(dot + 1);
    if (base.isEmpty() || ext.contains('.'))
        return {};
    for (char c : component)
        if (quint8(c) < 0x20 || c == ' ' || forbidden.contains(c))
            return {};
    base = upper(base.left(8));
    ext = upper(ext.left(3));
    return ext.isEmpty() ? base : base + '.' + ext;
}

QList<QPair<QByteArray, QString>> Drives::visibleEntries(const QString &hostFolder)
{
    QList<QPair<QByteArray, QString>> entries;
    const QStringList names =
        QDir(hostFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    for (const QString &name : names) {
        const QByteArray bytes = name.toLocal8Bit();
        const QByteArray dosName = shortName(bytes);
        // Only names DOS could have written itself are seen: a longer one
        // would need DOSBox's invented "~1" names.
        if (!dosName.isEmpty() && upper(bytes) == dosName)
            entries.append({dosName, name});
    }
    return entries;
}

bool Drives::inside(int drive, const QString &hostPath) const
{
    const QString real = QFileInfo(hostPath).canonicalFilePath();
    // Nothing there yet (its folder was checked), unless it is a dangling
    // link: that leads wherever its target would be made.
    if (real.isEmpty())
        return !QFileInfo(hostPath).isSymLink();
    const QString &root = canonicalRoots_[drive];
    return real == root ||
           real.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

Drives::Resolved Drives::walk(const QByteArray &dosPath, bool lastIsPattern) const
{
    Resolved r;
    QByteArray path = dosPath;
    r.drive = current_;
    if (path.size() >= 2 && path[1] == ':') {
        const char letter = upper(path.first(1))[0];
        r.drive = letter - 'A';
        path = path.sliced(2);
        if (letter < 'A' || letter > 'Z' || !exists(r.drive)) {
            r.error = errPathNotFound;
            return r;
        }
    }
    if (path.isEmpty() && !lastIsPattern) {
        r.error = errPathNotFound;
        return r;
    }
    QList<QByteArray> parts;
    if (path.isEmpty() || !separator(path[0]))
        for (const QByteArray &p : folders_[r.drive].split('\\'))
            if (!p.isEmpty())
                parts.append(p);
    QByteArray last;
    const QList<QByteArray> given = path.replace('/', '\\').split('\\');
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QByteArray &p = given[i];
        const bool isLast = i == given.size() - 1;
        if (isLast && lastIsPattern) {
            last = upper(p);
            break;
        }
        if (p.isEmpty() || p == ".") {
            if (isLast && !p.isEmpty())
                last = ".";
            continue;
        }
        if (p == "..") {
            if (parts.isEmpty()) {
                r.error = errPathNotFound;
                return r;
            }
            parts.removeLast();
            continue;
        }
        const QByteArray name = shortName(p);
        if (name.isEmpty()) {
            r.error = isLast ? errFileNotFound : errPathNotFound;
            return r;
        }
        parts.append(name);
    }
    if (!lastIsPattern && last.isEmpty() && !parts.isEmpty() && !given.last().isEmpty() &&
        given.last() != "..")
        last = parts.takeLast();
    // Walk the folders on the host, whatever the case of their names.
    QString folder = roots_[r.drive];
    for (const QByteArray &part : parts) {
        QString found;
        for (const auto &entry : visibleEntries(folder))
            if (entry.first == part)
                found = entry.second;
        const QString next = folder + QLatin1Char('/') + found;
        if (found.isEmpty() || !QFileInfo(next).isDir()) {
            r.error = errPathNotFound;
            return r;
        }
        if (!inside(r.drive, next)) {
            r.error = errAccessDenied;
            return r;
        }
        folder = next;
    }
    r.hostFolder = folder;
    r.name = last;
    if (last.isEmpty() || last == ".") {
        r.host = folder;
        r.exists = true;
        r.isFolder = true;
        r.name.clear();
    }
    return r;
}

Drives::Resolved Drives::resolve(const QByteArray &dosPath) const
{
    Resolved r = walk(dosPath, false);
    if (r.error || r.exists)
        return r;
    r.host = r.hostFolder + QLatin1Char('/') + QString::fromLocal8Bit(r.name);
    for (const auto &entry : visibleEntries(r.hostFolder)) {
        if (entry.first == r.name) {
            r.host = r.hostFolder + QLatin1Char('/') + entry.second;
            const QFileInfo info(r.host);
            r.exists = true;
            r.isFolder = info.isDir();
            if (!inside(r.drive, r.host))
                r.error = errAccessDenied;
            return r;
        }
    }
    // A dangling link under the new name would lead anywhere.
    if (QFileInfo(r.host).isSymLink())
        r.error = errAccessDenied;
    return r;
}

Drives::Resolved Drives::resolvePattern(const QByteArray &dosPath) const
{
    return walk(dosPath, true);
}

quint16 Drives::changeFolder(const QByteArray &dosPath)
{
    Resolved r = walk(dosPath, false);
    if (!r.error && !r.exists) {
        r = resolve(dosPath);
        if (!r.error && (!r.exists || !r.isFolder))
            r.error = errPathNotFound;
    }
    if (r.error)
        return r.error == errInvalidDrive ? errInvalidDrive : errPathNotFound;
    const QString root = roots_[r.drive];
    QString relative = QDir(root).relativeFilePath(r.host);
    if (relative == QLatin1String("."))
        relative.clear();
    QByteArray folder;
    for (const QString &p : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        folder += (folder.isEmpty() ? "" : "\\") + shortName(p.toLocal8Bit());
    folders_[r.drive] = folder;
    return 0;
}
