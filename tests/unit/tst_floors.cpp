// The program's folders are floors: a folder includes only itself and the
// floors below it, and nothing below the window includes the window's own
// header. The subsystems see the window through its narrow interface, which
// lies below them all.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kSources = QStringLiteral(KORVANE_FIXTURES "/../../src");

int floorOf(const QString &folder)
{
    static const QHash<QString, int> floors = {
        {QStringLiteral("platform"), 0},  {QStringLiteral("machine"), 0},
        {QStringLiteral("rules"), 1},     {QStringLiteral("workbench"), 1},
        {QStringLiteral("documents"), 2},
        {QStringLiteral("editing"), 3},   {QStringLiteral("toolchain"), 4},
        {QStringLiteral("help"), 5},      {QStringLiteral("debugging"), 5},
        {QStringLiteral("checking"), 6}, {QStringLiteral("selftest"), 7},
        {QStringLiteral("app"), 8},
    };
    return floors.value(folder, -1);
}

struct Include
{
    QString file;
    QString folder;
    QString target;
};

QList<Include> includes()
{
    QList<Include> found;
    static const QRegularExpression include(QStringLiteral("^#include \"([a-z]+)/([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    QDirIterator it(kSources, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(kSources).relativeFilePath(path);
        const QString folder = relative.section(QLatin1Char('/'), 0, 0);
        if (!relative.contains(QLatin1Char('/')))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();) {
            const auto match = m.next();
            found.append({relative, folder, match.captured(1) + QLatin1Char('/') + match.captured(2)});
        }
    }
    return found;
}

} // namespace

class TestFloors : public QObject
{
    Q_OBJECT
private slots:
    void foldersAreKnown()
    {
        // A new folder is given its floor here, or the rule below checks nothing.
        QVERIFY(QFileInfo(kSources + QStringLiteral("/app/frmmain.h")).isFile());
        for (const Include &i : includes())
            QVERIFY2(floorOf(i.folder) >= 0, qPrintable(i.file));
    }

    void nothingReachesUp()
    {
        QStringList upward;
        for (const Include &i : includes()) {
            const QString target = i.target.section(QLatin1Char('/'), 0, 0);
            if (target == i.folder || floorOf(target) < 0)
                continue;
            const bool door = i.target == QStringLiteral("workbench/workbench.h") &&
                              i.file.endsWith(QStringLiteral(".cpp")) && floorOf(i.folder) >= 2;
            if (floorOf(target) >= floorOf(i.folder) && !door)
                upward << i.file + QStringLiteral(" -> ") + i.target;
        }
        QVERIFY2(upward.isEmpty(), qPrintable(upward.join(QLatin1Char('\n'))));
    }

    void windowHeaderStaysInTheWindow()
    {
        QStringList outside;
        for (const Include &i : includes())
            if (i.target == QStringLiteral("app/frmmain.h") && i.folder != QStringLiteral("app"))
                outside << i.file;
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestFloors)
#include "tst_floors.moc"
