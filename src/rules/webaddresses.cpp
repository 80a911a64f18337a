#include "rules/webaddresses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>
#include <QUrlQuery>

Q_LOGGING_CATEGORY(lcGuide, "korvane.guide", QtWarningMsg)

// The guide's file, or an empty string when none is there.
static QString guideFile()
{
    // Beside the program in a build tree, one folder up for the test programs
    // there, and where an install puts it. Never a path of the machine that
    // built the program: a package carries it to machines without that path.
    const QDir program(QCoreApplication::applicationDirPath());
    QStringList candidates = {program.filePath(QStringLiteral("web/index.html")),
                              program.filePath(QStringLiteral("../web/index.html"))};
#ifdef KORVANE_INSTALLED_WEB_DIR
    candidates << program.filePath(QStringLiteral(KORVANE_INSTALLED_WEB_DIR "/index.html"));
#endif
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    }
    return QString();
}

QString productWebPage()
{
    QString page = guideFile();
    if (page.isEmpty())
        page = QCoreApplication::applicationDirPath() + QStringLiteral("/web/index.html");
    return QUrl::fromLocalFile(page).toString();
}

void reportGuideLocation()
{
    const QString page = guideFile();
    if (page.isEmpty())
        qCWarning(lcGuide) << "the guide (web/index.html) is not installed beside"
                           << QCoreApplication::applicationDirPath();
    else
        qCInfo(lcGuide).noquote() << "guide:" << page;
}

QString toolSearchPage(const QString &toolName)
{
    QUrl url(webSearchPage() + QStringLiteral("search"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("q"), toolName);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString webSearchPage()
{
    // Reachable from the mainland as well as from abroad.
    return QStringLiteral("https://cn.bing.com/");
}

QString contactAddress()
{
    return QStringLiteral("dev@korvane.org");
}

QString projectSite()
{
    return QStringLiteral("https://korvane.org/");
}
