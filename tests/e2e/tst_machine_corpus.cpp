#include "machine/toolrun.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Every course program, with both listing options, through the real MASM,
// LINK and EXE2BIN once on the machine and once in a hidden DOSBox: the files
// written and what the tools printed must be the same.
class TestMachineCorpus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsDosbox_data();
    void sameAsDosbox();
};

static const QString kFixtures = QStringLiteral(KORVANE_FIXTURES);

void TestMachineCorpus::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("dosbox is not installed");
    REQUIRE_REAL_TOOLS();
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
}

void TestMachineCorpus::sameAsDosbox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("includeFolder");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("link");
    const QString corpus = kFixtures + "/corpus/";
    QStringList sources;
    for (const QString &name : QDir(corpus).entryList({"*.ASM"}, QDir::Files, QDir::Name))
        sources << corpus + name;
    for (const QString &name :
         QDir(kFixtures + "/masm510").entryList({"*.ASM"}, QDir::Files, QDir::Name))
        sources << kFixtures + "/masm510/" + name;
    for (const QString &source : sources) {
        // The corpus's include files lie in a source folder of their own; the
        // older fixtures run without one (no D:, no INCLUDE).
        const QString include = source.startsWith(corpus) ? corpus + "inc" : QString();
        const QString name = QFileInfo(source).baseName();
        // The object (and so the link) is the same for both listing options.
        QTest::newRow(qPrintable(name + " listing"))
            << source << include << "Temp_F.asm,Temp_F,,," << true;
        QTest::newRow(qPrintable(name + " report"))
            << source << include << "Temp_F.asm,Temp_F,report,," << false;
    }
}

// The listing's page headings carry the date and time of the run.
static QByteArray withoutRunTime(QByteArray listing)
{
    static const QRegularExpression stamp(
        QStringLiteral("(Macro Assembler Version 5\\.10 +)\\d+/\\d+/\\d+ \\d+:\\d\\d:\\d\\d"));
    return QString::fromLatin1(listing).replace(stamp, QStringLiteral("\\1<time>")).toLatin1();
}

void TestMachineCorpus::sameAsDosbox()
{
    QFETCH(QString, source);
    QFETCH(QString, includeFolder);
    QFETCH(QString, tail);
    QFETCH(bool, link);
    QTemporaryDir dir;

    const QString onMachine = dir.filePath("machine"), inDosbox = dir.filePath("dosbox");
    for (const QString &folder : {onMachine, inDosbox}) {
        QVERIFY(QDir().mkpath(folder));
        for (const char *tool : {"MASM.EXE", "LINK.EXE", "EXE2BIN.EXE"})
            QVERIFY(QFile::copy(realToolsFolder() + '/' + tool, folder + '/' + tool));
        QVERIFY(QFile::copy(source, folder + "/Temp_F.asm"));
    }
    struct Step
    {
        QString tool, tail, console;
    };
    QList<Step> steps{{"MASM.EXE", tail, "MASMMSG.TXT"}};
    if (link)
        steps << Step{"LINK.EXE", "Temp_F.obj,Temp_F,;", "LINKMSG.TXT"};
    if (link && source.endsWith("COMPROG.ASM"))
        steps << Step{"EXE2BIN.EXE", "TEMP_F.EXE TEMP_F.COM", "E2BMSG.TXT"};

    ProcessLauncher launcher;
    for (const Step &step : steps) {
        if (step.tool != "MASM.EXE" && !QFile::exists(onMachine + "/TEMP_F.OBJ"))
            break; // the assembly failed on both sides alike (compared below)
        ToolRunRequest request;
        request.program = onMachine + '/' + step.tool;
        request.tail = step.tail;
        request.toolFolder = onMachine;
        request.sourceFolder = includeFolder;
        request.consoleFile = onMachine + '/' + step.console;
        ToolRun run(request);
        LaunchResult dosbox = launcher.start(inDosbox + '/' + step.tool + ' ' + step.tail, inDosbox,
                                             WindowStyle::Hidden, step.console, includeFolder);
        QVERIFY2(dosbox.started(), qPrintable(dosbox.detail));
        QTRY_VERIFY_WITH_TIMEOUT(run.finished() && dosbox.run->hasEnded(), 60000);
        QCOMPARE(run.outcome().end, ToolRunEnd::Exited);
    }

    const QStringList written = QDir(inDosbox).entryList(QDir::Files, QDir::Name);
    QCOMPARE(QDir(onMachine).entryList(QDir::Files, QDir::Name), written);
    for (const QString &name : written) {
        QByteArray machineBytes = fileBytes(onMachine + '/' + name);
        QByteArray dosboxBytes = fileBytes(inDosbox + '/' + name);
        if (name.endsWith(".LST")) {
            machineBytes = withoutRunTime(machineBytes);
            dosboxBytes = withoutRunTime(dosboxBytes);
        }
        if (machineBytes != dosboxBytes) {
            qsizetype at = 0;
            while (at < machineBytes.size() && at < dosboxBytes.size() &&
                   machineBytes[at] == dosboxBytes[at])
                ++at;
            QFAIL(qPrintable(QStringLiteral("%1 differs from byte %2:\n%3\n---- DOSBox:\n%4")
                                 .arg(name)
                                 .arg(at)
                                 .arg(QString::fromLatin1(machineBytes.mid(at - 40, 400)),
                                      QString::fromLatin1(dosboxBytes.mid(at - 40, 400)))));
        }
    }
}

QTEST_GUILESS_MAIN(TestMachineCorpus)
#include "tst_machine_corpus.moc"
