#include "toolchain/commandlines.h"

#include "rules/trimspaces.h"

#include <QRegularExpression>
#include <QStringList>

QString quoteProgramPath(const QString &path)
{
    const bool quoted =
        path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"'));
    if (quoted || !(path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t'))))
        return path;
    return QLatin1Char('"') + path + QLatin1Char('"');
}

DosNameCheck checkDosName(const QString &fileName)
{
    // Letters, digits and the marks DOS allows that no shell gives a meaning.
    static const QLatin1String marks("_-$~!#@(){}^'`");
    for (const QChar c : fileName) {
        if (c.unicode() > 0x7e)
            return {DosNameRule::NotAscii, c};
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('.') || marks.contains(c);
        if (!allowed)
            return {DosNameRule::Forbidden, c};
    }
    if (fileName.startsWith(QLatin1Char('-')))
        return {DosNameRule::LeadingDash, QLatin1Char('-')};
    if (fileName.count(QLatin1Char('.')) > 1)
        return {DosNameRule::TwoDots, QLatin1Char('.')};
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    const qsizetype baseLength = dot < 0 ? fileName.size() : dot;
    if (baseLength < 1 || baseLength > 8)
        return {DosNameRule::BaseLength, {}};
    if (dot >= 0 && fileName.size() - dot - 1 > 3)
        return {DosNameRule::ExtensionLength, {}};
    return {};
}

QString listingBaseName(const QString &baseName, bool makeList)
{
    return makeList ? baseName : QStringLiteral("report");
}

QString assemblerCommand(const QString &masmPath, const QString &baseName, const QString &ext,
                         bool makeList, bool makeCross)
{
    // The object always takes the source's name, so the linker finds it. With
    // the listing on, the listing field is the default anyway and the cross
    // base may sit in it as it always has; with the listing off, "report" must
    // go into the listing field itself, or no report.lst is ever written.
    QStringList fields{baseName + QLatin1Char('.') + ext, baseName};
    if (!makeList)
        fields << QStringLiteral("report");
    fields << (makeCross ? baseName : QString());
    while (fields.size() < 5)
        fields << QString();
    return quoteProgramPath(masmPath) + QLatin1Char(' ') + fields.join(QLatin1Char(','));
}

static QString withoutPrefix(QStringView typed, std::initializer_list<QLatin1String> prefixes)
{
    const QStringView answer = trimSpaces(typed);
    for (const QLatin1String prefix : prefixes) {
        if (answer.startsWith(prefix, Qt::CaseInsensitive))
            return answer.sliced(prefix.size()).toString();
    }
    return answer.toString();
}

QString assemblerPromptAnswer(const QString &typed)
{
    return withoutPrefix(typed, {QLatin1String("masm "), QLatin1String("tasm ")});
}

QString assemblerPromptCommand(const QString &masmPath, const QString &answer)
{
    return quoteProgramPath(masmPath) + QLatin1Char(' ') + answer + QLatin1String(",,,,");
}

QString linkerCommand(const QString &linkPath, const QString &objectBase, const QString &library)
{
    // The second field names the program and the third the map; leaving the map
    // field empty still writes objectBase.MAP, which the map view opens.
    QString line = quoteProgramPath(linkPath) + QLatin1Char(' ') + objectBase +
                   QLatin1String(".obj,") + objectBase + QLatin1Char(',');
    if (!library.isEmpty())
        line += QLatin1Char(',') + library;
    return line + QLatin1Char(';');
}

QString linkerPromptAnswer(const QString &typed)
{
    return withoutPrefix(typed, {QLatin1String("tlink "), QLatin1String("link ")});
}

QString linkerPromptCommand(const QString &linkPath, const QString &answer)
{
    return quoteProgramPath(linkPath) + QLatin1Char(' ') + answer + QLatin1String(",,,,");
}

QString runCommand(const QString &toolFolder, const QString &baseName, bool com)
{
    return quoteProgramPath(toolFolder + baseName +
                            (com ? QLatin1String(".com") : QLatin1String(".exe")));
}

QStringList toolOutputNames(const QString &tail, const QString &consoleOutputName)
{
    QStringList names;
    if (!consoleOutputName.isEmpty())
        names << consoleOutputName.toUpper();
    static const QRegularExpression field(QStringLiteral("[^\\s,;+]+"));
    for (auto it = field.globalMatch(tail); it.hasNext();) {
        QString name = it.next().captured();
        // A switch ("/Zi", "/MAP") names no file.
        name = name.left(name.indexOf(QLatin1Char('/')) < 0 ? name.size()
                                                            : name.indexOf(QLatin1Char('/')));
        name = name.section(QLatin1Char('\\'), -1).section(QLatin1Char(':'), -1);
        name = name.section(QLatin1Char('.'), 0, 0).toUpper();
        if (!name.isEmpty() && !names.contains(name + QStringLiteral(".*")))
            names << name + QStringLiteral(".*");
    }
    return names;
}
