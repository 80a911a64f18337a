#include "toolchain/toolchaincontroller.h"
#include "loopbackserver.h"
#include "mainfixture.h"
#include "realtools.h"
#include "smalldisk.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"

#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <sys/mount.h>

// Getting the free DOS tools: the real download code against a loopback
// server, from F9 on a folder without the assembler, or from the Options menu.
class TestToolDownload : public QObject
{
    Q_OBJECT
private slots:
    void download_data();
    void download();
};

static QByteArray realBytes(const PinnedFile &file)
{
    return fileBytes(realToolsFolder() + '/' + file.repoPath.section('/', -1));
}

// The folder's files and their bytes, but for the source F9 saves there
// before it looks for the assembler.
static QMap<QString, QByteArray> folderState(const QString &folder)
{
    QMap<QString, QByteArray> state;
    for (const QString &name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot)) {
        if (!name.startsWith("Temp_F", Qt::CaseInsensitive))
            state[name] = fileBytes(folder + '/' + name);
    }
    return state;
}

void TestToolDownload::download_data()
{
    QTest::addColumn<QString>("command"); // F9, or the Options menu's command
    // Tools of the user's own in the folder; with "+", put there while the download runs.
    QTest::addColumn<QString>("mine");
    // good: every file at the commit; main: only on the main branch; else what
    // the server does with the file that fails
    // wrong (checksum), 404, cut (half-way), cancel (stalled, cancelled), stall, trickle,
    // long (more than its size, then stalled); full: a full disk for the files;
    // unreachable: no server at the address
    QTest::addColumn<QString>("serve");
    auto row = [](const char *name, const char *command, const char *mine, const char *serve) {
        QTest::newRow(name) << command << mine << serve;
    };
    // F9 with every file at the commit is the first job's, end to end.
    row("Options: the user's own assembler stays, the others arrive", "mnugetdostools", "masm.exe",
        "good");
    row("the commit's address fails, the main branch serves, F9 assembles", "F9", "", "main");
    row("a tool the user puts in meanwhile stays", "mnugetdostools", "+LINK.EXE", "good");
    for (const char *failure : {"wrong", "404", "cut", "cancel", "stall", "trickle", "long"})
        row(failure, "F9", "", failure);
    // The files fit in their write buffers: the disk fills only as they are committed.
    row("no network: told, and no web search offered", "F9", "", "unreachable");
    row("a disk too full for the last bytes: nothing installed", "mnugetdostools",
        "masm.exe link.exe debug.exe", "full");
}

