#include "help/webaddresses.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

QString productWebPage()
{
    QString page = QCoreApplication::applicationDirPath() + QStringLiteral("/web/index.html");
#ifdef KORVANE_SOURCE_WEB_DIR
    if (!QFileInfo::exists(page)) {
        const QString source = QStringLiteral(KORVANE_SOURCE_WEB_DIR "/index.html");
        if (QFileInfo::exists(source))
            page = source;
    }
#endif
    return QUrl::fromLocalFile(page).toString();
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
    return QStringLiteral("korvane@example.com");
}
