#include "documents/diagnosticstrip.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"
#include "toolserver.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

// From the menu command to the report window through the real launcher:
// small stand-ins for masm.exe and link.exe that write what the real tools
// write, and one real DOS program run in DOSBox.
class TestToolchainE2e : public QObject
{
    Q_OBJECT
private slots:
    void assembleLinkRunAndViews_data();
    void assembleLinkRunAndViews();
    void linkWithoutObjectShowsWhatTheLinkerPrinted();
    void assemblerInDosbox();
    void realToolsFromDownloadToDosbox();
    void closingWhileDosboxRuns_data();
    void closingWhileDosboxRuns();
    void realAssembler_data();
    void realAssembler();
    void realAssemblerMarksItsLines();
};

static bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return !executable ||
           f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

static QString fixturePath(const char *name)
{
    return QStringLiteral(KORVANE_FIXTURES "/masm510/") + QLatin1String(name);
}

// Splits "source,object,listing,crossref" as masm does; empty fields take the
// source's base name, and every file gets an upper-case name. The listing is
// the fixture's, with its diagnostics naming the source as it was typed.
static QByteArray masmScript()
{
    return "#!/bin/sh\n"
           "line=\"$1\"\n"
           "src=${line%%,*}; line=${line#*,}\n"
           "obj=${line%%,*}; line=${line#*,}\n"
           "lst=${line%%,*}\n"
           "base=${src%.*}\n"
           "[ -n \"$obj\" ] || obj=$base\n"
           "[ -n \"$lst\" ] || lst=$base\n"
           "up() { printf '%s' \"$1\" | tr '[:lower:]' '[:upper:]'; }\n"
           "sed \"s/^ERRS\\.ASM(/$src(/\" '" +
           fixturePath("ERRS.LST").toUtf8() +
           "' > \"$(up \"$lst\").LST\"\n"
           "printf obj > \"$(up \"$obj\").OBJ\"\n";
}

// "objects,exe,map,libraries": complains on the console without the object,
// else writes the program (a script that leaves RAN.TXT) and the map.
static QByteArray linkScript()
{
    return "#!/bin/sh\n"
           "line=\"$1\"\n"
           "obj=${line%%,*}; line=${line#*,}\n"
           "exe=${line%%,*}\n"
           "base=${obj%.*}\n"
           "[ -n \"$exe\" ] || exe=$base\n"
           "up() { printf '%s' \"$1\" | tr '[:lower:]' '[:upper:]'; }\n"
           "if [ ! -f \"$(up \"$base\").OBJ\" ]; then\n"
           "  echo \"LINK : fatal error L1093: $obj : object file not found\"\n"
           "  exit 2\n"
           "fi\n"
           "printf '#!/bin/sh\\necho ran > RAN.TXT\\n' > \"$(up \"$exe\").EXE\"\n"
           "chmod +x \"$(up \"$exe\").EXE\"\n"
           "cp '" +
           fixturePath("CLEAN.MAP").toUtf8() + "' \"$(up \"$base\").MAP\"\n";
}

static FrmReport *reportOf(MainFixture &f)
{
    const auto reports = f.main->findChildren<FrmReport *>();
    return reports.isEmpty() ? nullptr : reports.first();
}

static void press(MainFixture &f, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    // The report window may be in front: the user comes back to the main window.
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    QTest::keyClick(f.text(), Qt::Key(key), modifiers);
}

void TestToolchainE2e::assembleLinkRunAndViews_data()
{
    QTest::addColumn<QString>("toolFolder"); // inside the temporary folder
    QTest::newRow("plain folder") << "tools";
    QTest::newRow("folder with blanks and Chinese characters") << "my 工具";
}

