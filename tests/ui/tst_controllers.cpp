#include "debugging/debugcontroller.h"
#include "debugging/debugsession.h"
#include "debugging/debugstate.h"
#include "debugging/screenview.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "documents/skeleton.h"
#include "fakedialogs.h"
#include "fakelauncher.h"
#include "fakeworkbench.h"
#include "mainfixture.h"
#include "platform/richtext.h"
#include "realtools.h"
#include "toolchain/frmreport.h"
#include "toolchain/toolchaincontroller.h"
#include "toolchain/toollauncher.h"

#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

// The subsystems on their own: the documents, the toolchain and the debugger
// built on a bench that stands in for the main window, checked by what the
// user would see through them.
class TestControllers : public QObject
{
    Q_OBJECT
private slots:
    void assembleWithRealMasm_data();
    void assembleWithRealMasm();
    void assemblyRefused_data();
    void assemblyRefused();
    void stepThroughAndStop();
    void debuggingABrokenProgramShowsTheReport();
    void displayModeFollowsTheDocument();
};

namespace {

// Recovery copies, panel places and display modes of this bench's own.
bool homesIn(const QTemporaryDir &dir)
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".config"))));
    return dir.isValid();
}

// The controllers composed as the main window composes them, on a fake of it
// whose tool folder is a temporary one. With real tools the assembler and the
// linker run on the built-in machine; what would go to DOSBox is recorded.
struct Bench
{
    QTemporaryDir dir;
    const bool homes = homesIn(dir);
    FakeDialogs dialogs;
    FakeLauncher dosbox;
    ToolLauncher realTools{dosbox};
    FakeLauncher scripted;
    FakeWorkbench wb;
    DocumentsController documents{wb};
    ToolchainController toolchain{wb, documents};
    DebugController debug{wb, documents, toolchain};

    explicit Bench(bool real)
        : wb(dialogs, real ? static_cast<Launcher &>(realTools) : scripted, dir.path())
    {
        QObject::connect(wb.mdiArea(), &QMdiArea::subWindowActivated, &debug,
                         &DebugController::updateDebugCommands);
        QObject::connect(wb.mdiArea(), &QMdiArea::subWindowActivated, &debug,
                         &DebugController::showDisplayMode);
        wb.window()->show();
        documents.Newdocument();
    }
    ~Bench()
    {
        // As the window closes.
        debug.shutdown();
        wb.closing = true;
        toolchain.shutdown();
    }

    // The real tools under the names the window looks for.
    bool copyTools(const QStringList &names)
    {
        for (const QString &name : names)
            if (!QFile::copy(realToolsFolder() + u'/' + name.toUpper(), dir.filePath(name)))
                return false;
        return true;
    }
    frmDocument *doc() const { return wb.activeDocument(); }
    // The report window, once it is shown; never made here.
    FrmReport *report()
    {
        auto *r = wb.window()->findChild<FrmReport *>();
        return r && r->isVisible() ? r : nullptr;
    }
    // Each mark as "line E|W code".
    QStringList marks() const
    {
        QStringList rows;
        for (const DiagnosticStrip::Mark &m : doc()->Strip->marks())
            rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E " : " W ") +
                        m.text.section(u' ', 1, 2);
        return rows;
    }
    int current() const { return doc()->Strip->breakpoints->current(); }
    bool stopped() const
    {
        DebugSession *s = debug.debugSession();
        return s && !s->running() && current() > 0;
    }
};

// The new document's program with one line replaced (1-based).
QString skeletonWith(int line, const QString &text)
{
    QStringList lines = programSkeleton().split(QStringLiteral("\r\n"));
    lines[line - 1] = text;
    return lines.join(QStringLiteral("\r\n"));
}

// Lines as the editor counts them (1-based).
const char kSmall[] = "code segment\r\n"   // 1
                      "assume cs:code\r\n" // 2
                      "start: mov ax, 1\r\n" // 3
                      "    add ax, 2\r\n"  // 4
                      "    mov ax, 4c00h\r\n" // 5
                      "    int 21h\r\n"    // 6
                      "code ends\r\n"      // 7
                      "end start";

} // namespace

void TestControllers::assembleWithRealMasm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown"); // lines the report holds
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<QString>("counts"); // what the document's status bar begins with

    QTest::newRow("the new document's program assembles clean")
        << programSkeleton()
        << QStringList{"    35 Source  Lines", "    0 Warning Errors", "    0 Severe  Errors"}
        << QStringList() << "编译结果：0 个错误，0 个警告";
    QTest::newRow("an unknown instruction is reported and marked on its line")
        << skeletonWith(28, "        XYZ AX") << QStringList{"    1 Severe  Errors"}
        << QStringList{"28 E error A2105:"} << "编译失败（1 个错误，0 个警告）";
}

