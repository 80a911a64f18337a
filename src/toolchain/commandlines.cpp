#include "toolchain/commandlines.h"

#include "toolchain/trimspaces.h"

#include <QStringList>

QString quoteProgramPath(const QString &path)
{
    const bool quoted =
        path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"'));
    if (quoted || !(path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t'))))
        return path;
    return QLatin1Char('"') + path + QLatin1Char('"');
}

bool fitsDosName(const QString &baseName)
{
    return baseName.size() <= 8;
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

QString runCommand(const QString &toolFolder, const QString &baseName)
{
    return quoteProgramPath(toolFolder + baseName + QLatin1String(".exe"));
}
