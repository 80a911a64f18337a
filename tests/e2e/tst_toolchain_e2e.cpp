#include "debugging/runwindow.h"
#include "debugging/screenview.h"
#include "documents/diagnosticstrip.h"
#include "loopbackserver.h"
#include "machine/toolrun.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"
#include "toolchain/toollauncher.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>

#include <csignal>

// The real Macro Assembler 5.10 and Overlay Linker 3.65 in DOSBox, from the
// menu command to the report window, through the real launcher.
class TestToolchainE2e : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstJobToRun();
    void realAssembler_data();
    void realAssembler();
    void comProgram();
    void failedAssemblyIsNotLinked_data();
    void mixedLineBreaksMarkTheirLines_data();
    void mixedLineBreaksMarkTheirLines();
    void failedAssemblyIsNotLinked();
    void machineStops_data();
    void machineStops();
};

// The real launcher, counting the hidden runs that go to DOSBox or another
// process: the assembler and the linker run on the built-in machine.
class CountingLauncher : public ProcessLauncher
{
public:
    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName,
                       const QString &includeFolder) override
    {
        if (style == WindowStyle::Hidden)
            started << commandLine;
        return ProcessLauncher::start(commandLine, workingDirectory, style, consoleOutputName,
                                      includeFolder);
    }
    QStringList started;
};

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
    REQUIRE_REAL_TOOLS();
}

