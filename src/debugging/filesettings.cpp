#include "debugging/filesettings.h"

#include "documents/frmdocument.h"

#include <QFileInfo>
#include <QStandardPaths>

QSettings fileSettings(const QString &fileName)
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                         QLatin1Char('/') + fileName,
                     QSettings::IniFormat);
}

QString fileKey(const QString &group, const frmDocument *doc)
{
    const QFileInfo file(doc ? doc->caption() : QString());
    if (!doc || !file.isAbsolute() || !file.exists())
        return {};
    // Hex, so that the path's slashes are not taken for groups.
    return group + QLatin1Char('/') +
           QString::fromLatin1(file.canonicalFilePath().toUtf8().toHex());
}
