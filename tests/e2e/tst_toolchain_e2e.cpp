#include "documents/diagnosticstrip.h"
#include "loopbackserver.h"
#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QStandardPaths>
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
    ProcessLauncher launcher;
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
    QVERIFY(QFile::copy(realToolsFolder() + "/MASM.EXE", f.path("masm.exe")));
    QVERIFY(QDir().mkpath(f.path("elsewhere")));
    QVERIFY(writeFile(f.path("elsewhere/mymacs.inc"), "; nothing but a comment\r\n"));
    f.text()->setText(QString::fromUtf8(source));
    f.doc()->encoding = TextEncoding{QStringLiteral("UTF-8"), mark};
    if (!saveAs.isEmpty()) {
        f.main->action("mnusavetip")->setChecked(true);
        f.dialogs.answerSave(f.path(saveAs));
    }
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f), 60000);
    const QStringList lines = shownReport(f)->RichText->text().split("\r\n");
    for (qsizetype i = 0; i < shown.size(); ++i)
        QVERIFY2(lines.count(shown[i]) == 1 &&
                     (!i || lines.indexOf(shown[i - 1]) < lines.indexOf(shown[i])),
                 qPrintable(lines.join('\n')));
    if (mark)
        QVERIFY(fileBytes(f.path(saveAs)).startsWith("\xEF\xBB\xBF"));
    QStringList rows;
    for (const DiagnosticStrip::Mark &m : f.doc()->Strip->marks())
        rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E " : " W ") +
                    m.text.section(QLatin1Char(' '), 1, 2);
    QCOMPARE(rows, marks);
    if (!marks.isEmpty()) {
        // F6 visits the marks in order, then starts over.
        for (int i = 0; i <= marks.size(); ++i) {
            press(f, Qt::Key_F6);
            QCOMPARE(f.text()->caretLine(), marks[i % marks.size()].section(' ', 0, 0).toInt());
        }
        // A double-click on a diagnostic in the report goes to its line.
        RichText *report = shownReport(f)->RichText;
        const QTextBlock line = report->document()->findBlockByNumber(2);
        QVERIFY(line.text().startsWith("    Temp_F.asm(" + marks[1].section(' ', 0, 0) + "):"));
        QTest::mouseDClick(report->viewport(), Qt::LeftButton, {},
                           report->cursorRect(QTextCursor(line)).center() + QPoint(4, 0));
        QCOMPARE(f.text()->caretLine(), marks[1].section(' ', 0, 0).toInt());
        QCOMPARE(f.text()->caretColumn(), 1);

        // A line typed above moves the marks down with their lines; the next
        // assembly, of a corrected text, replaces them.
        f.text()->setSelStart(0);
        press(f, Qt::Key_Return);
        QCOMPARE(f.doc()->Strip->marks().size(), marks.size());
        for (int i = 0; i < marks.size(); ++i)
            QCOMPARE(f.doc()->Strip->marks()[i].line, marks[i].section(' ', 0, 0).toInt() + 1);
        f.text()->setText("code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\n"
                          "int 21h\r\ncode ends\r\nend start");
        QVERIFY(!f.doc()->Strip->marks().isEmpty());
        press(f, Qt::Key_F9);
        QTRY_VERIFY_WITH_TIMEOUT(f.doc()->Strip->marks().isEmpty(), 60000);
    }
    QVERIFY(f.dialogs.callsOf("msgBox").isEmpty());
    QVERIFY(dosboxesFor(f.dir.path()).isEmpty());
}

QTEST_MAIN(TestToolchainE2e)
#include "tst_toolchain_e2e.moc"