// A new user's whole first job, in a tool folder with blanks and Chinese
// characters: the new-program skeleton assembled and linked, its listing and
// map viewed, the program started.
void TestToolchainE2e::firstJobToRun()
{
    // The run's DOSBox window has no display here: it runs without one.
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
    // The free tools come from a loopback server holding the real files.
    LoopbackServer server;
    QVERIFY(server.serveRealTools(realToolsFolder(), dosToolsCommit()));
    qputenv("KORVANE_TOOLS_URL", server.baseUrl().toUtf8());
    const auto restore = qScopeGuard([] {
        for (const char *name : {"SDL_VIDEODRIVER", "SDL_AUDIODRIVER", "KORVANE_TOOLS_URL"})
            qunsetenv(name);
    });
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(false, &launcher);
    const QString tools = f.path("my 工具");
    QVERIFY(QDir().mkpath(tools) && QDir::setCurrent(tools));
    f.main->Show();
    f.main->action("mnumakemap")->setChecked(true);

    // F9 in an empty tool folder: Yes to the download, then it assembles.
    f.dialogs.answerMsgBox(Dialogs::Yes);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f), 60000);
    for (const char *tool : {"/masm.exe", "/link.exe", "/debug.exe"})
        QVERIFY(QFile::exists(tools + tool));
    const QString report = shownReport(f)->shownText();
    QVERIFY2(report.contains("\r\n    35 Source  Lines\r\n") &&
                 report.endsWith("    0 Warning Errors\r\n    0 Severe  Errors\r\n"),
             qPrintable(report));

    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::ControlModifier | Qt::Key_L);
    // The program is whole once the linker's DOSBox has ended; it linked
    // without a word to say.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tools + "/TEMP_F.EXE") && dosboxesFor(tools).isEmpty(),
                             60000);
    QCOMPARE(fileBytes(tools + "/TEMP_F.EXE").left(2), QByteArray("MZ"));
    QTRY_VERIFY(f.main->findChildren<ToolWait *>().isEmpty());
    QCOMPARE(shownReport(f)->shownText(), report);
    QCOMPARE(processes.started, QStringList());

    // The views show the rewritten listing and the map, as they are on disk.
    f.main->action("mnuCompilelist")->trigger();
    QTRY_COMPARE(f.text()->text().toUtf8(), fileBytes(tools + "/TEMP_F.LST"));
    QVERIFY(f.text()->text().contains("\r\n 汇编总结报告：\r\n  35 Source  Lines\r\n"));
    // The view opens ready for keys.
    QTRY_COMPARE(QApplication::focusWidget(), f.text());
    f.main->action("mnulinkresult")->trigger();
    QTRY_COMPARE(f.text()->text().toUtf8(), fileBytes(tools + "/TEMP_F.MAP"));
    QVERIFY(f.text()->text().contains("Program entry point"));

    // F5 runs the program in the program's own window, on the built-in 8086;
    // a key closes it once the program has ended.
    press(f, Qt::Key_F5);
    QTRY_VERIFY(f.main->findChild<RunWindow *>());
    RunWindow *window = f.main->findChild<RunWindow *>();
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<QLabel *>("status")->text().contains("程序已结束"),
                             60000);
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY(!f.main->findChild<RunWindow *>());
    QVERIFY(dosboxesFor(tools).isEmpty());
    // With the option, F5 runs it in DOSBox, as before.
    f.main->action("mnuf5dosbox")->setChecked(true);
    press(f, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!dosboxesFor(tools).isEmpty(), 60000);
    const QMap<int, QByteArray> runs = dosboxesFor(tools);
    // A program run stays at the DOS prompt until its window is closed.
    for (const int pid : runs.keys())
        ::kill(pid, SIGKILL);
    QCOMPARE(runs.size(), 1);
    QVERIFY2(runs.first().toUpper().contains(" -C TEMP_F.EXE"), runs.first().constData());

    // F9 in the map view assembles its program, and the listing view shows the new listing.
    frmDocument *listing = f.main->documents()[1];
    listing->Text1->setText("edited");
    press(f, Qt::Key_F9);
    QTRY_COMPARE_WITH_TIMEOUT(listing->Text1->text().toUtf8(), fileBytes(tools + "/TEMP_F.LST"),
                              60000);
    QCOMPARE(f.doc(), f.main->documents().first());
    QCOMPARE(fileBytes(tools + "/Temp_F.asm"), (f.text()->text() + "\r\n").toUtf8());
    QCOMPARE(f.dialogs.calls.size(), 2); // the download offer and the link's object
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestToolchainE2e::realAssembler_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("saveAs");    // with 编译时提示保存; empty: the temporary file
    QTest::addColumn<bool>("mark");         // the document's file is UTF-8 with a mark
    QTest::addColumn<QStringList>("shown"); // lines the report holds, once each, in order
    QTest::addColumn<QStringList>("marks"); // line, kind and code of each mark
    QTest::addColumn<QString>("status");    // the window's, after the assembly
    // An include file with an error: "open" in a window before, or "closed"
    QTest::addColumn<QString>("include");

    const QByteArray program = "code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                               "int 21h\r\ncode ends\r\nend start";
    const QStringList clean{"    0 Warning Errors", "    0 Severe  Errors"};
    const QString fine = "编译结果：0 个错误，0 个警告";
    QTest::newRow("missing END: what the assembler printed follows the diagnostics")
        << program.left(program.lastIndexOf("\r\n")) << "" << false
        << QStringList{"    End of file encountered on input file", "    0 Severe  Errors"}
        << QStringList() << "编译失败（…）：End of file encountered on input file"
        << "";
    QTest::newRow("INCLUDE file beside a source saved elsewhere is found")
        << "include mymacs.inc\r\n" + program << "elsewhere/prog.asm" << false << clean
        << QStringList() << fine << "";
    QTest::newRow("UTF-8 file with a mark assembles without complaint")
        << program << "elsewhere/marked.asm" << true << clean << QStringList() << fine << "";
    QTest::newRow("two errors and a warning, each marked beside its line")
        << fileBytes(KORVANE_FIXTURES "/masm510/WARN.ASM") << "" << false
        << QStringList{"    1 Warning Errors"}
        << QStringList{"17 E error A2009:", "18 W warning A4031:", "19 E error A2105:"}
        << "编译失败（2 个错误，1 个警告）：没有生成目标文件"
        << "";
    for (const char *include : {"open", "closed"})
        QTest::addRow("an include file's error, its window %s", include)
            << "include bad.inc\r\n" + program << "elsewhere/prog.asm" << false << QStringList()
            << QStringList{"2 E error A2105:"} << "编译失败（1 个错误，0 个警告）：没有生成目标文件"
            << include;
}

