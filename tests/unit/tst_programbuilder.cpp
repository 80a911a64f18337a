// The steps F9, Ctrl+L and the debugger's build share: what each reads back
// from the folder decides its outcome, and only this run's files count.
#include "fakelauncher.h"
#include "toolchain/programbuilder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using AStatus = AssembleResult::Status;
using LStatus = LinkResult::Status;
Q_DECLARE_METATYPE(AssembleResult)
Q_DECLARE_METATYPE(LinkResult)

namespace {

using Files = QList<std::pair<QString, QByteArray>>;

const char kClean[] = "Temp_F.asm\r\n\r\n   0 Warning Errors\r\n   0 Severe  Errors\r\n";
const char kError[] = "Temp_F.asm(3): error A2105: Expected: instruction or directive\r\n"
                      "\r\n   0 Warning Errors\r\n   1 Severe  Errors\r\n";
// The fixed part of an .EXE header, as LINK writes a program with a stack.
const QByteArray kExe = QByteArray("MZ") + QByteArray(0x1e, '\0');

FakeLauncher::Script script(const Files &files, bool hangs = false)
{
    FakeLauncher::Script s;
    s.files = files;
    s.keepsRunning = hangs;
    return s;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestProgramBuilder : public QObject
{
    Q_OBJECT
private slots:
    void assembly_data()
    {
        QTest::addColumn<Files>("writes");
        QTest::addColumn<bool>("hangs");
        QTest::addColumn<AStatus>("status");
        QTest::addColumn<int>("errors");
        const std::pair<QString, QByteArray> obj{"TEMP_F.OBJ", "object"};
        QTest::newRow("a clean listing and an object")
            << Files{{"TEMP_F.LST", kClean}, obj} << false << AStatus::Assembled << 0;
        QTest::newRow("an error is refused, though an object is there")
            << Files{{"TEMP_F.LST", kError}, obj} << false << AStatus::Refused << 1;
        QTest::newRow("a clean listing without an object is refused")
            << Files{{"TEMP_F.LST", kClean}} << false << AStatus::Refused << 0;
        // The listing of the assembly before must not pass for this one's.
        QTest::newRow("no listing written, an old one there")
            << Files{{"MASMMSG.TXT", "Fatal error"}} << false << AStatus::NoListing << 0;
        QTest::newRow("a tool that never ends is stopped")
            << Files{} << true << AStatus::Stopped << 0;
    }

    void assembly()
    {
        QFETCH(Files, writes);
        QFETCH(bool, hangs);
        QFETCH(AStatus, status);
        QFETCH(int, errors);
        QTemporaryDir folder;
        const QDir dir(folder.path());
        QVERIFY(writeFile(dir.filePath("TEMP_F.LST"), kClean));
        QVERIFY(writeFile(dir.filePath("MASMMSG.TXT"), "from an older run"));
        FakeLauncher launcher;
        launcher.setScript("masm.exe", script(writes, hangs));
        ProgramBuilder builder(launcher);
        builder.boundMs = 50;
        QSignalSpy told(&builder, &ProgramBuilder::assembled);

        AssembleStep step;
        step.tool = dir.filePath("masm.exe");
        step.folder = folder.path();
        step.commandLine = "masm.exe Temp_F.asm,Temp_F,Temp_F;";
        step.sourceName = "Temp_F.asm";
        step.listing = dir.filePath("Temp_F.lst");
        step.object = dir.filePath("Temp_F.obj");
        step.console = "MASMMSG.TXT";
        QVERIFY(builder.assemble(step).started());
        QVERIFY(builder.assembling());
        QCOMPARE(told.size(), 0);
        QVERIFY(told.wait(5000));
        QVERIFY(!builder.assembling());
        const auto result = told.first().first().value<AssembleResult>();
        QCOMPARE(result.status, status);
        QCOMPARE(result.outcome.result.errors, errors);
        QVERIFY(!result.printed.contains("older run"));
        if (status == AStatus::Stopped)
            QCOMPARE(result.stop.reason, RunStop::Hung);
    }

    void link_data()
    {
        QTest::addColumn<Files>("writes");
        QTest::addColumn<LStatus>("status");
        QTest::addColumn<bool>("com");
        // A .COM as LINK writes it: no stack (L4021), entry 0000:0100, no fix-ups.
        QByteArray com = kExe;
        com[0x14] = 0x00;
        com[0x15] = 0x01;
        QTest::newRow("a program") << Files{{"TEMP_F.EXE", kExe}} << LStatus::Linked << false;
        QTest::newRow("a program with an unresolved name")
            << Files{{"TEMP_F.EXE", kExe}, {"LINKMSG.TXT", "error L2029: 'X' : unresolved"}}
            << LStatus::LinkedWithErrors << false;
        QTest::newRow("a .COM written as an .EXE")
            << Files{{"TEMP_F.EXE", com}, {"LINKMSG.TXT", "warning L4021: no stack segment"}}
            << LStatus::Linked << true;
        QTest::newRow("no program") << Files{{"LINKMSG.TXT", "fatal error L1101"}}
                                    << LStatus::NoProgram << false;
    }

    void link()
    {
        QFETCH(Files, writes);
        QFETCH(LStatus, status);
        QFETCH(bool, com);
        QTemporaryDir folder;
        FakeLauncher launcher;
        launcher.setScript("link.exe", script(writes));
        ProgramBuilder builder(launcher);
        QSignalSpy told(&builder, &ProgramBuilder::linked);
        LinkStep step;
        step.folder = folder.path();
        step.commandLine = "link.exe Temp_F.obj;";
        step.program = QDir(folder.path()).filePath("Temp_F.exe");
        step.console = "LINKMSG.TXT";
        QVERIFY(builder.link(step).started());
        // Run and Debug wait while the linker runs.
        QVERIFY(builder.linking());
        QVERIFY(told.wait(5000));
        QVERIFY(!builder.linking());
        const auto result = told.first().first().value<LinkResult>();
        QCOMPARE(result.status, status);
        QCOMPARE(result.com, com);
    }

    void aNewAssemblyOvertakesTheOld()
    {
        QTemporaryDir folder;
        FakeLauncher launcher;
        launcher.setScript("masm.exe", script({}, true));
        ProgramBuilder builder(launcher);
        QSignalSpy told(&builder, &ProgramBuilder::assembled);
        AssembleStep step;
        step.folder = folder.path();
        step.commandLine = "masm.exe a;";
        QVERIFY(builder.assemble(step).started());
        QVERIFY(builder.assemble(step).started());
        // The first tool is ended, and never told.
        QVERIFY(launcher.runs[0]->endedByCaller || launcher.runs[0]->handleDropped);
        launcher.runs[1]->ended = true;
        QVERIFY(told.wait(5000));
        QTest::qWait(50);
        QCOMPARE(told.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestProgramBuilder)
#include "tst_programbuilder.moc"
