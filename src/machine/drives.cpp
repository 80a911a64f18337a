#include "machine/drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

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

constexpr char16_t lonePrivateByte = 0xF700;

// The one character that two bytes of GBK stand for, or a null QChar.
QChar gbkCharacter(char lead, char trail)
{
    const auto l = quint8(lead), t = quint8(trail);
    if (l < 0x81 || l > 0xFE || t < 0x40 || t > 0xFE || t == 0x7F)
        return {};
    QStringDecoder decode("GBK", QStringDecoder::Flag::Stateless);
    const QByteArray bytes = QByteArray(1, lead) + trail;
    const QString c = decode(bytes);
    if (decode.hasError() || c.size() != 1 || c[0] == QChar::ReplacementCharacter ||
        (c[0].unicode() >= lonePrivateByte + 0x80 && c[0].unicode() <= lonePrivateByte + 0xFF))
        return {};
    // Only a character that encodes back to the same bytes keeps the name reversible.
    QStringEncoder encode("GBK", QStringEncoder::Flag::Stateless);
    const QByteArray back = encode(c);
    return !encode.hasError() && back == bytes ? c[0] : QChar();
}
} // namespace

QString Drives::hostName(const QByteArray &dosName)
{
    QString name;
    for (qsizetype i = 0; i < dosName.size(); ++i) {
        const auto b = quint8(dosName[i]);
        if (b < 0x80) {
            name += QChar(b);
        } else if (const QChar c =
                       i + 1 < dosName.size() ? gbkCharacter(dosName[i], dosName[i + 1]) : QChar();
                   !c.isNull()) {
            name += c;
            ++i;
        } else {
            name += QChar(char16_t(lonePrivateByte + b));
        }
    }
    return name;
}

QByteArray Drives::dosBytes(const QString &hostName)
{
    QByteArray bytes;
    for (const QChar c : hostName) {
        const char16_t u = c.unicode();
        if (u == 0)
            return {};
        if (u < 0x80) {
            bytes += char(u);
        } else if (u >= lonePrivateByte + 0x80 && u <= lonePrivateByte + 0xFF) {
            bytes += char(u - lonePrivateByte);
        } else {
            QStringEncoder encode("GBK", QStringEncoder::Flag::Stateless);
            const QByteArray two = encode(QString(c));
            if (encode.hasError() || two.size() != 2 || gbkCharacter(two[0], two[1]) != c)
                return {};
            bytes += two;
        }
    }
    // A name that reads back otherwise (lone bytes that pair up as GBK) is
    // not the one name its DOS name has.
    return Drives::hostName(bytes) == hostName ? bytes : QByteArray();
}

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
        const QByteArray bytes = dosBytes(name);
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
    r.host = r.hostFolder + QLatin1Char('/') + hostName(r.name);
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

void Drives::setToolFolderWrites(ToolFolderWrites writes, const QStringList &outputs)
{
    toolFolderWrites_ = writes;
    toolOutputs_.clear();
    for (const QString &name : outputs)
        toolOutputs_.append(upper(name.toLatin1()));
}

bool Drives::mayChange(const Resolved &entry) const
{
    if (entry.drive != C || toolFolderWrites_ == ToolFolderWrites::Any)
        return true;
    const qsizetype dot = entry.name.indexOf('.');
    if (toolFolderWrites_ == ToolFolderWrites::ExceptTools) {
        static const QList<QByteArray> tools = {"EXE", "COM", "DLL", "OVL", "SYS", "BAT"};
        return entry.hostFolder != roots_[C] || dot < 0 ||
               !tools.contains(entry.name.sliced(dot + 1));
    }
    if (toolFolderWrites_ == ToolFolderWrites::None || entry.hostFolder != roots_[C] ||
        entry.name.isEmpty())
        return false;
    const QByteArray anyExtension = (dot < 0 ? entry.name : entry.name.first(dot)) + ".*";
    return toolOutputs_.contains(entry.name) || toolOutputs_.contains(anyExtension);
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
        folder += (folder.isEmpty() ? "" : "\\") + shortName(dosBytes(p));
    folders_[r.drive] = folder;
    return 0;
}
