#include "checking/submissions.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <memory>
#include <zip.h>

namespace {

constexpr qint64 kZipEntries = 10000;
constexpr quint64 kZipBytes = 256ull * 1024 * 1024;
constexpr qsizetype kCopiedFiles = 200;
constexpr qint64 kCopiedBytes = 8 * 1024 * 1024;

// Says what went wrong; the caller answers with nothing.
template <typename Answer = bool> Answer fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return Answer{};
}

// What a student's folder shows: no hidden files, no links of any kind, no
// devices or pipes (QDir::System is left out).
QFileInfoList visible(const QString &folder, QDir::Filters kind)
{
    QFileInfoList result;
    const QFileInfoList all =
        QDir(folder).entryInfoList(kind | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &info : all) {
        if (!info.isSymLink() && !info.isJunction())
            result.append(info);
    }
    return result;
}

bool isAsm(const QFileInfo &info)
{
    return info.suffix().compare(QLatin1String("asm"), Qt::CaseInsensitive) == 0;
}

// "END start": the program's last line, naming where it starts; INCLUDE
// files end without one.
bool namesStart(const QString &path)
{
    static const QRegularExpression end(
        QStringLiteral("^\\s*END\\s+[A-Za-z_@$?][A-Za-z0-9_@$?]*\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.read(1024 * 1024).split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray code = line.left(line.indexOf(';')); // whole line when none
        if (end.match(QString::fromLatin1(code)).hasMatch())
            return true;
    }
    return false;
}

QFileInfo mainSource(const QFileInfo &folder)
{
    QFileInfoList sources;
    for (const QFileInfo &file : visible(folder.absoluteFilePath(), QDir::Files)) {
        if (isAsm(file))
            sources.append(file);
    }
    if (sources.size() <= 1)
        return sources.value(0);
    for (const QFileInfo &source : sources) {
        if (source.completeBaseName().compare(folder.fileName(), Qt::CaseInsensitive) == 0)
            return source;
    }
    for (const QFileInfo &source : sources) {
        if (namesStart(source.absoluteFilePath()))
            return source;
    }
    return sources.first();
}

// Sorted as a Chinese teacher's list is, and told apart in any case: the
// results are keyed by student, and may be saved where case is not kept.
void sortAndTellApart(QList<Submission> &found)
{
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    std::stable_sort(found.begin(), found.end(), [&](const Submission &a, const Submission &b) {
        const int order = collator.compare(a.student, b.student);
        return order != 0 ? order < 0 : a.source < b.source;
    });
    QSet<QString> taken;
    for (Submission &s : found) {
        const QString own = s.student;
        for (int n = 2; taken.contains(s.student.toCaseFolded()); ++n)
            s.student = QStringLiteral("%1 (%2)").arg(own).arg(n);
        taken.insert(s.student.toCaseFolded());
    }
}

} // namespace

QList<Submission> findSubmissions(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.isFile()) {
        if (!isAsm(info))
            return fail<QList<Submission>>(
                error, QStringLiteral("%1 不是 .asm 文件，也不是文件夹").arg(path));
        // The teacher's own argument: a link given here is theirs to follow.
        return {{info.completeBaseName(), info.fileName(), info.absolutePath(),
                 info.canonicalFilePath()}};
    }
    if (!info.isDir())
        return fail<QList<Submission>>(error, QStringLiteral("找不到 %1").arg(path));

    const QDir classFolder(info.absoluteFilePath());
    QList<Submission> found;
    for (const QFileInfo &file : visible(classFolder.path(), QDir::Files)) {
        if (isAsm(file))
            found.append({file.completeBaseName(), file.fileName(), classFolder.path(),
                          file.absoluteFilePath()});
    }
    for (const QFileInfo &folder : visible(classFolder.path(), QDir::Dirs)) {
        if (folder.fileName() == QLatin1String("__MACOSX")) // a Mac's zip leaves it
            continue;
        // A folder without any .asm is kept: that student still has a row.
        const QFileInfo source = mainSource(folder);
        Submission s{folder.fileName(), {}, folder.absoluteFilePath(), {}};
        if (!source.filePath().isEmpty()) {
            s.source = classFolder.relativeFilePath(source.absoluteFilePath());
            s.hostSource = source.absoluteFilePath();
        }
        found.append(s);
    }
    if (found.isEmpty())
        return fail<QList<Submission>>(
            error, QStringLiteral("%1 里没有学生的程序：应是每人一个 .asm 文件，"
                                  "或每人一个文件夹")
                       .arg(path));
    sortAndTellApart(found);
    return found;
}