void TestControllers::assembleWithRealMasm()
{
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, marks);
    QFETCH(QString, counts);
    REQUIRE_REAL_TOOLS();
    Bench b(true);
    QVERIFY(b.copyTools({"masm.exe"}));
    b.doc()->Text1->setText(text);
    QVERIFY(!b.wb.command(Command::Link)->isEnabled());

    b.toolchain.mnucompile();
    QCOMPARE(b.wb.statusPanel, "正在编译 Temp_F.asm ……");
    QTRY_VERIFY_WITH_TIMEOUT(b.report() && !b.report()->shownText().isEmpty(), 60000);
    QCOMPARE(b.wb.statusPanelTexts, (QStringList{"正在编译 Temp_F.asm ……", "状态"}));
    QCOMPARE(b.report()->windowTitle(), "Report");
    const QStringList lines = b.report()->shownText().split("\r\n");
    for (const QString &line : shown)
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
    QVERIFY(b.wb.command(Command::Link)->isEnabled());
    QVERIFY(b.wb.command(Command::CompileList)->isEnabled());
    QCOMPARE(b.marks(), marks);
    QVERIFY2(b.doc()->Strip->countText().startsWith(counts), qPrintable(b.doc()->Strip->countText()));
    if (!marks.isEmpty()) {
        // A click on the message's code asks the window for its help entry.
        RichText *shownText = b.report()->RichText;
        const ExplainedText::Span span = b.report()->codeSpans().value(0);
        QCOMPARE(span.code, marks[0].section(' ', -1).chopped(1));
        QTextCursor onCode(shownText->document()->findBlockByNumber(span.line));
        onCode.setPosition(onCode.position() + span.start + 2);
        QTest::mouseClick(shownText->viewport(), Qt::LeftButton, {},
                          shownText->cursorRect(onCode).center());
        QCOMPARE(b.wb.messageHelpCodes, QStringList{span.code});
    }
    QCOMPARE(b.dialogs.calls.size(), 0);
    // The assembler ran on the built-in machine.
    QCOMPARE(b.dosbox.calls.size(), 0);
}

void TestControllers::assemblyRefused_data()
{
    QTest::addColumn<QString>("saveAs"); // answered to 编译时提示保存; empty: no saving
    QTest::addColumn<bool>("masm");      // masm.exe is in the tool folder
    QTest::addColumn<QString>("message"); // the refusal; %1 the tool folder

    const QString dosRule =
        "，DOS 工具无法使用这个文件名。请把文件另存为一个符合 DOS 规则的名字（主名 1 到 8 "
        "个字符，扩展名最多 3 个字符，只用英文字母、数字和下划线）后再试。";
    QTest::newRow("a name with a space is refused")
        << "my prog.asm" << true << "文件名“my prog.asm”含有空格" + dosRule;
    QTest::newRow("a Chinese name is refused")
        << "程序.asm" << true << "文件名“程序.asm”含有汉字或其他非英文字符“程”" + dosRule;
    QTest::newRow("a main name past 8 characters is refused")
        << "longname1.asm" << true << "文件名“longname1.asm”的主名不是 1 到 8 个字符" + dosRule;
    QTest::newRow("a missing assembler is told, download and search declined")
        << "" << false
        << "%1masm.exe文件没找到！请把masm.exe存放在当前文件夹。是否希望到网上去搜索masm.exe？"
           "\r\n\r\n（工具文件夹是 %1。免费的 MASM、LINK 和 DEBUG 随时可以用“选项”菜单里的"
           "“获取 DOS 工具...”下载。）";
}

void TestControllers::assemblyRefused()
{
    QFETCH(QString, saveAs);
    QFETCH(bool, masm);
    QFETCH(QString, message);
    Bench b(false);
    if (masm)
        QVERIFY(writeFile(b.dir.filePath("masm.exe"), "MZ"));
    if (!saveAs.isEmpty()) {
        b.wb.command(Command::SaveTip)->setChecked(true);
        b.dialogs.answerSave(b.dir.filePath(saveAs));
        b.dialogs.answerMsgBox(Dialogs::Ok);
    } else {
        // The offer of the free tools, then the search on the web: both declined.
        b.dialogs.answerMsgBox(Dialogs::No);
        b.dialogs.answerMsgBox(Dialogs::No);
    }

    b.toolchain.mnucompile();
    const QList<FakeDialogs::Call> said = b.dialogs.callsOf("msgBox");
    QVERIFY(!said.isEmpty());
    QCOMPARE(said.last().text, QString(message).replace("%1", b.wb.tools().Toolfolder));
    if (saveAs.isEmpty()) {
        QCOMPARE(said.size(), 2);
        QVERIFY2(said.first().text.startsWith("没找到 masm.exe。") &&
                     said.first().buttons == Dialogs::YesNo,
                 qPrintable(said.first().text));
    } else {
        QCOMPARE(said.size(), 1);
    }
    QVERIFY(b.dialogs.unexpected.isEmpty());
    // Nothing was started and nothing changed in the window.
    QCOMPARE(b.scripted.calls.size(), 0);
    QVERIFY(b.wb.statusPanelTexts.isEmpty());
    QCOMPARE(b.wb.statusPanel, "状态");
    QVERIFY(!b.wb.command(Command::Link)->isEnabled());
    QVERIFY(!b.wb.window()->findChild<FrmReport *>());
}

