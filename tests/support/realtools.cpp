#include "realtools.h"

#include "toolchain/tooldownload.h"

#include <QApplication>
#include <QDir>
#include <QTest>

static QList<PinnedFile> underRepositoryNames()
{
    QList<PinnedFile> files = dosTools() + QList{dosToolsLicence()};
    for (PinnedFile &file : files)
        file.fileName = file.repoPath.section(u'/', -1);
    return files;
}

static bool holdsTools(const QString &folder)
{
    for (const PinnedFile &file : underRepositoryNames())
        if (folder.isEmpty() || !QFileInfo(folder + u'/' + file.fileName).isFile())
            return false;
    return true;
}

static QString findTools()
{
    const QStringList folders = {qEnvironmentVariable("KORVANE_DOS_TOOLS"),
                                 QStringLiteral(KORVANE_SHARED_DOS_TOOLS),
                                 QStringLiteral(KORVANE_DOWNLOADED_DOS_TOOLS)};
    // A closed network answers at once; a slow one is given a bound. The
    // download shows its progress in a dialog: a test program without
    // widgets (no QApplication) goes without it, and skips.
    const bool widgets = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (widgets && std::none_of(folders.begin(), folders.end(), holdsTools) &&
        QDir().mkpath(folders.last())) {
        ToolDownload download(folders.last(), underRepositoryNames(), nullptr);
        bool done = false;
        QObject::connect(&download, &ToolDownload::finished, [&done] { done = true; });
        download.start();
        if (!QTest::qWaitFor([&done] { return done; }, 60000))
            download.cancel();
    }
    for (const QString &folder : folders)
        if (holdsTools(folder))
            return qInfo("real DOS tools in %s", qPrintable(folder)), folder;
    return QString();
}

QString realToolsFolder()
{
    static const QString folder = findTools();
    return folder;
}