void TestToolchainE2e::realAssembler()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, saveAs);
    QFETCH(bool, mark);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, marks);
    QFETCH(QString, status);
    QFETCH(QString, include);
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(true, &launcher);
    QVERIFY(QFile::copy(realToolsFolder() + "/MASM.EXE", f.path("masm.exe")));
    QVERIFY(QDir().mkpath(f.path("elsewhere")));
    QVERIFY(writeFile(f.path("elsewhere/mymacs.inc"), "; nothing but a comment\r\n"));
    QVERIFY(writeFile(f.path("elsewhere/bad.inc"), "; line 1\r\nxyz ax\r\n"));
    // What an earlier build left must not pass for this one's.
    for (const char *old : {"TEMP_F.OBJ", "TEMP_F.EXE", "TEMP_F.COM"})
        QVERIFY(writeFile(f.path(old), "MZ old"));
    frmDocument *assembled = f.doc();
    if (include == "open") {
        f.dialogs.answerOpen(f.path("elsewhere/bad.inc"));
        f.main->Newdocument();
        f.main->mnuFileOpen();
        f.main->mdiArea()->activateNextSubWindow();
    }
    f.text()->setText(QString::fromUtf8(source));
    f.doc()->encoding = TextEncoding{QStringLiteral("UTF-8"), mark};
    if (!saveAs.isEmpty()) {
        f.main->action("mnusavetip")->setChecked(true);
        f.dialogs.answerSave(f.path(saveAs));
    }
    QCOMPARE(f.doc(), assembled);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f), 60000);
    // "…" stands for what MASM's own summary may say.
    const QString said = f.doc()->Strip->countText();
    QVERIFY2(said.startsWith(status.section(u'…', 0, 0)) && said.endsWith(status.section(u'…', -1)),
             qPrintable(said));
    QCOMPARE(QFile::exists(f.path("TEMP_F.EXE")) || QFile::exists(f.path("TEMP_F.COM")),
             !saveAs.isEmpty());
    if (saveAs.isEmpty() && status.contains("没有生成目标文件")) {
        QVERIFY(!QFile::exists(f.path("TEMP_F.OBJ")));
        // F5 after a failed build says so and offers F9.
        f.main->action("mnurun")->setEnabled(true);
        f.dialogs.answerMsgBox(Dialogs::No);
        press(f, Qt::Key_F5);
        QVERIFY(f.dialogs.calls.takeLast().text.startsWith("上次编译失败：没有生成目标文件"));
    }
    const QStringList lines = shownReport(f)->RichText->text().split("\r\n");
    for (qsizetype i = 0; i < shown.size(); ++i)
        QVERIFY2(lines.count(shown[i]) == 1 &&
                     (!i || lines.indexOf(shown[i - 1]) < lines.indexOf(shown[i])),
                 qPrintable(lines.join('\n')));
    if (mark)
        QVERIFY(fileBytes(f.path(saveAs)).startsWith("\xEF\xBB\xBF"));
    if (!marks.isEmpty()) {
        // A double-click on the first diagnostic shows its file at its line,
        // opened when it was not, with the marks of its own.
        RichText *report = shownReport(f)->RichText;
        const QTextBlock line = report->document()->findBlockByNumber(1);
        QTest::mouseDClick(report->viewport(), Qt::LeftButton, {},
                           report->cursorRect(QTextCursor(line)).center() + QPoint(4, 0));
        QCOMPARE(f.text()->caretLine(), marks[0].section(' ', 0, 0).toInt());
    }
    QStringList rows;
    for (const DiagnosticStrip::Mark &m : f.doc()->Strip->marks())
        rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E " : " W ") +
                    m.text.section(QLatin1Char(' '), 1, 2);
    QCOMPARE(rows, marks);
    // The include file's line 2 is not the source's.
    QCOMPARE(QFileInfo(f.doc()->caption()) == QFileInfo(f.path("elsewhere/bad.inc")),
             !include.isEmpty());
    QVERIFY(include.isEmpty() ||
            (assembled->Strip->marks().isEmpty() && f.main->documents().size() == 2));
    if (include.isEmpty() && !marks.isEmpty()) {
        // The next assembly, of a corrected text, replaces the marks.
        f.text()->setText("code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                          "int 21h\r\ncode ends\r\nend start");
        press(f, Qt::Key_F9);
        QTRY_VERIFY_WITH_TIMEOUT(f.doc()->Strip->marks().isEmpty(), 60000);
    }
    QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
    QCOMPARE(processes.started, QStringList());
}

