#include "machine/toolrun.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The graphics labs, assembled and linked by the real MASM and LINK, run on
// the machine and in a hidden DOSBox: each writes what it drew (video memory
// in mode 13h, pixels read back through INT 10h 0Dh in mode 12h) and the
// palette to files at its end, and those files must be the same.
class TestVideoLabs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsDosbox_data();
    void sameAsDosbox();
};

static const QString kLabs = QStringLiteral(KORVANE_FIXTURES "/labs/");

void TestVideoLabs::initTestCase()
{
    REQUIRE_REAL_TOOLS();
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
}

void TestVideoLabs::sameAsDosbox_data()
{
    QTest::addColumn<QString>("lab");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("screenSize");
    QTest::newRow("mode 13h bars, a diagonal, colour 1 made red")
        << "MODE13.ASM" << QStringList{"SCREEN.BIN", "DAC.BIN"} << 64000;
    QTest::newRow("mode 12h stripes drawn and read back through the BIOS")
        << "MODE12.ASM" << QStringList{"SCREEN.BIN"} << 16000;
}

static ToolRunOutcome runOnMachine(const QString &folder, const QString &program,
                                   const QString &tail)
{
    ToolRunRequest request;
    request.program = folder + '/' + program;
    request.tail = tail;
    request.toolFolder = folder;
    request.consoleFile = folder + "/OUT.TXT";
    ToolRun run(request);
    if (!QTest::qWaitFor([&] { return run.finished(); }, 60000))
        qWarning("the run did not finish");
    return run.outcome();
}

void TestVideoLabs::sameAsDosbox()
{
    QFETCH(QString, lab);
    QFETCH(QStringList, files);
    QFETCH(int, screenSize);
    QTemporaryDir dir;
    const QString machine = dir.filePath("machine"), dosbox = dir.filePath("dosbox");
    QVERIFY(QDir().mkpath(machine) && QDir().mkpath(dosbox));
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + '/' + tool, machine + '/' + tool));
    QVERIFY(QFile::copy(kLabs + lab, machine + "/LAB.ASM"));
    QCOMPARE(runOnMachine(machine, "MASM.EXE", "LAB;").end, ToolRunEnd::Exited);
    QCOMPARE(runOnMachine(machine, "LINK.EXE", "LAB;").end, ToolRunEnd::Exited);
    QVERIFY(QFile::copy(machine + "/LAB.EXE", dosbox + "/LAB.EXE"));

    const ToolRunOutcome ran = runOnMachine(machine, "LAB.EXE", "");
    QVERIFY2(ran.end == ToolRunEnd::Exited, qPrintable(ran.detail));
    QCOMPARE(fileBytes(machine + "/SCREEN.BIN").size(), screenSize);

    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("dosbox is not installed: the machine's run alone was checked");
    ProcessLauncher launcher;
    LaunchResult run =
        launcher.start(dosbox + "/LAB.EXE", dosbox, WindowStyle::Hidden, "OUT.TXT", QString());
    QVERIFY2(run.started(), qPrintable(run.detail));
    QTRY_VERIFY_WITH_TIMEOUT(run.run->hasEnded(), 60000);
    for (const QString &name : files) {
        const QByteArray ours = fileBytes(machine + '/' + name);
        const QByteArray theirs = fileBytes(dosbox + '/' + name);
        QCOMPARE(ours.size(), theirs.size());
        qsizetype at = 0;
        while (at < ours.size() && ours[at] == theirs[at])
            ++at;
        QVERIFY2(at == ours.size(),
                 qPrintable(QStringLiteral("%1 differs first at byte %2: %3 here, %4 in DOSBox")
                                .arg(name)
                                .arg(at)
                                .arg(QString(ours.mid(at, 16).toHex(' ')),
                                     QString(theirs.mid(at, 16).toHex(' ')))));
    }
}

QTEST_MAIN(TestVideoLabs)
#include "tst_videolabs.moc"