void TestToolDownload::download()
{
    QFETCH(QString, command);
    QFETCH(QString, mine);
    QFETCH(QString, serve);
    const bool succeeds = serve == "good" || serve == "main";
    const QStringList own = mine.split(' ', Qt::SkipEmptyParts);
    REQUIRE_REAL_TOOLS();

    LoopbackServer server;
    // Nothing listens on port 1: the connection is refused.
    const QString address =
        serve == "unreachable" ? QStringLiteral("http://127.0.0.1:1/MS-DOS") : server.baseUrl();
    qputenv("KORVANE_TOOLS_URL", address.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("KORVANE_TOOLS_URL"); });
    QVERIFY(server.serveRealTools(realToolsFolder(), serve == "main" ? "main" : dosToolsCommit()));
    // The last file fetched fails, so that the others have arrived by then.
    const PinnedFile failing = dosTools().last();
    QByteArray wrong = realBytes(failing);
    wrong[0] = char(wrong[0] ^ 1);
    for (const QString &ref : {dosToolsCommit(), QStringLiteral("main")}) {
        const QString path = "/MS-DOS/" + ref + '/' + failing.repoPath;
        if (serve == "wrong")
            server.serve(path, {wrong});
        else if (serve == "404")
            server.remove(path);
        else if (serve == "long")
            server.serve(path, {realBytes(failing).repeated(3), failing.size * 3 / 2, true});
        else if (serve != "good" && serve != "main" && serve != "full")
            server.serve(path, {wrong, failing.size / 2, serve != "cut", "", false,
                                serve == "trickle" ? 20 : 0});
    }

    MainFixture f;
    // Only a server too slow is waited out, and briefly; no other row may end
    // by the stall, nor a busy machine pass for a slow server.
    f.main->toolchain().downloadStallWindowMs = serve == "stall" || serve == "trickle" ? 1500 : 600000;
    FakeLauncher::Script masm;
    masm.files << std::make_pair(QStringLiteral("TEMP_F.LST"), QByteArray("1 Source  Lines\r\n"));
    f.launcher.setScript("masm.exe", masm);
    const auto unmount =
        qScopeGuard([&f] { ::umount2(QFile::encodeName(f.dir.path()), MNT_DETACH); });
    if (serve == "full") {
        if (!cannotMount().isEmpty())
            QSKIP(qPrintable(cannotMount()));
        QVERIFY(::mount("tmpfs", QFile::encodeName(f.dir.path()), "tmpfs", 0, "size=64k") == 0);
        QVERIFY(QDir::setCurrent(f.dir.path()) &&
                writeFile(f.path("filler"), QByteArray(65536, 'f')));
    }
    for (const QString &name : own)
        QVERIFY(name.startsWith('+') || QFile(f.path(name)).open(QIODevice::WriteOnly));
    const QMap<QString, QByteArray> before = folderState(f.dir.path());
    // Yes to the offer; then what failed, and No to the search page; or what arrived.
    f.dialogs.answerMsgBox(Dialogs::Yes);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.dialogs.answerMsgBox(Dialogs::No);
    if (command == "F9") {
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
        QTest::keyClick(f.text(), Qt::Key_F9);
    } else {
        f.main->action(command)->trigger();
    }
    for (const QString &name : own)
        QVERIFY(!name.startsWith('+') || QFile(f.path(name.mid(1))).open(QIODevice::WriteOnly));
    const QPointer<QProgressDialog> progress = f.main->findChild<QProgressDialog *>();
    QVERIFY(progress && progress->isVisible());
    if (serve == "cancel") {
        QTRY_VERIFY(progress->labelText().contains(failing.fileName) && progress->value() > 0);
        QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    }

    const bool assembles = command == "F9" && succeeds;
    QTRY_VERIFY_WITH_TIMEOUT(assembles ? f.main->findChild<FrmReport *>() != nullptr
                                       : !progress || !progress->isVisible(),
                             30000);
    QTRY_COMPARE_WITH_TIMEOUT(
        f.dialogs.calls.size(),
        succeeds ? 1 + !assembles
                 : 2 + (command == "F9" && serve != "cancel" && serve != "unreachable"),
        30000);
    QVERIFY(!progress || !progress->isVisible());
    QVERIFY2(f.dialogs.unexpected.isEmpty(), qPrintable(f.dialogs.unexpected.join('\n')));
    QCOMPARE(f.launcher.calls.size(), int(assembles));
    // The offer names where it fetches from.
    QVERIFY(f.dialogs.calls[0].text.contains(address));
    if (!succeeds) {
        QCOMPARE(folderState(f.dir.path()), before);
        // What failed, and where to get the files by hand.
        // A server too slow is named with its rate.
        // Unreachable, the first file fetched fails: the licence.
        const QString said = serve == "long" ? QString("超过应有的 %1 字节").arg(failing.size)
                             : serve == "full"        ? QString("磁盘已满")
                             : serve == "unreachable" ? dosToolsLicence().fileName
                                                      : failing.fileName;
        if (serve != "cancel")
            QVERIFY(f.dialogs.calls[1].text.contains(said) &&
                    f.dialogs.calls[1].text.contains(dosToolsRepository()) &&
                    f.dialogs.calls[1].text.contains("每秒约") ==
                        (serve == "stall" || serve == "trickle"));
        return;
    }
    QMap<QString, QByteArray> expected = before;
    for (const PinnedFile &file : dosTools() + QList{dosToolsLicence()}) {
        if (!own.contains(file.fileName, Qt::CaseInsensitive) &&
            !own.contains('+' + file.fileName, Qt::CaseInsensitive))
            expected[file.fileName] = realBytes(file);
    }
    for (const QString &name : own)
        expected[name.startsWith('+') ? name.mid(1) : name] = "";
    QCOMPARE(folderState(f.dir.path()), expected);
    if (serve == "main")
        QCOMPARE(server.requested.first(),
                 "/MS-DOS/" + dosToolsCommit() + '/' + dosToolsLicence().repoPath);
}

QTEST_MAIN(TestToolDownload)
#include "tst_tooldownload.moc"