void TestControllers::stepThroughAndStop()
{
    REQUIRE_REAL_TOOLS();
    Bench b(true);
    QVERIFY(b.copyTools({"masm.exe", "link.exe"}));
    frmDocument *doc = b.doc();
    doc->Text1->setText(QString::fromLatin1(kSmall));

    b.debug.mnustepinto();
    // Locked at once, while the program is still being built.
    QVERIFY(doc->Text1->isReadOnly());
    QCOMPARE(b.wb.statusMessage, "正在为调试汇编和连接程序...");
    QTRY_VERIFY_WITH_TIMEOUT(b.stopped(), 60000);
    QCOMPARE(b.current(), 3);
    QCOMPARE(doc->Text1->extraSelections().value(0).cursor.blockNumber(), 2);
    QVERIFY(doc->Text1->isReadOnly());
    QVERIFY(b.debug.debugPanels().registersDock->isVisible());
    QCOMPARE(b.wb.command(Command::DebugStart)->text(), "继续(&G)");
    QVERIFY(b.wb.command(Command::StopDebug)->isEnabled());
    QVERIFY(b.wb.command(Command::StepOut)->isEnabled());

    b.debug.mnustepover();
    QTRY_VERIFY_WITH_TIMEOUT(b.stopped() && b.current() == 4, 60000);
    QCOMPARE(b.debug.debugSession()->view().registers.ax, quint16(1));
    QVERIFY(doc->Text1->isReadOnly());

    b.debug.mnustopdebug();
    QVERIFY(!b.debug.isDebugging());
    QVERIFY(!b.debug.debugSession());
    QVERIFY(!doc->Text1->isReadOnly());
    QCOMPARE(b.current(), 0);
    QVERIFY(doc->Text1->extraSelections().isEmpty());
    QCOMPARE(b.wb.statusMessage, "调试已停止。");
    QVERIFY(!b.debug.debugPanels().registersDock->isVisible());
    QVERIFY(!b.wb.command(Command::StopDebug)->isEnabled());
    QCOMPARE(b.wb.command(Command::DebugStart)->text(), "开始调试(&G)");
    QCOMPARE(b.dialogs.calls.size(), 0);
    QCOMPARE(b.dosbox.calls.size(), 0);
}

void TestControllers::debuggingABrokenProgramShowsTheReport()
{
    REQUIRE_REAL_TOOLS();
    Bench b(true);
    QVERIFY(b.copyTools({"masm.exe", "link.exe"}));
    b.doc()->Text1->setText(skeletonWith(28, "        XYZ AX"));

    b.debug.mnustepinto();
    // The build fails: debugging ends and F9's report tells what the assembler found.
    QTRY_VERIFY_WITH_TIMEOUT(b.report() && !b.report()->shownText().isEmpty(), 60000);
    QVERIFY(!b.debug.isDebugging());
    QVERIFY(!b.doc()->Text1->isReadOnly());
    QCOMPARE(b.marks(), QStringList{"28 E error A2105:"});
    QVERIFY(!b.wb.command(Command::StopDebug)->isEnabled());
    QCOMPARE(b.dialogs.calls.size(), 0);
}

void TestControllers::displayModeFollowsTheDocument()
{
    Bench b(false);
    QAction *gbk = b.wb.command(Command::DisplayGbk);
    QAction *western = b.wb.command(Command::Display437);
    QObject::connect(gbk, &QAction::triggered, &b.debug, &DebugController::mnudisplaygbk);
    QObject::connect(western, &QAction::triggered, &b.debug, &DebugController::mnudisplay437);
    frmDocument *first = b.doc();
    QVERIFY(gbk->isChecked() && !western->isChecked() && !first->westernText);

    western->trigger();
    QVERIFY(western->isChecked());
    QVERIFY(!gbk->isChecked());
    QVERIFY(first->westernText);
    QVERIFY(b.debug.debugPanels().screen->westernText());

    // A new document shows its own mode, and the first one its own again.
    b.documents.Newdocument();
    frmDocument *second = b.doc();
    QVERIFY(second != first);
    QVERIFY(!second->westernText);
    QVERIFY(gbk->isChecked() && !western->isChecked());
    QVERIFY(!b.debug.debugPanels().screen->westernText());
    b.wb.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(first->parentWidget()));
    QCOMPARE(b.doc(), first);
    QVERIFY(western->isChecked() && !gbk->isChecked());

    gbk->trigger();
    QVERIFY(!first->westernText);
    QVERIFY(gbk->isChecked() && !western->isChecked());
    QVERIFY(b.dialogs.calls.isEmpty());
}

QTEST_MAIN(TestControllers)
#include "tst_controllers.moc"
