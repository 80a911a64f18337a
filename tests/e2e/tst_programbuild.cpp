// The build the debugger (and any other caller without a window) uses: the
// real MASM and LINK on the built-in machine, in a private folder, with a
// typed outcome for every way a build ends.
#include "realtools.h"
#include "toolchain/machinelauncher.h"
#include "toolchain/programbuild.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Status = BuildResult::Status;
Q_DECLARE_METATYPE(BuildResult::Status)
Q_DECLARE_METATYPE(BuildResult)

namespace {

const char kExe[] = "STACK SEGMENT STACK\r\n DW 64 DUP(?)\r\nSTACK ENDS\r\n"
                    "CODE SEGMENT\r\n ASSUME CS:CODE\r\nSTART: MOV AX,4C00H\r\n INT 21H\r\n"
                    "CODE ENDS\r\n END START\r\n";
const char kCom[] = "CODE SEGMENT\r\n ASSUME CS:CODE,DS:CODE\r\n ORG 100H\r\n"
                    "START: MOV AX,4C00H\r\n INT 21H\r\nCODE ENDS\r\n END START\r\n";
const char kError[] = "CODE SEGMENT\r\n ASSUME CS:CODE\r\nSTART: XYZ AX\r\n MOV AX,4C00H\r\n"
                      " INT 21H\r\nCODE ENDS\r\n END START\r\n";
const char kUnresolved[] = "EXTRN NOWHERE:FAR\r\nCODE SEGMENT\r\n ASSUME CS:CODE\r\n"
                           "START: CALL NOWHERE\r\n MOV AX,4C00H\r\n INT 21H\r\nCODE ENDS\r\n"
                           " END START\r\n";
const char kNoEnd[] = "CODE SEGMENT\r\n ASSUME CS:CODE\r\nSTART: MOV AX,4C00H\r\n INT 21H\r\n";

BuildResult built(const BuildRequest &request)
{
    MachineLauncher launcher;
    ProgramBuild build(request, launcher);
    QSignalSpy finished(&build, &ProgramBuild::finished);
    build.start();
    // Never from inside start().
    if (!finished.isEmpty() || !finished.wait(60000))
        return {};
    return finished.first().first().value<BuildResult>();
}

} // namespace

class TestProgramBuild : public QObject
{
    Q_OBJECT
private slots:
    void init() { REQUIRE_REAL_TOOLS(); }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("masmThere");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("reasonHas");
        QTest::addColumn<QString>("image");
        QTest::newRow("a program with a stack links to an .EXE")
            << QByteArray(kExe) << true << Status::Built << QString() << QStringLiteral("EXE");
        QTest::newRow("ORG 100h without a stack becomes a .COM")
            << QByteArray(kCom) << true << Status::Built << QString() << QStringLiteral("COM");
        QTest::newRow("an unknown instruction stops before the linker")
            << QByteArray(kError) << true << Status::AssemblyFailed << QString() << QString();
        QTest::newRow("a source without END is no object")
            << QByteArray(kNoEnd) << true << Status::AssemblyFailed
            << QStringLiteral("End of file") << QString();
        QTest::newRow("an external nobody defines fails the link")
            << QByteArray(kUnresolved) << true << Status::LinkFailed << QStringLiteral("L2029")
            << QString();
        QTest::newRow("a missing assembler is named")
            << QByteArray(kExe) << false << Status::ToolMissing
            << QStringLiteral("NOSUCH.EXE") << QString();
    }

    void outcomes()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, masmThere);
        QFETCH(Status, status);
        QFETCH(QString, reasonHas);
        QFETCH(QString, image);
        const QDir tools(realToolsFolder());
        const QString masm = masmThere ? tools.filePath(QStringLiteral("MASM.EXE"))
                                       : tools.filePath(QStringLiteral("NOSUCH.EXE"));
        const BuildResult built =
            ::built({masm, tools.filePath(QStringLiteral("LINK.EXE")), source, {}});
        QCOMPARE(built.status, status);
        QVERIFY2(built.reason.contains(reasonHas), qPrintable(built.reason));
        if (status == Status::AssemblyFailed && reasonHas.isEmpty())
            {
            QCOMPARE(built.assembly.result.errors, 1);
            // Read as F9 reads it: the error is a diagnostic on its line.
            QCOMPARE(built.assembly.diagnostics.size(), 1);
            QCOMPARE(built.assembly.diagnostics.first().line, 3);
        }
        if (!image.isEmpty()) {
            QCOMPARE(QFileInfo(built.image).suffix().toUpper(), image);
            QVERIFY(QFileInfo(built.image).size() > 0);
            QCOMPARE(built.com, image == QStringLiteral("COM"));
            QVERIFY(built.map.contains("Start"));
            QVERIFY(built.listing.contains("START"));
        }
        // The outputs live as long as someone holds the folder.
        if (built.folder) {
            const QString folder = built.folder->path();
            QVERIFY(QFileInfo(folder).isDir());
        }
    }

    void droppedWhileItRuns()
    {
        // The debugger drops a build when the user starts another: the tool
        // ends, and nothing is told.
        const QDir tools(realToolsFolder());
        MachineLauncher launcher;
        auto *build = new ProgramBuild({tools.filePath(QStringLiteral("MASM.EXE")),
                                        tools.filePath(QStringLiteral("LINK.EXE")),
                                        QByteArray(kExe), {}},
                                       launcher);
        QSignalSpy finished(build, &ProgramBuild::finished);
        build->start();
        QTest::qWait(5);
        delete build;
        QTest::qWait(200);
        QCOMPARE(finished.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgramBuild)
#include "tst_programbuild.moc"
