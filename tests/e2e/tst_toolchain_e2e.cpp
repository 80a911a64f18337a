#include "documents/diagnosticstrip.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"
#include "toolserver.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

// The real Macro Assembler 5.10 and Overlay Linker 3.65 in DOSBox, from the
// menu command to the report window, through the real launcher.
class TestToolchainE2e : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstJobFromDownloadToRun();
    void realAssembler_data();
    void realAssembler();
    void closingWhileDosboxRuns_data();
    void closingWhileDosboxRuns();
};

static const QString kTools = QStringLiteral(KORVANE_DOS_TOOLS);

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

static FrmReport *reportOf(MainFixture &f)
{
    const auto reports = f.main->findChildren<FrmReport *>();
    return reports.isEmpty() || !reports.first()->isVisible() ? nullptr : reports.first();
}

static void press(MainFixture &f, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    // The report window may be in front: the user comes back to the main window.
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    QTest::keyClick(f.text(), Qt::Key(key), modifiers);
}

// DOSBox processes whose arguments name the folder, with their arguments:
// none may outlive a hidden run.
static QMap<int, QByteArray> dosboxesFor(const QString &folder)
{
    QMap<int, QByteArray> found;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> argv = fileBytes("/proc/" + pid + "/cmdline").split('\0');
        if (argv.first().endsWith("dosbox") && argv.join(' ').contains(folder.toUtf8()))
            found[pid.toInt()] = argv.join(' ');
    }
    return found;
}

void TestToolchainE2e::init()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("dosbox is not installed");
    if (QTest::currentTestFunction() != QByteArray("closingWhileDosboxRuns") &&
        !QFile::exists(kTools + "/MASM.EXE"))
        QSKIP("the real DOS tools are not in ../shared/dos-tools");
}

// A new user's whole first job, in a tool folder with blanks and Chinese
// characters: the free tools downloaded, the new-program skeleton assembled
// and linked by them, its listing and map viewed, the program started.
void TestToolchainE2e::firstJobFromDownloadToRun()
{
    ToolServer server;
    QVERIFY(server.serveRealTools(kTools, dosToolsCommit()));
    qputenv("KORVANE_TOOLS_URL", server.baseUrl().toUtf8());
    // The run's DOSBox window has no display here: it runs without one.
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
    const auto restore = qScopeGuard([] {
        for (const char *name : {"KORVANE_TOOLS_URL", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER"})
            qunsetenv(name);
    });
    ProcessLauncher launcher;
    MainFixture f(false, &launcher);
    const QString tools = f.path("my 工具");
    QVERIFY(QDir().mkpath(tools) && QDir::setCurrent(tools));
    f.main->Show();
    f.main->action("mnumakemap")->setChecked(true);

    f.dialogs.answerMsgBox(Dialogs::Yes);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f), 60000);
    const QString report = reportOf(f)->shownText();
    QVERIFY2(report.contains("\r\n    35 Source  Lines\r\n") &&
                 report.endsWith("    0 Warning Errors\r\n    0 Severe  Errors\r\n"),
             qPrintable(report));
    QCOMPARE(QDir(tools).entryList({"*.exe"}, QDir::Files, QDir::Name),
             QStringList({"debug.exe", "link.exe", "masm.exe"}));

    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::Key_L, Qt::ControlModifier);
    // The program is whole once the linker's DOSBox has ended; it linked
    // without a word to say.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tools + "/TEMP_F.EXE") && dosboxesFor(tools).isEmpty(),
                             60000);
    QCOMPARE(fileBytes(tools + "/TEMP_F.EXE").left(2), QByteArray("MZ"));
    QCOMPARE(reportOf(f)->shownText(), report);

    // The views show the rewritten listing and the map, as they are on disk.
    f.main->action("mnuCompilelist")->trigger();
    QTRY_COMPARE(f.text()->text().toUtf8(), fileBytes(tools + "/TEMP_F.LST"));
    QVERIFY(f.text()->text().contains("\r\n 汇编总结报告：\r\n  35 Source  Lines\r\n"));
    f.main->action("mnulinkresult")->trigger();
    QTRY_COMPARE(f.text()->text().toUtf8(), fileBytes(tools + "/TEMP_F.MAP"));
    QVERIFY(f.text()->text().contains("Program entry point"));

    press(f, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!dosboxesFor(tools).isEmpty(), 60000);
    const QMap<int, QByteArray> runs = dosboxesFor(tools);
    // A program run stays at the DOS prompt until its window is closed.
    for (const int pid : runs.keys())
        ::kill(pid, SIGKILL);
    QCOMPARE(runs.size(), 1);
    QVERIFY2(runs.first().toUpper().contains(" -C TEMP_F.EXE"), runs.first().constData());
    QCOMPARE(f.dialogs.calls.size(), 2);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestToolchainE2e::realAssembler_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("saveAs");    // with 编译时提示保存; empty: the temporary file
    QTest::addColumn<bool>("mark");         // the document's file is UTF-8 with a mark
    QTest::addColumn<QStringList>("shown"); // lines the report holds; empty: refused
    QTest::addColumn<QStringList>("marks"); // line, kind and code of each mark

    const QByteArray program = "code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                               "int 21h\r\ncode ends\r\nend start";
    const QStringList clean{"    0 Warning Errors", "    0 Severe  Errors"};
    QTest::newRow("missing END: what the assembler printed follows the diagnostics")
        << program.left(program.lastIndexOf("\r\n")) << "" << false
        << QStringList{"    End of file encountered on input file", "    0 Severe  Errors"}
        << QStringList();
    QTest::newRow("INCLUDE file beside a source saved elsewhere is found")
        << "include mymacs.inc\r\n" + program << "elsewhere/prog.asm" << false << clean
        << QStringList();
    QTest::newRow("UTF-8 file with a mark assembles without complaint")
        << program << "elsewhere/marked.asm" << true << clean << QStringList();
    QTest::newRow("Chinese file name refused before anything runs")
        << program << "elsewhere/你好.asm" << false << QStringList() << QStringList();
    QTest::newRow("two errors and a warning, each marked beside its line")
        << fileBytes(KORVANE_FIXTURES "/masm510/WARN.ASM") << "" << false
        << QStringList{"    1 Warning Errors"}
        << QStringList{"17 E error A2009:", "18 W warning A4031:", "19 E error A2105:"};
}