// A program written as a .COM is linked, made a .COM by the real EXE2BIN, and
// run as that .COM.
void TestToolchainE2e::comProgram()
{
    qputenv("SDL_VIDEODRIVER", "dummy");
    qputenv("SDL_AUDIODRIVER", "dummy");
    const auto restore = qScopeGuard([] {
        for (const char *name : {"SDL_VIDEODRIVER", "SDL_AUDIODRIVER"})
            qunsetenv(name);
    });
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(true, &launcher);
    for (const char *tool : {"MASM.EXE", "LINK.EXE", "EXE2BIN.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + '/' + tool,
                            f.path(QString::fromLatin1(tool).toLower())));
    f.text()->setText("code segment\r\nassume cs:code,ds:code\r\norg 100h\r\n"
                      "start: mov dx,offset msg\r\nmov ah,9\r\nint 21h\r\nmov ax,4c00h\r\n"
                      "int 21h\r\nmsg db 'COM OK$'\r\ncode ends\r\nend start");
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f), 60000);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::ControlModifier | Qt::Key_L);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f)->shownText().contains("转换为 .COM 程序 Temp_F.COM"),
                             60000);
    const QByteArray com = fileBytes(f.path("TEMP_F.COM"));
    QVERIFY(com.startsWith("\xBA") && com.endsWith("COM OK$"));
    QVERIFY(shownReport(f)->shownText().contains("LINK : warning L4021: no stack segment"));
    QCOMPARE(processes.started, QStringList());

    // F5 runs the .COM.
    press(f, Qt::Key_F5);
    QTRY_VERIFY(f.main->findChild<ScreenView *>());
    const ScreenView *screen = f.main->findChild<RunWindow *>()->findChild<ScreenView *>();
    QTRY_VERIFY_WITH_TIMEOUT(screen->text().startsWith("COM OK"), 60000);
    QVERIFY(dosboxesFor(f.dir.path()).isEmpty());
}

void TestToolchainE2e::failedAssemblyIsNotLinked_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<bool>("assembleAgain"); // the answer to the offer of F9
    QTest::newRow("Ctrl+L: told, not linked") << (Qt::ControlModifier | Qt::Key_L) << false;
    QTest::newRow("Ctrl+L: told, Yes assembles again") << (Qt::ControlModifier | Qt::Key_L) << true;
    QTest::newRow("F5: told, nothing run") << QKeyCombination(Qt::Key_F5) << false;
    QTest::newRow("the debugger's start: told, the report shown, not linked")
        << (Qt::ControlModifier | Qt::Key_F5) << true;
}

// MASM leaves an object behind when the source ends without END; it is no
// program, and nothing links or runs it.
void TestToolchainE2e::failedAssemblyIsNotLinked()
{
    QFETCH(QKeyCombination, key);
    QFETCH(bool, assembleAgain);
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(true, &launcher);
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + '/' + tool,
                            f.path(QString::fromLatin1(tool).toLower())));
    f.text()->setText("code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                      "int 21h\r\ncode ends");
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) && !f.main->findChild<ToolWait *>(), 60000);
    QVERIFY(f.doc()->Strip->countText().startsWith("编译失败"));
    // What MASM left is there: only the failed assembly keeps it from the linker.
    QVERIFY(QFile::exists(f.path("TEMP_F.OBJ")));
    shownReport(f)->close();
    f.main->action("mnulink")->setEnabled(true);
    f.main->action("mnurun")->setEnabled(true);

    const bool debugger = key == (Qt::ControlModifier | Qt::Key_F5);
    if (!debugger)
        f.dialogs.answerMsgBox(assembleAgain ? Dialogs::Yes : Dialogs::No);
    press(f, key);
    if (debugger) {
        QTRY_VERIFY_WITH_TIMEOUT(shownReport(f), 60000);
        const QString said = f.main->statusBar()->currentMessage();
        QVERIFY2(said.startsWith("汇编没有成功，请先按 F9 查看编译报告。") &&
                     said.endsWith("End of file encountered on input file"),
                 qPrintable(said));
        QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
    } else {
        const QList<FakeDialogs::Call> asked = f.dialogs.callsOf("msgBox");
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, "上次编译失败：End of file encountered on input file\n"
                                "目标文件 Temp_F.obj 不能连接。\n\n是否重新编译（F9）？");
        QCOMPARE(asked[0].buttons, int(Dialogs::YesNo));
        if (assembleAgain)
            QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) && !f.main->findChild<ToolWait *>(), 60000);
    }
    QTRY_VERIFY(f.main->findChildren<ToolWait *>().isEmpty());
    QVERIFY(!QFile::exists(f.path("TEMP_F.EXE")) && !QFile::exists(f.path("LINKMSG.TXT")));
    QVERIFY(!f.main->findChild<RunWindow *>());
    QVERIFY(f.dialogs.unexpected.isEmpty());
    QCOMPARE(processes.started, QStringList());
}

