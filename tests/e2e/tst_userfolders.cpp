#include "documents/documentscontroller.h"
#include "documents/recoverycopies.h"
#include "mainfixture.h"

#include <QDirIterator>
#include <QProcess>
#include <QTest>

// Tests and benchmarks never write into the folders of the user who runs
// them: started as that user starts them, with the user's home and no folder
// settings of their own, they leave the home as it was. Without that, a
// benchmark's unsaved 1,500 lines were offered back at the next real start
// as the user's own work.
class TestUserFolders : public QObject
{
    Q_OBJECT
private slots:
    void homeUntouched_data();
    void homeUntouched();
};

namespace {

const char kChild[] = "KORVANE_USER_FOLDERS_CHILD";

// What a window test does without the fixture's own folders: a main window
// whose document has unsaved work in its recovery copy when the program ends.
void unsavedWorkLeftBehind()
{
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    FakeDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();
    QTest::keyClicks(main.activeDocument()->Text1, QStringLiteral("MOV AX,1"));
    main.documentsControl().recovery().update(main.activeDocument());
}

} // namespace

void TestUserFolders::homeUntouched_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("a benchmark") << QStringLiteral(KORVANE_BENCH_RECOVERY)
                                 << QStringList{QStringLiteral("64")};
    QTest::newRow("a test program") << QCoreApplication::applicationFilePath()
                                    << QStringList{QStringLiteral("homeUntouched:a test program")};
}

void TestUserFolders::homeUntouched()
{
    if (qEnvironmentVariableIsSet(kChild)) {
        unsavedWorkLeftBehind();
        return;
    }
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "KORVANE_OWN_FOLDERS"})
        env.remove(QLatin1String(name));
    env.insert(QLatin1String(kChild), QStringLiteral("1"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(program, arguments);
    QVERIFY(run.waitForFinished(240000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QStringList written;
    QDirIterator it(home.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        written << it.next();
    QCOMPARE(written, QStringList());
}

QTEST_MAIN(TestUserFolders)
#include "tst_userfolders.moc"