void TestToolchainE2e::assembleLinkRunAndViews()
{
    QFETCH(QString, toolFolder);
    ProcessLauncher launcher;
    MainFixture f(false, &launcher);
    const QString tools = f.path(toolFolder);
    QVERIFY(QDir().mkpath(tools));
    QVERIFY(writeFile(tools + "/masm.exe", masmScript(), true));
    QVERIFY(writeFile(tools + "/link.exe", linkScript(), true));
    QDir::setCurrent(tools);
    f.main->Show();
    const QString folder = f.main->Toolfolder;
    QCOMPARE(folder, QDir::toNativeSeparators(tools) + QDir::separator());

    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f) && reportOf(f)->isVisible(), 60000);
    FrmReport *report = reportOf(f);
    const QString text = report->RichText->text();
    QVERIFY2(text.contains("\r\n    Temp_F.asm(33): error A2009: Symbol not defined: CNTX\r\n"),
             qPrintable(text));
    QCOMPARE(text.count("\r\n    Temp_F.asm("), 4);
    QVERIFY(text.contains("\r\n 汇编总结报告：\r\n    42 Source  Lines\r\n"));
    QVERIFY(QFile::exists(tools + "/TEMP_F.OBJ"));
    QVERIFY(!QFile::exists(tools + "/Temp_F.lst"));
    QVERIFY(f.dialogs.calls.isEmpty());

    f.main->action("mnumakemap")->setChecked(true);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(f.dialogs.callsOf("msgBox").size(), 1);
    QCOMPARE(f.dialogs.calls.last().text, QStringLiteral("当前连接对象为：Temp_F.obj"));

    // The map view waits for the linker and then shows its map.
    f.main->action("mnulinkresult")->trigger();
    QCOMPARE(f.doc()->caption(), QStringLiteral("Temp_F.Map"));
    QFile map(fixturePath("CLEAN.MAP"));
    QVERIFY(map.open(QIODevice::ReadOnly));
    QTRY_COMPARE_WITH_TIMEOUT(f.text()->text(), QString::fromLatin1(map.readAll()), 60000);

    // Run starts the program the linker wrote, found under its upper-case name.
    press(f, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tools + "/RAN.TXT"), 60000);

    f.main->action("mnuCompilelist")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(f.doc()->caption(), QDir::toNativeSeparators(tools + "/TEMP_F.LST"),
                              60000);
    QVERIFY(f.text()->text().contains("\r\n  Temp_F.asm(34): error A2105"));
    QVERIFY(!f.text()->text().contains("Microsoft (R) Macro"));
    QCOMPARE(f.dialogs.calls.size(), 1);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestToolchainE2e::linkWithoutObjectShowsWhatTheLinkerPrinted()
{
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    QVERIFY(writeFile(f.path("link.exe"), linkScript(), true));
    f.main->Lastsaved = f.toolFolder() + "prog.asm";
    f.main->Basename = "prog";
    f.main->mnulink();
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.callsOf("msgBox").size(), 2, 60000);
    QCOMPARE(f.dialogs.calls.last().text,
             "连接程序没有生成可执行文件 " + f.toolFolder() +
                 "prog.exe。连接程序的输出：\r\n\r\nLINK : fatal error L1093: prog.obj : object "
                 "file not found");
}

// Writes its command tail to temp_f.lst (DOS makes that TEMP_F.LST), then a
// summary, as the assembler ends its listing.
static const char dosAssemblerSource[] = R"(org 100h
    mov ah, 3Ch
    xor cx, cx
    mov dx, fname
    int 21h
    jc fail
    mov bx, ax
    mov ah, 40h
    xor cx, cx
    mov cl, [80h]
    mov dx, 81h
    int 21h
    mov ah, 40h
    mov cx, summary_end - summary
    mov dx, summary
    int 21h
    mov ah, 3Eh
    int 21h
    mov ax, 4C00h
    int 21h
fail:
    mov ax, 4C01h
    int 21h
fname db 'temp_f.lst', 0
summary db 13, 10, '     35 Source  Lines', 13, 10, '      0 Severe  Errors', 13, 10
summary_end:
)";