void TestToolchainE2e::realAssembler()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, saveAs);
    QFETCH(bool, mark);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, marks);
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    QVERIFY(QFile::copy(kTools + "/MASM.EXE", f.path("masm.exe")));
    QVERIFY(QDir().mkpath(f.path("elsewhere")));
    QVERIFY(writeFile(f.path("elsewhere/mymacs.inc"), "; nothing but a comment\r\n"));
    f.text()->setText(QString::fromUtf8(source));
    f.doc()->encoding = TextEncoding{QStringLiteral("UTF-8"), mark};
    if (!saveAs.isEmpty()) {
        f.main->action("mnusavetip")->setChecked(true);
        f.dialogs.answerSave(f.path(saveAs));
    }
    if (shown.isEmpty())
        f.dialogs.answerMsgBox(Dialogs::Ok);

    press(f, Qt::Key_F9);
    if (shown.isEmpty()) {
        QCOMPARE(f.dialogs.callsOf("msgBox").size(), 1);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"masm.exe"});
        QVERIFY(!reportOf(f));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f), 60000);
    const QStringList lines = reportOf(f)->RichText->text().split("\r\n");
    for (const QString &line : shown)
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
    if (mark)
        QVERIFY(fileBytes(f.path(saveAs)).startsWith("\xEF\xBB\xBF"));
    QStringList rows;
    for (const DiagnosticStrip::Mark &m : f.doc()->Strip->marks())
        rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E " : " W ") +
                    m.text.section(QLatin1Char(' '), 1, 2);
    QCOMPARE(rows, marks);
    QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
    QVERIFY(dosboxesFor(f.dir.path()).isEmpty());
}

void TestToolchainE2e::closingWhileDosboxRuns_data()
{
    QTest::addColumn<QString>("close");    // "document", "report" or "main"
    QTest::addColumn<bool>("listingView"); // the listing view is chosen during the run
    QTest::newRow("report window closed: it comes back with the report") << "report" << false;
    QTest::newRow("listing view chosen, document closed: both end") << "document" << true;
    QTest::newRow("listing view chosen, main window closed: DOSBox ends with it") << "main" << true;
}

// A slow assembler in DOSBox: whatever closes while it runs, nothing crashes
// and no DOSBox outlives its run.
void TestToolchainE2e::closingWhileDosboxRuns()
{
    QFETCH(QString, close);
    QFETCH(bool, listingView);
    if (QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("nasm is not installed");
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    // Waits two seconds (INT 15h, AH=86h), then writes TEMP_F.LST with a summary.
    QVERIFY(writeFile(f.path("slow.nasm"), R"(org 100h
    mov ah, 86h
    mov cx, 001Eh
    mov dx, 8480h
    int 15h
    mov ah, 3Ch
    xor cx, cx
    mov dx, fname
    int 21h
    mov bx, ax
    mov ah, 40h
    mov cx, summary_end - summary
    mov dx, summary
    int 21h
    mov ax, 4C00h
    int 21h
fname db 'temp_f.lst', 0
summary db '     35 Source  Lines', 13, 10
summary_end:
)"));
    QProcess nasm;
    nasm.start("nasm", {"-f", "bin", "-o", f.path("masm.exe"), f.path("slow.nasm")});
    QVERIFY(nasm.waitForFinished(30000) && nasm.exitCode() == 0);
    f.main->reportWindow()->showText("Report", "earlier");

    press(f, Qt::Key_F9);
    if (listingView)
        f.main->action("mnuCompilelist")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(dosboxesFor(f.dir.path()).size(), 1, 30000);
    if (close == "main") {
        f.dialogs.answerMsgBox(Dialogs::No);
        QVERIFY(f.main->close());
        QVERIFY(dosboxesFor(f.dir.path()).isEmpty());
        QTest::qWait(3000);
        QCOMPARE(f.main->reportWindow()->shownText(), QStringLiteral("earlier"));
    } else {
        if (close == "report") {
            reportOf(f)->close();
        } else {
            f.dialogs.answerMsgBox(Dialogs::No);
            f.main->mdiArea()->subWindowList().first()->close();
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            reportOf(f) && reportOf(f)->shownText().contains("35 Source  Lines"), 60000);
        if (listingView)
            QTRY_COMPARE_WITH_TIMEOUT(f.main->documents().size(), 1, 30000);
    }
    QVERIFY(dosboxesFor(f.dir.path()).isEmpty());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestToolchainE2e)
#include "tst_toolchain_e2e.moc"