void TestToolchainE2e::mixedLineBreaksMarkTheirLines_data()
{
    QTest::addColumn<QByteArrayList>("breaks"); // of the first three lines
    QTest::addColumn<QByteArray>("rest");       // of the other lines
    QTest::newRow("an LF alone in a CR LF file")
        << QByteArrayList{"\r\n", "\n", "\r\n"} << QByteArray("\r\n");
    QTest::newRow("a CR alone in a CR LF file")
        << QByteArrayList{"\r\n", "\r", "\r\n"} << QByteArray("\r\n");
    QTest::newRow("a CR LF in an LF file")
        << QByteArrayList{"\n", "\r\n", "\n"} << QByteArray("\n");
}

// A file whose lines end in different ways is assembled line for line: the
// marks of the real assembler's diagnostics, and F6, land on the lines named.
void TestToolchainE2e::mixedLineBreaksMarkTheirLines()
{
    QFETCH(QByteArrayList, breaks);
    QFETCH(QByteArray, rest);
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(true, &launcher);
    QVERIFY(QFile::copy(realToolsFolder() + "/MASM.EXE", f.path("masm.exe")));
    const QByteArray source = "code segment" + breaks[0] + "assume cs:code" + breaks[1] +
                              "start: mov ax,4c00h" + breaks[2] + "xyz ax" + rest + "int 21h" +
                              rest + "mov bx,nowhere" + rest + "code ends" + rest + "end start" +
                              rest;
    QVERIFY(writeFile(f.path("mixed.asm"), source));
    f.dialogs.answerOpen(f.path("mixed.asm"));
    f.main->mnuFileOpen();
    // Nothing to say about the file's text.
    QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
    QCOMPARE(f.text()->text().split("\r\n").size(), 8);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) && !f.main->findChild<ToolWait *>(), 60000);
    QStringList rows;
    for (const DiagnosticStrip::Mark &m : f.doc()->Strip->marks())
        rows << QString::number(m.line) + ' ' + m.text.section(QLatin1Char(' '), 1, 2);
    QCOMPARE(rows, (QStringList{"4 error A2105:", "6 error A2009:"}));
    f.text()->setSelStart(0);
    for (const int line : {4, 6}) {
        press(f, Qt::Key_F6);
        QCOMPARE(f.text()->caretLine(), line);
    }
    // The file itself is as it was.
    QCOMPARE(fileBytes(f.path("mixed.asm")), source);
    QCOMPARE(processes.started, QStringList());
}

// A stand-in assembler's body: it writes a clean listing and an object, and ends.
static QByteArray writeListingSource()
{
    return "mov ah,3Ch\nxor cx,cx\nmov dx,name\nint 21h\nmov bx,ax\nmov ah,40h\n"
           "mov cx,textEnd-text\nmov dx,text\nint 21h\nmov ah,3Eh\nint 21h\n"
           // and its object, which Ctrl+L needs before it links
           "mov ah,3Ch\nxor cx,cx\nmov dx,object\nint 21h\nmov bx,ax\nmov ah,3Eh\nint 21h\n"
           "mov ax,4C00h\nint 21h\nname db 'TEMP_F.LST',0\nobject db 'TEMP_F.OBJ',0\n"
           "text db 13,10,'   1 Source  Lines',13,10,'   0 Warning Errors',13,10,"
           "'   0 Severe  Errors',13,10\ntextEnd:\n";
}