// DOSBox processes whose arguments name the folder, with their arguments.
static QMap<int, QByteArray> dosboxesFor(const QString &folder)
{
    QMap<int, QByteArray> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> argv = f.readAll().split('\0');
        if (!argv.isEmpty() && argv.first().endsWith("dosbox") &&
            argv.join(' ').contains(folder.toUtf8()))
            found[pid.toInt()] = argv.join(' ');
    }
    return found;
}

// None may outlive a hidden run.
static int dosboxProcessesFor(const QString &folder)
{
    return int(dosboxesFor(folder).size());
}

// Builds a DOS program with nasm.
static bool buildDosProgram(const QByteArray &source, const QString &output)
{
    if (!writeFile(output + ".nasm", source))
        return false;
    QProcess nasm;
    nasm.start(QStringLiteral("nasm"), {"-f", "bin", "-o", output, output + ".nasm"});
    return nasm.waitForFinished(30000) && nasm.exitCode() == 0;
}

void TestToolchainE2e::assemblerInDosbox()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("dosbox or nasm is not installed");
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    QVERIFY(buildDosProgram(dosAssemblerSource, f.path("masm.exe")));

    press(f, Qt::Key_F9);

    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f) && reportOf(f)->isVisible(), 60000);
    FrmReport *report = reportOf(f);
    QCOMPARE(
        report->RichText->text(),
        QStringLiteral(" Assembling Report:\r\n    Temp_F.asm,Temp_F,,,\r\n\r\n 汇编总结报告：\r\n"
                       "    35 Source  Lines\r\n    0 Severe  Errors\r\n"));
    QCOMPARE(
        QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))),
        QStringLiteral("  Temp_F.asm,Temp_F,,,\r\n\r\n 汇编总结报告：\r\n  35 Source  Lines\r\n"
                       "  0 Severe  Errors\r\n\r\n"));
    QVERIFY(f.main->action("mnulink")->isEnabled());
    QVERIFY(f.dialogs.calls.isEmpty());
    QCOMPARE(dosboxProcessesFor(f.dir.path()), 0);
}

// A new user's whole first job: the free tools downloaded into an empty tool
// folder, the new-program skeleton assembled and linked by them, and the
// program started in DOSBox.
void TestToolchainE2e::realToolsFromDownloadToDosbox()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("dosbox is not installed");
    if (!QFile::exists(QStringLiteral(KORVANE_DOS_TOOLS "/MASM.EXE")))
        QSKIP("the real DOS tools are not in ../shared/dos-tools");
    ToolServer server;
    QVERIFY(server.serveRealTools(QStringLiteral(KORVANE_DOS_TOOLS), dosToolsCommit()));
    qputenv("KORVANE_TOOLS_URL", server.baseUrl().toUtf8());
    // The run's DOSBox window has no display here: it runs without one.
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
    const auto restore = qScopeGuard([] {
        for (const char *name : {"KORVANE_TOOLS_URL", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER"})
            qunsetenv(name);
    });
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);

    f.dialogs.answerMsgBox(Dialogs::Yes);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f) && reportOf(f)->isVisible(), 60000);
    const QString report = reportOf(f)->RichText->text();
    QVERIFY2(
        report.startsWith(" Assembling Report:\r\n\r\n 汇编总结报告：\r\n    35 Source  Lines"),
        qPrintable(report));
    QVERIFY2(report.contains("    0 Warning Errors\r\n    0 Severe  Errors"), qPrintable(report));
    QCOMPARE(QDir(f.dir.path()).entryList({"*.exe"}, QDir::Files, QDir::Name),
             QStringList({"debug.exe", "link.exe", "masm.exe"}));

    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::Key_L, Qt::ControlModifier);
    // The program is whole once the linker's DOSBox has ended.
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(f.path("TEMP_F.EXE")) && dosboxesFor(f.dir.path()).isEmpty(), 60000);
    QCOMPARE(fileBytes(f.path("TEMP_F.EXE")).left(2), QByteArray("MZ"));

    press(f, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!dosboxesFor(f.dir.path()).isEmpty(), 60000);
    const QMap<int, QByteArray> runs = dosboxesFor(f.dir.path());
    // A program run stays at the DOS prompt until its window is closed.
    for (const int pid : runs.keys())
        ::kill(pid, SIGKILL);
    QCOMPARE(runs.size(), 1);
    QVERIFY2(runs.first().toUpper().contains(" -C TEMP_F.EXE"), runs.first().constData());
    QCOMPARE(f.dialogs.calls.size(), 2);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestToolchainE2e::closingWhileDosboxRuns_data()
{
    QTest::addColumn<QString>("close");    // "document", "report" or "main"
    QTest::addColumn<bool>("listingView"); // the listing view is chosen during the run
    QTest::newRow("document closed: the report still comes") << "document" << false;
    QTest::newRow("report window closed: it comes back with the report") << "report" << false;
    QTest::newRow("listing view chosen, document closed: both end") << "document" << true;
    QTest::newRow("main window closed: DOSBox ends with it") << "main" << false;
    QTest::newRow("listing view chosen, main window closed") << "main" << true;
}