namespace {

struct ZipDiscard
{
    void operator()(zip_t *zip) const { zip_discard(zip); }
};
struct ZipFileClose
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

struct ZipEntry
{
    zip_uint64_t index = 0;
    QStringList path; // its components, none empty, "." or ".."
    bool folder = false;
    zip_uint64_t size = 0;
};

// libzip, asked to keep to the standard, reads a name without the UTF-8 flag
// as code page 437: a name it gives back unchanged had the flag (or is ASCII).
QString entryName(zip_t *zip, zip_uint64_t index, const QByteArray &raw)
{
    const char *strict = zip_get_name(zip, index, ZIP_FL_ENC_STRICT);
    const bool flagged = strict && raw == strict;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString name = utf8.decode(raw);
    if (flagged || !utf8.hasError())
        return name;
    QStringDecoder gbk("GB18030");
    return gbk.isValid() ? QString(gbk.decode(raw)) : QString::fromLatin1(raw);
}

bool isSymLink(zip_t *zip, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & 0170000) == 0120000;
}

// Reads every entry's name and checks it before anything is written.
bool readEntries(zip_t *zip, QList<ZipEntry> *entries, QString *error)
{
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count > kZipEntries)
        return fail(
            error,
            QStringLiteral("压缩包里的文件太多（%1 个，最多 %2 个）").arg(count).arg(kZipEntries));
    static const QRegularExpression absolute(QStringLiteral("^(/|[A-Za-z]:)"));
    // ':' would name a second stream of a file on Windows.
    static const QRegularExpression forbidden(QStringLiteral("[\\x00-\\x1f:*?\"<>|]"));
    quint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, zip_uint64_t(i), ZIP_FL_ENC_RAW, &stat) != 0 || !stat.name)
            return fail(error, QStringLiteral("压缩包坏了：%1").arg(zip_strerror(zip)));
        QString name = entryName(zip, zip_uint64_t(i), QByteArray(stat.name));
        name.replace(QLatin1Char('\\'), QLatin1Char('/')); // old Windows tools write these
        const QString refused = QStringLiteral("压缩包里的“%1”").arg(name);
        if (absolute.match(name).hasMatch())
            return fail(error, refused + QStringLiteral("是绝对路径，不解压"));
        if (forbidden.match(name).hasMatch())
            return fail(error, refused + QStringLiteral("的名字里有文件名不能用的字符，不解压"));
        if (isSymLink(zip, zip_uint64_t(i)))
            return fail(error, refused + QStringLiteral("是符号链接，不解压"));
        ZipEntry entry{zip_uint64_t(i), {}, name.endsWith(QLatin1Char('/')), stat.size};
        for (const QString &part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (part == QLatin1String(".."))
                return fail(error, refused + QStringLiteral("指向解压文件夹之外，不解压"));
            if (part != QLatin1String("."))
                entry.path.append(part);
        }
        if (entry.path.isEmpty() || entry.path.first() == QLatin1String("__MACOSX"))
            continue;
        if (!entry.folder && (total += stat.size) > kZipBytes)
            return fail(
                error,
                QStringLiteral("压缩包解压后超过 %1 MB，不解压").arg(kZipBytes / 1024 / 1024));
        entries->append(entry);
    }
    return true;
}

// Zipping the class folder itself puts everything in one top folder. Left in
// place when what it holds is one student's own folder: at most one .asm, no
// sub-folders.
void dropTopFolder(QList<ZipEntry> &entries)
{
    if (entries.isEmpty())
        return;
    const QString top = entries.first().path.first();
    int sources = 0;
    bool subFolders = false;
    for (const ZipEntry &e : entries) {
        if (e.path.first() != top || (e.path.size() == 1 && !e.folder))
            return;
        subFolders = subFolders || e.path.size() > 2 || (e.path.size() == 2 && e.folder);
        if (e.path.size() == 2 && !e.folder && isAsm(QFileInfo(e.path.last())))
            ++sources;
    }
    if (!subFolders && sources <= 1)
        return;
    entries.removeIf([](const ZipEntry &e) { return e.path.size() == 1; });
    for (ZipEntry &e : entries)
        e.path.removeFirst();
}

bool unpackEntry(zip_t *zip, const ZipEntry &entry, const QDir &into, QString *error)
{
    const QString relative = entry.path.join(QLatin1Char('/'));
    const QString folder =
        entry.folder ? relative : entry.path.mid(0, entry.path.size() - 1).join(QLatin1Char('/'));
    if (!folder.isEmpty() && !into.mkpath(folder))
        return fail(error, QStringLiteral("无法建立文件夹 %1").arg(into.filePath(folder)));
    if (entry.folder)
        return true;
    QFile out(into.filePath(relative));
    // NewOnly: two entries of one name (in any case, on some systems) are refused.
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(error, QStringLiteral("无法写 %1：%2").arg(out.fileName(), out.errorString()));
    const std::unique_ptr<zip_file_t, ZipFileClose> in(zip_fopen_index(zip, entry.index, 0));
    if (!in)
        return fail(error,
                    QStringLiteral("压缩包里的“%1”读不出：%2").arg(relative, zip_strerror(zip)));
    char buffer[64 * 1024];
    zip_uint64_t written = 0;
    zip_int64_t n;
    while ((n = zip_fread(in.get(), buffer, sizeof buffer)) > 0) {
        // Never more than the entry said: the bound was counted from that.
        if ((written += zip_uint64_t(n)) > entry.size)
            return fail(error, QStringLiteral("压缩包里的“%1”比它标明的大，不解压").arg(relative));
        if (out.write(buffer, n) != n)
            return fail(error,
                        QStringLiteral("无法写 %1：%2").arg(out.fileName(), out.errorString()));
    }
    if (n < 0)
        return fail(
            error,
            QStringLiteral("压缩包里的“%1”读不出：%2").arg(relative, zip_file_strerror(in.get())));
    return true;
}

} // namespace