void TestToolchainE2e::machineStops_data()
{
    QTest::addColumn<QByteArray>("program"); // nasm source of a stand-in assembler
    QTest::addColumn<QString>("message");    // a word of what the user is told; empty: the report
    // Which tool the stand-in is: "link" runs after a stand-in assembler
    // that writes a clean listing.
    QTest::addColumn<QString>("tool");
    const QByteArray writeListing = writeListingSource();
    QTest::newRow("a mouse call the machine lacks: the same run in DOSBox, said once")
        << "org 100h\nxor ax,ax\nint 33h\n" + writeListing << QString() << "masm";
    QTest::newRow("stuck in a loop: stopped at the bound, told")
        << QByteArray("org 100h\nhere: jmp here\n") << "很长时间没有任何进展"
        << "masm";
    QTest::newRow("waiting for a key nobody can press: stopped at once, told")
        << QByteArray("org 100h\nmov ah,8\nint 21h\nint 20h\n") << "在等待键盘输入"
        << "masm";
    QTest::newRow("an assembler that divides by zero: told it failed, and why")
        << QByteArray("org 100h\nxor ax,ax\ndiv al\n") << "编译程序无法正常运行：division overflow"
        << "masm";
    QTest::newRow("an assembler that runs into bytes no 8086 knows: told it failed, and why")
        << QByteArray("org 100h\ndb 0Fh,0Bh\n") << "编译程序无法正常运行：invalid instruction"
        << "masm";
    QTest::newRow("a linker that divides by zero: told it failed, and why")
        << QByteArray("org 100h\nxor ax,ax\ndiv al\n") << "连接程序无法正常运行：division overflow"
        << "link";
    QTest::newRow("the main window closed while it runs: ended, nothing said")
        << QByteArray("org 100h\nhere: jmp here\n") << "close"
        << "masm";
}

void TestToolchainE2e::machineStops()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, message);
    QFETCH(QString, tool);
    if (QStandardPaths::findExecutable("nasm").isEmpty())
        QSKIP("nasm is not installed");
    CountingLauncher processes;
    ToolLauncher launcher(processes);
    // A user's is 30 s of the machine's time; the test's is short, and a stop
    // must come well within a generous multiple of it (machine time never runs
    // ahead of the clock on the wall).
    QCOMPARE(ToolRunRequest().idleBoundMs, 30000);
    launcher.setBounds(500, 1 << 20);
    MainFixture f(true, &launcher);
    auto standIn = [&](const QString &name, const QByteArray &source) {
        QVERIFY(writeFile(f.path("stand-in.asm"), source));
        QProcess nasm;
        nasm.start("nasm", {"-f", "bin", "-o", f.path(name), f.path("stand-in.asm")});
        QVERIFY(nasm.waitForFinished(60000) && nasm.exitCode() == 0);
    };
    f.dialogs.answerMsgBox(Dialogs::Ok);
    if (tool == "link") {
        standIn("masm.exe", "org 100h\n" + writeListingSource());
        standIn("link.exe", program);
        press(f, Qt::Key_F9);
        QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) && !f.main->findChild<ToolWait *>(), 60000);
        press(f, Qt::ControlModifier | Qt::Key_L);
        QTRY_VERIFY_WITH_TIMEOUT(f.dialogs.callsOf("msgBox").size() >= 2, 60000);
        const auto boxes = f.dialogs.callsOf("msgBox");
        QVERIFY2(std::any_of(boxes.begin(), boxes.end(),
                             [&](const auto &box) { return box.text.contains(message); }),
                 qPrintable(boxes.last().text));
        return;
    }
    standIn("masm.exe", program);
    for (int run = 0; run < (message.isEmpty() ? 2 : 1); ++run) {
        f.main->statusBar()->clearMessage();
        QElapsedTimer clock;
        clock.start();
        press(f, Qt::Key_F9);
        if (message == "close") {
            QTest::qWait(200);
            f.dialogs.answerMsgBox(Dialogs::No);
            QVERIFY(f.main->close());
            const qsizetype asked = f.dialogs.calls.size();
            f.main.reset();
            QTest::qWait(700);
            QCOMPARE(f.dialogs.calls.size(), asked);
            return;
        }
        if (!message.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.callsOf("msgBox").size(), 1, 60000);
            QVERIFY(clock.elapsed() < 40 * 500);
            QVERIFY2(f.dialogs.callsOf("msgBox")[0].text.contains(message),
                     qPrintable(f.dialogs.callsOf("msgBox")[0].text));
            QCOMPARE(processes.started, QStringList());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) && !f.main->findChild<ToolWait *>(), 60000);
        QVERIFY(shownReport(f)->shownText().contains("0 Severe  Errors"));
        // The first run found the machine lacking and moved; the second went
        // to DOSBox at once, and nothing more was said.
        QCOMPARE(processes.started.size(), run + 1);
        QCOMPARE(f.main->statusBar()->currentMessage().contains("DOSBox"), run == 0);
    }
}

QTEST_MAIN(TestToolchainE2e)
#include "tst_toolchain_e2e.moc"