// A slow assembler in DOSBox: whatever closes while it runs, nothing crashes
// and no DOSBox outlives its run.
void TestToolchainE2e::closingWhileDosboxRuns()
{
    QFETCH(QString, close);
    QFETCH(bool, listingView);
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("dosbox or nasm is not installed");
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    // Waits two seconds (INT 15h, AH=86h) before it writes its listing.
    const QByteArray slow = QByteArray("org 100h\n    mov ah, 86h\n    mov cx, 001Eh\n"
                                       "    mov dx, 8480h\n    int 15h\n") +
                            QByteArray(dosAssemblerSource).mid(sizeof("org 100h"));
    QVERIFY(buildDosProgram(slow, f.path("masm.exe")));
    f.main->reportWindow()->showText("Report", "earlier");

    press(f, Qt::Key_F9);
    if (listingView)
        f.main->action("mnuCompilelist")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(dosboxProcessesFor(f.dir.path()), 1, 30000);
    if (close == "main") {
        f.dialogs.answerMsgBox(Dialogs::No);
        QVERIFY(f.main->close());
        QCOMPARE(dosboxProcessesFor(f.dir.path()), 0);
        QTest::qWait(3000);
        QCOMPARE(reportOf(f)->shownText(), QStringLiteral("earlier"));
    } else {
        if (close == "report") {
            reportOf(f)->close();
        } else {
            f.dialogs.answerMsgBox(Dialogs::No);
            f.main->mdiArea()->subWindowList().first()->close();
        }
        QTRY_VERIFY_WITH_TIMEOUT(reportOf(f)->isVisible() &&
                                     reportOf(f)->shownText().contains("35 Source  Lines"),
                                 60000);
        if (listingView)
            QTRY_COMPARE_WITH_TIMEOUT(f.main->documents().size(), 1, 30000);
    }
    QCOMPARE(dosboxProcessesFor(f.dir.path()), 0);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

static const char toolsFolder[] = KORVANE_DOS_TOOLS;

void TestToolchainE2e::realAssembler_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("saveAs");    // with 编译时提示保存; empty: the temporary file
    QTest::addColumn<bool>("mark");         // the document's file is UTF-8 with a mark
    QTest::addColumn<QStringList>("shown"); // lines the report holds; empty: refused
    QTest::addColumn<QString>("message");   // the start of the one message shown

    const QByteArray program = "code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                               "int 21h\r\ncode ends\r\nend start";
    QTest::newRow("missing END: what the assembler printed follows the diagnostics")
        << program.left(program.lastIndexOf("\r\n")) << "" << false
        << QStringList{"    End of file encountered on input file", "    0 Severe  Errors"} << "";
    QTest::newRow("INCLUDE file beside a source saved elsewhere is found")
        << "include mymacs.inc\r\n" + program << "elsewhere/prog.asm" << false
        << QStringList{"    0 Warning Errors", "    0 Severe  Errors"} << "";
    QTest::newRow("UTF-8 file with a mark assembles without complaint")
        << program << "elsewhere/marked.asm" << true
        << QStringList{"    0 Warning Errors", "    0 Severe  Errors"} << "";
    QTest::newRow("Chinese file name refused before anything runs")
        << program << "elsewhere/你好.asm" << false << QStringList{}
        << "文件名“你好.asm”含有汉字或其他非英文字符“你”";
}