bool unpackZip(const QString &zipPath, const QString &into, QString *error)
{
#ifdef Q_OS_WIN
    const QByteArray path = zipPath.toUtf8(); // libzip takes UTF-8 there
#else
    const QByteArray path = QFile::encodeName(zipPath);
#endif
    int code = 0;
    const std::unique_ptr<zip_t, ZipDiscard> zip(zip_open(path.constData(), ZIP_RDONLY, &code));
    if (!zip) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        const QString text = QString::fromUtf8(zip_error_strerror(&reason));
        zip_error_fini(&reason);
        return fail(error, QStringLiteral("打不开压缩包 %1：%2").arg(zipPath, text));
    }
    QList<ZipEntry> entries;
    if (!readEntries(zip.get(), &entries, error))
        return false;
    if (!QDir().mkpath(into))
        return fail(error, QStringLiteral("无法建立文件夹 %1").arg(into));
    dropTopFolder(entries);
    const QDir folder(into);
    for (const ZipEntry &entry : entries) {
        if (!unpackEntry(zip.get(), entry, folder, error))
            return false;
    }
    return true;
}

namespace {

// The name DOS has for a file: 8.3, upper case, no device's name. Empty
// when it has none.
QString dosName(const QString &name)
{
    static const QRegularExpression rule(
        QStringLiteral("^([A-Z0-9_$~!#%&'(){}@^`-]{1,8})(\\.[A-Z0-9_$~!#%&'(){}@^`-]{1,3})?$"));
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-4]|LPT[1-3]|CLOCK\\$)$"));
    const QString upper = name.toUpper();
    const QRegularExpressionMatch match = rule.match(upper);
    if (!match.hasMatch() || device.match(match.captured(1)).hasMatch())
        return {};
    return upper;
}

} // namespace

QString copyForTools(const Submission &submission, const QString &workFolder, QString *error,
                     QStringList *renamed)
{
    const QString mainName = QStringLiteral("MAIN.ASM");
    if (submission.hostSource.isEmpty())
        return fail<QString>(error, QStringLiteral("%1 没有 .asm 文件").arg(submission.student));
    const QFileInfo main(submission.hostSource);
    if (main.isSymLink() || !main.isFile())
        return fail<QString>(error, QStringLiteral("%1 不是普通文件").arg(submission.hostSource));
    // A one-file submission shares its folder with the other students' files.
    const bool oneFile = !submission.source.contains(QLatin1Char('/'));
    const QFileInfoList files =
        oneFile ? QFileInfoList{main} : visible(submission.hostFolder, QDir::Files);
    if (files.size() > kCopiedFiles)
        return fail<QString>(error, QStringLiteral("%1 的文件夹里文件太多（%2 个，最多 %3 个）")
                                        .arg(submission.student)
                                        .arg(files.size())
                                        .arg(kCopiedFiles));

    QList<QPair<QFileInfo, QString>> copies; // and their DOS names
    QSet<QString> used{mainName};
    QFileInfoList unnamed;
    for (const QFileInfo &file : files) {
        const QString name = dosName(file.fileName());
        if (file.fileName() == main.fileName()) {
            copies.append({file, mainName});
        } else if (!name.isEmpty() && !used.contains(name)) {
            copies.append({file, name});
            used.insert(name);
        } else {
            unnamed.append(file);
        }
    }
    int number = 0;
    for (const QFileInfo &file : unnamed) {
        const QString extension = dosName(QStringLiteral("X.") + file.suffix()).mid(1);
        QString name;
        do
            name = QStringLiteral("F~%1").arg(++number, 3, 10, QLatin1Char('0')) + extension;
        while (used.contains(name));
        used.insert(name);
        copies.append({file, name});
        if (renamed)
            renamed->append(QStringLiteral("%1 → %2").arg(file.fileName(), name));
    }

    const QDir work(workFolder);
    qint64 left = kCopiedBytes;
    for (const auto &[file, name] : copies) {
        QFile in(file.absoluteFilePath());
        if (!in.open(QIODevice::ReadOnly))
            return fail<QString>(
                error, QStringLiteral("无法读 %1：%2").arg(in.fileName(), in.errorString()));
        const QByteArray bytes = in.read(left + 1);
        if ((left -= bytes.size()) < 0)
            return fail<QString>(error, QStringLiteral("%1 的文件合计超过 %2 MB")
                                            .arg(submission.student)
                                            .arg(kCopiedBytes / 1024 / 1024));
        QFile out(work.filePath(name));
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            out.write(bytes) != bytes.size())
            return fail<QString>(
                error, QStringLiteral("无法写 %1：%2").arg(out.fileName(), out.errorString()));
    }
    return mainName;
}