// The real Macro Assembler 5.10 in DOSBox, from the shared tools folder.
void TestToolchainE2e::realAssembler()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, saveAs);
    QFETCH(bool, mark);
    QFETCH(QStringList, shown);
    QFETCH(QString, message);
    if (!QFile::exists(QString::fromUtf8(toolsFolder) + "/MASM.EXE"))
        QSKIP("the DOS tools are not in ../shared/dos-tools");
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("dosbox is not installed");
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    QVERIFY(QFile::copy(QString::fromUtf8(toolsFolder) + "/MASM.EXE", f.path("masm.exe")));
    QVERIFY(QDir().mkpath(f.path("elsewhere")));
    QVERIFY(writeFile(f.path("elsewhere/mymacs.inc"), "; nothing but a comment\r\n"));
    f.text()->setText(QString::fromUtf8(source));
    f.doc()->encoding = TextEncoding{QStringLiteral("UTF-8"), mark};
    if (!saveAs.isEmpty()) {
        f.main->action("mnusavetip")->setChecked(true);
        f.dialogs.answerSave(f.path(saveAs));
    }
    if (!message.isEmpty())
        f.dialogs.answerMsgBox(Dialogs::Ok);

    press(f, Qt::Key_F9);
    if (shown.isEmpty()) {
        QCOMPARE(f.dialogs.callsOf("msgBox").size(), 1);
        QVERIFY(f.dialogs.callsOf("msgBox").first().text.startsWith(message));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"masm.exe"});
        QVERIFY(!reportOf(f));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(reportOf(f) && reportOf(f)->isVisible(), 60000);
    const QStringList lines = reportOf(f)->RichText->text().split("\r\n");
    for (const QString &line : shown)
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
    if (mark)
        QVERIFY(fileBytes(f.path(saveAs)).startsWith("\xEF\xBB\xBF"));
    QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
}

void TestToolchainE2e::realAssemblerMarksItsLines()
{
    const QString masm = QStringLiteral(KORVANE_DOS_TOOLS "/MASM.EXE");
    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty() || !QFile::exists(masm))
        QSKIP("dosbox or the real MASM.EXE (beside the source tree) is not there");
    ProcessLauncher launcher;
    MainFixture f(true, &launcher);
    QVERIFY(QFile::copy(masm, f.path("masm.exe")));
    QFile source(fixturePath("WARN.ASM"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    f.text()->setText(QString::fromLatin1(source.readAll()));

    press(f, Qt::Key_F9);

    // Two errors and a warning, each beside the line MASM named.
    const auto marks = [&f] {
        QStringList rows;
        for (const DiagnosticStrip::Mark &m : f.doc()->Strip->marks())
            rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E " : " W ") +
                        m.text.section(QLatin1Char(' '), 1, 2);
        return rows;
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        marks(), QStringList({"17 E error A2009:", "18 W warning A4031:", "19 E error A2105:"}),
        30000);
    QCOMPARE(dosboxProcessesFor(f.dir.path()), 0);
}

QTEST_MAIN(TestToolchainE2e)
#include "tst_toolchain_e2e.moc"
