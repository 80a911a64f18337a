#include "documents/diagnosticstrip.h"
#include "documents/skeleton.h"
#include "mainfixture.h"
#include "toolchain/dostools.h"
#include "toolchain/frmreport.h"
#include "toolchain/listingreport.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

// Assemble, link, run, debug, the DOS prompt and the output views, driven
// through the menu with scripted tools behind the launcher seam. The command
// lines and the report have their own unit tests.
class TestAssemble : public QObject
{
    Q_OBJECT
public slots:
    // Stands in for the system's web browser.
    void openUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void optionsFlipOnlyTheirOwnMark_data();
    void optionsFlipOnlyTheirOwnMark();
    void commands_data();
    void commands();
    void assemblerLineFollowsOptions_data();
    void assemblerLineFollowsOptions();
    void reportWindow();
    void listingRewrittenInSourceEncoding();
    void assemblerRun_data();
    void assemblerRun();
    void toolFolderCopy_data();
    void toolFolderCopy();
    void closingDuringWaits_data();
    void closingDuringWaits();
    void waitsEndOnTheirOwn_data();
    void waitsEndOnTheirOwn();
    void linkOutcome_data();
    void linkOutcome();
    void listingView_data();
    void listingView();
    void mapView();
    void doubleClickOnDiagnostic_data();
    void doubleClickOnDiagnostic();
    void diagnosticMarks_data();
    void diagnosticMarks();

private:
    QList<QUrl> openedUrls;
};

static QByteArray fixture(const QString &name)
{
    return fileBytes(QStringLiteral(KORVANE_FIXTURES "/masm510/") + name);
}

// ERRS.LST as the assembler writes it for Temp_F.asm: each diagnostic begins
// with the name as the command line typed it.
static QByteArray errorsListing()
{
    return fixture("ERRS.LST").replace("ERRS.ASM(", "Temp_F.asm(");
}

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The tools in the tool folder, and the temporary file as the one assembled.
static void putTools(MainFixture &f, bool tools = true)
{
    for (const char *tool : {"masm.exe", "link.exe", "debug.exe"}) {
        if (tools)
            writeFile(f.path(QString::fromLatin1(tool)), "tool");
    }
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->Basename = "Temp_F";
}

static FakeLauncher::Script writes(const QString &name, const QByteArray &bytes)
{
    FakeLauncher::Script s;
    s.files << std::make_pair(name, bytes);
    return s;
}

// The report window, when it is on show.
static FrmReport *shownReport(MainFixture &f)
{
    auto *report = f.main->findChild<FrmReport *>();
    return report && report->isVisible() ? report : nullptr;
}

static QStringList messages(const FakeDialogs &d)
{
    QStringList texts;
    for (const auto &c : d.callsOf(QStringLiteral("msgBox")))
        texts << c.text;
    return texts;
}

// Texts as the test data writes them, with %1 for the tool folder.
static QStringList inFolder(MainFixture &f, QStringList texts)
{
    texts.replaceInStrings(QStringLiteral("%1"), f.toolFolder());
    return texts;
}

// A key pressed in the active document, as the user presses it.
static void press(MainFixture &f, const QString &key)
{
    // The report window may be in front: the user comes back to the main window.
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    QTest::keyClick(f.text(), QKeySequence(key)[0].key());
}

// Lets the toolchain's waits end: each ends on its own once its tool has.
static void settle(MainFixture &f)
{
    QTRY_VERIFY_WITH_TIMEOUT(f.main->findChildren<ToolWait *>().isEmpty(), 20000);
}

static bool enabled(MainFixture &f, const QString &name)
{
    return f.main->action(name)->isEnabled();
}

static void check(MainFixture &f, const QString &name, bool on)
{
    f.main->action(name)->setChecked(on);
}

void TestAssemble::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
}

void TestAssemble::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestAssemble::init()
{
    openedUrls.clear();
}

void TestAssemble::optionsFlipOnlyTheirOwnMark_data()
{
    QTest::addColumn<QString>("option");
    for (const char *name :
         {"mnusavetip", "mnumakelist", "mnumakecross", "mnumakemap", "mnuuselib", "mnuparameter"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestAssemble::optionsFlipOnlyTheirOwnMark()
{
    QFETCH(QString, option);
    MainFixture f;
    const QStringList all{"mnusavetip", "mnumakelist", "mnumakecross",
                          "mnumakemap", "mnuuselib",   "mnuparameter"};
    auto marks = [&] {
        QList<bool> on;
        for (const QString &name : all)
            on << f.main->action(name)->isChecked();
        return on;
    };
    const QList<bool> before = marks();
    QList<bool> flipped = before;
    flipped[all.indexOf(option)] = !flipped[all.indexOf(option)];
    f.main->action(option)->trigger();
    QCOMPARE(marks(), flipped);
    f.main->action(option)->trigger();
    QCOMPARE(marks(), before);
    QVERIFY(f.dialogs.calls.isEmpty());
    QVERIFY(f.launcher.calls.isEmpty());
    for (const char *output :
         {"mnuCompilelist", "mnulookcross", "mnulink", "mnulinkresult", "mnurun"})
        QVERIFY(!enabled(f, output));
}

void TestAssemble::commands_data()
{
    QTest::addColumn<QString>("command"); // a slot, or a key pressed in the document
    // In order: "+option" or "-option" checks or clears it; "input TEXT", "yes"
    // and "no" answer the next input box or question; "save NAME" answers Save
    // As; "saved NAME" is the file last saved; "fails PROGRAM HOW" makes its
    // start fail; "debugger NAME" is the debugger's path; "no tools" puts
    // no tools in the tool folder; "no document" closes the document; "on COMMAND" enables it.
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("started"); // window style and command line, or page opened
    QTest::addColumn<QStringList>("dialogs"); // "title: text", after "?" when asking Yes or No
    QTest::addColumn<QString>("enabled");     // of the listing view, link, map view and run

    const QString askAssemble = "编译参数: 请输入要编译文件的文件名和您需要的参数：（默认路径为:%1";
    const QString askLink = "连接参数: 请输入要连接文件的文件名和您需要的参数：（默认路径为:%1";
    const QString askAgain = "?Parameter Error: 参数错误，是否重输？";
    const QString askLibrary = "Input library file: 请输入连接时要用到的库文件的文件名：";
    const QString noDosbox = "：这是一个 DOS 程序，要在 DOSBox 中运行，但系统中没有找到 "
                             "DOSBox。请先安装 DOSBox。";
    auto notDos = [](const QString &name, const QString &why) {
        return "Korvane: 文件名“" + name + "”" + why +
               "，DOS 工具无法使用这个文件名。请把文件另存为一个符合 DOS 规则的名字（主名 1 到 8 "
               "个字符，扩展名最多 3 个字符，只用英文字母、数字和下划线）后再试。";
    };
    auto notFound = [](const QString &tool) {
        return "?编译文件没找到: %1" + tool + "文件没找到！请把" + tool +
               "存放在当前文件夹。是否希望到网上去搜索" + tool + "？";
    };
    // The free tools are offered first; these rows decline them.
    auto offer = [](const QString &tool) {
        return "?获取 DOS 工具: " + dosToolsQuestion(tool, {}, dosTools(), "%1");
    };

    QTest::newRow("assemble, no DOSBox")
        << "mnucompile" << QStringList{"fails masm.exe DosboxMissing"}
        << QStringList{"hidden %1masm.exe Temp_F.asm,Temp_F,,,"}
        << QStringList{"Korvane: 无法启动“%1masm.exe”" + noDosbox} << "mnuCompilelist";
    QTest::newRow("assemble a name with a blank")
        << "mnucompile" << QStringList{"+mnusavetip", "save my prog.asm"} << QStringList{}
        << QStringList{notDos("my prog.asm", "含有空格")} << "";
    QTest::newRow("a comma would split the assembler's fields: refused, no copy made")
        << "mnucompile" << QStringList{"+mnusavetip", "save elsewhere/a,b.asm"} << QStringList{}
        << QStringList{notDos("a,b.asm", "含有 DOS 文件名不能用的字符“,”")} << "";
    QTest::newRow("a Chinese name DOS cannot open: refused, no copy made")
        << "mnucompile" << QStringList{"+mnusavetip", "save elsewhere/你好.asm"} << QStringList{}
        << QStringList{notDos("你好.asm", "含有汉字或其他非英文字符“你”")} << "";
    QTest::newRow("assembler missing, search page opened")
        << "mnucompile" << QStringList{"no tools", "no", "yes"}
        << QStringList{"browser https://cn.bing.com/search?q=masm.exe"}
        << QStringList{offer("masm.exe"), notFound("masm.exe")} << "mnuCompilelist";
    QTest::newRow("no document: prompt even with the option off")
        << "mnucompile" << QStringList{"no document", "input prog"}
        << QStringList{"hidden %1masm.exe prog,,,,"}
        << QStringList{askAssemble, "Korvane: 当前编译参数为：“prog”"} << "mnulink";
    QTest::newRow("prompt mode: empty answer, another try, prefix MASM and a blank removed")
        << "mnucompile" << QStringList{"+mnuparameter", "input    ", "yes", "input MASM  prog.asm"}
        << QStringList{"hidden %1masm.exe  prog.asm,,,,"}
        << QStringList{askAssemble, askAgain, askAssemble, "Korvane: 当前编译参数为：“ prog.asm”"}
        << "mnulink";
    QTest::newRow("prompt mode: cancelled, then no retry")
        << "mnucompile" << QStringList{"+mnuparameter", "input ", "no"} << QStringList{}
        << QStringList{askAssemble, askAgain} << "";
    QTest::newRow("prompt mode: a start that fails asks again")
        << "mnucompile"
        << QStringList{"+mnuparameter", "input prog", "no", "fails masm.exe DosboxMissing"}
        << QStringList{"hidden %1masm.exe prog,,,,"} << QStringList{askAssemble, askAgain} << "";

    QTest::newRow("link with the map, no library")
        << "mnulink" << QStringList{"+mnumakemap", "saved elsewhere/prog.asm"}
        << QStringList{"hidden %1link.exe prog.obj,prog,;"}
        << QStringList{"Korvane: 当前连接对象为：prog.obj"} << "mnulinkresult mnurun";
    QTest::newRow("link without the map, library answer kept untrimmed")
        << "mnulink"
        << QStringList{"-mnumakemap", "+mnuuselib", "input  my lib ", "saved elsewhere/prog.asm"}
        << QStringList{"hidden %1link.exe prog.obj,prog,, my lib ;"}
        << QStringList{askLibrary, "Korvane: 当前连接对象为：prog.obj"} << "mnurun";
    QTest::newRow("link, cannot start")
        << "mnulink" << QStringList{"-mnumakemap", "fails link.exe StartFailed"}
        << QStringList{"hidden %1link.exe Temp_F.obj,Temp_F,;"}
        << QStringList{"Unknown error: 连接时发生意外错误！"} << "";
    QTest::newRow("link a nine-character name")
        << "mnulink" << QStringList{"-mnumakemap", "saved ninechars.asm"} << QStringList{}
        << QStringList{notDos("ninechars.obj", "的主名不是 1 到 8 个字符")} << "";
    QTest::newRow("linker missing, no search")
        << "mnulink" << QStringList{"-mnumakemap", "no tools", "no", "no"} << QStringList{}
        << QStringList{offer("link.exe"), notFound("link.exe")} << "";
    QTest::newRow("link prompt mode: TLINK and a blank removed")
        << "mnulink" << QStringList{"+mnuparameter", "input TLINK prog"}
        << QStringList{"normal %1link.exe prog,,,,"}
        << QStringList{askLink, "Korvane: 当前连接参数为：“prog”"} << "mnurun";
    QTest::newRow("link prompt mode: a start that fails asks again")
        << "mnulink"
        << QStringList{"+mnuparameter", "input prog", "no", "fails link.exe DosboxMissing"}
        << QStringList{"normal %1link.exe prog,,,,"} << QStringList{askLink, askAgain} << "";

    QTest::newRow("F5 runs the tool folder's program of a file saved elsewhere")
        << "F5" << QStringList{"on mnurun", "saved elsewhere/prog.asm"}
        << QStringList{"normal %1prog.exe"} << QStringList{} << "mnurun";
    QTest::newRow("run a file saved without extension")
        << "mnurun" << QStringList{"saved VaDid1"} << QStringList{"normal %1VaDid1.exe"}
        << QStringList{} << "";
    QTest::newRow("run, program missing")
        << "mnurun" << QStringList{"fails temp_f.exe ProgramNotFound"}
        << QStringList{"normal %1Temp_F.exe"}
        << QStringList{"Korvane: 无法启动“%1Temp_F.exe”：找不到这个程序。"} << "";
    QTest::newRow("debug, not a program")
        << "mnurundebug" << QStringList{"fails debug.exe StartFailed"}
        << QStringList{"normal %1debug.exe"}
        << QStringList{"Korvane: 无法启动“%1debug.exe”：它不是可以运行的程序。"} << "";
    QTest::newRow("debugger path with a blank is quoted")
        << "mnurundebug" << QStringList{"debugger my tools/debug.exe"}
        << QStringList{"normal \"%1my tools/debug.exe\""} << QStringList{} << "";
    QTest::newRow("debugger missing, search page opened")
        << "mnurundebug" << QStringList{"no tools", "no", "yes"}
        << QStringList{"browser https://cn.bing.com/search?q=debug.exe"}
        << QStringList{offer("debug.exe"), notFound("debug.exe")} << "";
    QTest::newRow("F8 opens the DOS prompt, no DOSBox")
        << "F8" << QStringList{"fails command.com DosboxMissing"}
        << QStringList{"normal command.com"}
        << QStringList{"Korvane: 无法启动“command.com”" + noDosbox} << "";
}

void TestAssemble::commands()
{
    QFETCH(QString, command);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, started);
    QFETCH(QStringList, dialogs);
    QFETCH(QString, enabled);
    MainFixture f;
    putTools(f, !setup.contains("no tools"));
    const QMap<QString, LaunchFailure> failures{
        {"DosboxMissing", LaunchFailure::DosboxMissing},
        {"StartFailed", LaunchFailure::StartFailed},
        {"ProgramNotFound", LaunchFailure::ProgramNotFound}};
    for (const QString &step : setup) {
        const QString word = step.section(u' ', 0, 0);
        const QString rest = step.mid(word.size() + 1);
        if (word.startsWith(u'+') || word.startsWith(u'-')) {
            check(f, word.mid(1), word[0] == u'+');
        } else if (word == "input") {
            f.dialogs.answerInput(rest);
        } else if (step == "yes" || step == "no") {
            f.dialogs.answerMsgBox(step == "yes" ? Dialogs::Yes : Dialogs::No);
        } else if (word == "save") {
            QVERIFY(QDir(f.dir.path()).mkpath(QFileInfo(rest).path()));
            f.dialogs.answerSave(f.path(rest));
        } else if (word == "saved") {
            f.main->Lastsaved = f.path(rest);
            f.main->Basename = QFileInfo(rest).completeBaseName();
        } else if (word == "fails") {
            FakeLauncher::Script script;
            script.failure = failures.value(rest.section(u' ', 1));
            f.launcher.setScript(rest.section(u' ', 0, 0), script);
        } else if (word == "debugger") {
            f.main->Debugpath = f.path(rest);
            QVERIFY(QDir(f.dir.path()).mkpath(QFileInfo(rest).path()));
            writeFile(f.main->Debugpath, "tool");
        } else if (step == "no tools") {
            continue; // None were put there.
        } else if (step == "no document") {
            f.dialogs.answerMsgBox(Dialogs::No);
            f.main->mnuFileClose();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!f.doc());
            f.dialogs.calls.clear();
        } else if (word == "on") {
            f.main->action(rest)->setEnabled(true);
        } else {
            QFAIL(qPrintable(step));
        }
    }

    if (command.startsWith("mnu"))
        QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());
    else
        press(f, command);

    QStringList seen;
    for (const FakeLauncher::Call &call : f.launcher.calls) {
        QCOMPARE(call.workingDirectory, f.toolFolder());
        seen << (call.style == WindowStyle::Hidden ? "hidden " : "normal ") + call.commandLine;
    }
    for (const QUrl &url : std::as_const(openedUrls))
        seen << "browser " + url.toString();
    QCOMPARE(seen, inFolder(f, started));
    QStringList asked;
    for (const FakeDialogs::Call &call : f.dialogs.calls) {
        if (call.kind == "msgBox" || call.kind == "inputBox")
            asked << (call.buttons == int(Dialogs::YesNo) ? "?" : "") + call.title + ": " +
                         call.text;
    }
    QCOMPARE(asked, inFolder(f, dialogs));
    QStringList on;
    for (const char *name : {"mnuCompilelist", "mnulink", "mnulinkresult", "mnurun"}) {
        if (::enabled(f, name))
            on << name;
    }
    QCOMPARE(on.join(u' '), enabled);
    // Nothing here waits for a listing, and a refused name leaves no copy.
    settle(f);
    QVERIFY(!shownReport(f));
    for (const QString &step : setup) {
        if (step.startsWith("save elsewhere/"))
            QVERIFY(!QFile::exists(f.path(QFileInfo(step).fileName())));
    }
}

void TestAssemble::assemblerLineFollowsOptions_data()
{
    QTest::addColumn<bool>("makeList");
    QTest::addColumn<bool>("makeCross");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QString>("listingOnDisk");

    QTest::newRow("start-up options") << true << false << "Temp_F.asm,Temp_F,,,"
                                      << "TEMP_F.LST";
    QTest::newRow("listing and cross reference") << true << true << "Temp_F.asm,Temp_F,Temp_F,,"
                                                 << "TEMP_F.LST";
    QTest::newRow("cross reference only: report goes in the listing field")
        << false << true << "Temp_F.asm,Temp_F,report,Temp_F,"
        << "REPORT.LST";
    QTest::newRow("neither: report goes in the listing field")
        << false << false << "Temp_F.asm,Temp_F,report,,"
        << "REPORT.LST";
}

void TestAssemble::assemblerLineFollowsOptions()
{
    QFETCH(bool, makeList);
    QFETCH(bool, makeCross);
    QFETCH(QString, tail);
    QFETCH(QString, listingOnDisk);
    MainFixture f;
    putTools(f);
    check(f, "mnumakelist", makeList);
    check(f, "mnumakecross", makeCross);
    f.launcher.setScript("masm.exe", writes(listingOnDisk, fixture("CLEAN.LST")));

    press(f, "F9");
    settle(f);

    QCOMPARE(f.launcher.calls.size(), 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "masm.exe " + tail);
    QCOMPARE(f.launcher.calls[0].workingDirectory, f.toolFolder());
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Hidden);
    QCOMPARE(fileBytes(f.path("Temp_F.asm")), (programSkeleton() + "\r\n").toUtf8());

    // The upper-case listing was found, reported and rewritten in place.
    QVERIFY(shownReport(f));
    const ListingReport expected =
        buildListingReport(QString::fromLatin1(fixture("CLEAN.LST")), u"Temp_F.asm");
    QCOMPARE(shownReport(f)->shownText(), expected.report);
    QCOMPARE(fileBytes(f.path(listingOnDisk)), cleanedListingFileText(expected).toUtf8());
    QCOMPARE(QDir(f.dir.path()).entryList({"*.lst"}, QDir::Files, QDir::Name),
             QStringList{listingOnDisk});

    QCOMPARE(enabled(f, "mnuCompilelist"), makeList);
    QCOMPARE(enabled(f, "mnulookcross"), makeCross);
    QVERIFY(enabled(f, "mnulink"));
    QVERIFY(!enabled(f, "mnulinkresult"));
    QVERIFY(!enabled(f, "mnurun"));
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestAssemble::reportWindow()
{
    MainFixture f;
    putTools(f);
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", errorsListing()));
    f.main->mnucompile();
    settle(f);

    FrmReport *report = shownReport(f);
    QVERIFY(report);
    QCOMPARE(report->windowTitle(), QStringLiteral("Report"));
    QCOMPARE(report->Command1->text(), QStringLiteral("关   闭"));
    QVERIFY(report->isWindow() && !report->isModal());
    QCOMPARE(report->parentWidget(), f.main.get());
    const QString text = report->RichText->text();
    QVERIFY(text.startsWith(QStringLiteral(" Assembling Report:\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n    Temp_F.asm(")), 4);
    QVERIFY(text.contains(QStringLiteral("\r\n 汇编总结报告：\r\n    ")));
    for (int i = 0; i < report->RichText->textLength(); i += 7)
        QCOMPARE(charColor(report->RichText, i), QColor(0, 0, 255));
    QCOMPARE(report->RichText->selStart(), 0);
    QCOMPARE(report->RichText->selLength(), 0);

    // While the next assembly runs, the status bar names it and the report on
    // screen is marked out of date; its report then replaces the first.
    FakeLauncher::Script slow = writes("TEMP_F.LST", "no diagnostics, no summary\r\n");
    slow.keepsRunning = true;
    f.launcher.setScript("masm.exe", slow);
    f.main->mnucompile();
    QTest::qWait(100);
    QVERIFY(f.main->sbStatusBar->findChildren<QLabel *>().first()->text().contains("Temp_F.asm"));
    QVERIFY(report->windowTitle() != QStringLiteral("Report"));
    QVERIFY(report->RichText->text().contains(QStringLiteral("Temp_F.asm(")));
    f.launcher.finish(1);
    settle(f);
    QCOMPARE(f.main->findChildren<FrmReport *>().size(), 1);
    QCOMPARE(report->windowTitle(), QStringLiteral("Report"));
    QCOMPARE(report->RichText->text(), QStringLiteral(" Assembling Report:\r\n"));
    QVERIFY(!f.main->sbStatusBar->findChildren<QLabel *>().first()->text().contains("Temp_F"));

    // The report has the focus after F9; the Run menu's keys work there.
    report->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(report));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::keyClick(report->RichText, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "link.exe Temp_F.obj,Temp_F,;");
    QTest::mouseClick(report->Command1, Qt::LeftButton);
    QVERIFY(!report->isVisible());

    // A tool gone wrong prints one line of megabytes: only its start is shown,
    // with a mark, and the lines around it stay whole.
    const QString endless(4'000'000, QLatin1Char('x'));
    report->showText(QStringLiteral("Report"), "A\r\n" + endless + "\r\nB\r\n");
    const QStringList shown = report->RichText->text().split(QStringLiteral("\r\n"));
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown[0], QStringLiteral("A"));
    QVERIFY(shown[1].startsWith(endless.first(1000)));
    QVERIFY(shown[1].size() > 1000 && shown[1].size() < 1100);
    QVERIFY(!shown[1].endsWith(u'x'));
    QCOMPARE(shown[2], QStringLiteral("B"));
}

void TestAssemble::listingRewrittenInSourceEncoding()
{
    MainFixture f;
    putTools(f);
    f.doc()->encoding = TextEncoding{QStringLiteral("GB18030"), false};
    f.text()->setText(QStringLiteral("MOV AX,1 ;中文注释"));
    QStringEncoder gbk("GB18030");
    const QByteArray comment = gbk.encode(QStringLiteral("中文注释"));
    f.launcher.setScript("masm.exe",
                         writes("TEMP_F.LST", "      1 0000  B8 0001\t\tMOV AX,1 ;" + comment +
                                                  "\r\n     1 Source  Lines\r\n"));
    f.main->mnucompile();
    settle(f);

    QVERIFY(fileBytes(f.path("Temp_F.asm")).contains(comment));
    const QByteArray listing = fileBytes(f.path("TEMP_F.LST"));
    QVERIFY2(listing.contains(";" + comment + "\r\n"), listing.constData());
    QVERIFY(!listing.contains(QStringLiteral("中文注释").toUtf8()));
    QVERIFY(listing.contains(QByteArray(gbk.encode(QStringLiteral(" 汇编总结报告：")))));
}

void TestAssemble::assemblerRun_data()
{
    QTest::addColumn<bool>("writesListing");
    QTest::addColumn<QString>("ends");    // "at once", "when told", "never" or "overtaken"
    QTest::addColumn<QString>("message"); // %1 is the tool folder; empty: the report shows

    QTest::newRow("this run's listing is the one reported") << true << "at once"
                                                            << "";
    QTest::newRow("no listing written: the stale one is removed, what masm printed is shown")
        << false << "at once"
        << "编译程序已经结束，但没有生成列表文件：%1Temp_F.lst\r\n编译程序的输出：\r\n\r\n"
           "Microsoft (R) Macro Assembler Version 5.10 \r\nUnable to open input file: Temp_F.asm";
    QTest::newRow("listing there while still running: the report waits for the end")
        << true << "when told"
        << "";
    QTest::newRow("still running after the bound: ended and reported")
        << true << "never"
        << "编译程序运行了很长时间仍未结束（可能在等待输入），已将其终止：%1masm.exe";
    QTest::newRow("a new Assemble ends the earlier one's wait: one report, one cleaning")
        << true << "overtaken"
        << "";
}

void TestAssemble::assemblerRun()
{
    QFETCH(bool, writesListing);
    QFETCH(QString, ends);
    QFETCH(QString, message);
    MainFixture f;
    putTools(f);
    const QByteArray stale = "Temp_F.asm(1): error A2000: stale\r\n";
    writeFile(f.path("TEMP_F.LST"), stale);
    writeFile(f.path("Temp_F.lst"), stale);
    FakeLauncher::Script masm;
    if (writesListing)
        masm = writes("TEMP_F.LST", fixture("CLEAN.LST"));
    else
        masm = writes("MASMMSG.TXT", "Microsoft (R) Macro Assembler Version 5.10 \r\n"
                                     "Unable to open input file: Temp_F.asm\r\n");
    masm.keepsRunning = ends == "when told" || ends == "never";
    FakeLauncher::Script silent;
    silent.keepsRunning = true;
    f.launcher.setScript("masm.exe", ends == "overtaken" ? silent : masm);
    f.main->hiddenRunBoundMs = ends == "never" ? 50 : 600000;
    f.main->mnucompile();
    if (ends == "when told") {
        // The listing is there, but the assembler may still be writing it.
        QTest::qWait(200);
        QVERIFY(!shownReport(f));
        f.launcher.finish(0);
    } else if (ends == "overtaken") {
        f.launcher.setScript("masm.exe", masm);
        f.main->mnucompile();
    }
    settle(f);

    QVERIFY(!QFile::exists(f.path("Temp_F.lst")));
    QCOMPARE(QFile::exists(f.path("TEMP_F.LST")), writesListing);
    QCOMPARE(messages(f.dialogs), message.isEmpty() ? QStringList() : inFolder(f, {message}));
    QCOMPARE(bool(shownReport(f)), message.isEmpty());
    if (shownReport(f))
        QVERIFY(!shownReport(f)->shownText().contains(QStringLiteral("stale")));
    // Cleaned once, and only when reported.
    QCOMPARE(QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))).count(u"汇编总结报告"),
             message.isEmpty() && writesListing ? 1 : 0);
    QCOMPARE(enabled(f, "mnulink"), message.isEmpty());
    QCOMPARE(f.launcher.calls.size(), ends == "overtaken" ? 2 : 1);
    QCOMPARE(f.launcher.calls[0].consoleOutputName, QStringLiteral("MASMMSG.TXT"));
    QVERIFY(f.launcher.runs[0]->ended);
    QCOMPARE(f.launcher.runs[0]->endedByCaller, ends == "never");
}

void TestAssemble::toolFolderCopy_data()
{
    QTest::addColumn<QByteArray>("before"); // in the tool folder beforehand; empty: nothing
    QTest::addColumn<bool>("mark");         // the document's file has a byte-order mark
    QTest::addColumn<QString>("answer");    // to the question whether to replace; empty: none
    QTest::newRow("the copy this run wrote follows the text") << QByteArray() << false << "";
    QTest::newRow("a file with a mark: the assembler's copy has none")
        << QByteArray() << true << "";
    QTest::newRow("an earlier file of that name with the same text: nothing asked")
        << QByteArray("first\r\n") << false << "";
    QTest::newRow("an earlier file with other text: Yes replaces it")
        << QByteArray("another program\r\n") << false << "yes";
    QTest::newRow("an earlier file with other text: No assembles nothing")
        << QByteArray("another program\r\n") << false << "no";
}

void TestAssemble::toolFolderCopy()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, mark);
    QFETCH(QString, answer);
    MainFixture f;
    putTools(f);
    QVERIFY(QDir(f.dir.path()).mkdir("elsewhere"));
    const QString saved = f.path("elsewhere/prog.asm");
    const QString copy = f.path("prog.asm");
    if (!before.isEmpty())
        writeFile(copy, before);
    f.doc()->encoding = TextEncoding{QStringLiteral("UTF-8"), mark};
    check(f, "mnusavetip", true);
    f.launcher.setScript("masm.exe", writes("PROG.LST", fixture("CLEAN.LST")));
    if (!answer.isEmpty())
        f.dialogs.answerMsgBox(answer == "yes" ? Dialogs::Yes : Dialogs::No);

    for (const QByteArray text : {"first", "second"}) {
        f.text()->setText(QString::fromLatin1(text));
        f.dialogs.answerSave(saved);
        f.main->mnucompile();
        settle(f);
        QCOMPARE(fileBytes(saved), (mark ? "\xEF\xBB\xBF" : "") + text + "\r\n");
        if (answer == "no") {
            QCOMPARE(fileBytes(copy), before);
            break;
        }
        QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "masm.exe prog.asm,prog,,,");
        // The source's own folder is searched for its include files.
        QCOMPARE(QDir(f.launcher.calls.last().includeFolder), QDir(f.path("elsewhere")));
        QCOMPARE(fileBytes(copy), text + "\r\n");
    }
    QCOMPARE(f.launcher.calls.size(), answer == "no" ? 0 : 2);
    QCOMPARE(f.dialogs.callsOf("msgBox").size(), answer.isEmpty() ? 0 : 1);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

// Starts the slow tools a wait is about: an assembly for the listing and its
// view, a link for the map view, Run and the link's own watch.
static void startWait(MainFixture &f, const QString &command)
{
    FakeLauncher::Script masm = writes("TEMP_F.LST", fixture("CLEAN.LST"));
    masm.keepsRunning = true;
    f.launcher.setScript("masm.exe", masm);
    FakeLauncher::Script link = writes("TEMP_F.MAP", fixture("CLEAN.MAP"));
    link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), QByteArray("program"));
    link.keepsRunning = true;
    f.launcher.setScript("link.exe", link);
    if (command == "mnucompile" || command == "mnuCompilelist") {
        f.main->mnucompile();
    } else {
        check(f, "mnumakemap", true);
        f.dialogs.answerMsgBox(Dialogs::Ok);
        f.main->mnulink();
    }
    if (command != "mnucompile" && command != "mnulink")
        QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());
    QTest::qWait(100);
}

void TestAssemble::closingDuringWaits_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("close"); // "main", "document", "report" or "view"
    QTest::addColumn<bool>("reported"); // the assembling report shows in the end
    for (const char *command :
         {"mnucompile", "mnuCompilelist", "mnulinkresult", "mnurun", "mnulink"}) {
        for (const char *close : {"main", "document", "report"}) {
            const bool assembles =
                QByteArray(command).startsWith("mnuC") || QByteArray(command) == "mnucompile";
            QTest::addRow("%s, %s closed", command, close)
                << command << close << (assembles && QByteArray(close) != "main");
        }
    }
    QTest::newRow("mnulinkresult, its own view closed") << "mnulinkresult"
                                                        << "view" << false;
}

// Whatever window closes during a wait, nothing crashes or asks, and no tool
// outlives the main window.
void TestAssemble::closingDuringWaits()
{
    QFETCH(QString, command);
    QFETCH(QString, close);
    QFETCH(bool, reported);
    MainFixture f;
    putTools(f);
    // A report from before is on screen.
    f.main->reportWindow()->showText("Report", "earlier");
    QPointer<frmDocument> document = f.doc();
    startWait(f, command);

    if (close == "main") {
        for (int i = 0; i < f.main->documents().size(); ++i)
            f.dialogs.answerMsgBox(Dialogs::No);
        QVERIFY(f.main->close());
        // The tools go with the window, at once.
        for (const auto &run : std::as_const(f.launcher.runs))
            QVERIFY(run->handleDropped);
    } else if (close == "report") {
        f.main->reportWindow()->close();
    } else {
        f.dialogs.answerMsgBox(Dialogs::No);
        QMdiSubWindow *sub = f.main->mdiArea()->subWindowList().first();
        if (close == "view")
            sub = f.main->mdiArea()->subWindowList().last();
        sub->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < f.launcher.runs.size(); ++i)
        f.launcher.finish(i);
    settle(f);
    QTest::qWait(200);

    QVERIFY(f.dialogs.unexpected.isEmpty());
    QVERIFY(!f.main->isClosing() || f.main->documents().isEmpty());
    QCOMPARE(bool(shownReport(f)) && shownReport(f)->shownText() != "earlier", reported);
    // No half-made view is left behind.
    QCOMPARE(f.main->findChildren<frmDocument *>().size(), f.main->documents().size());
    if (command == "mnuCompilelist" && close != "main")
        QCOMPARE(f.main->documents().last()->caption(), f.path("TEMP_F.LST"));
    if (command == "mnurun" && close != "main")
        QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "Temp_F.exe");
    QVERIFY(close != "document" || !document);
}

void TestAssemble::waitsEndOnTheirOwn_data()
{
    QTest::addColumn<QString>("first");   // a command whose tool keeps running
    QTest::addColumn<QString>("second");  // a command given meanwhile
    QTest::addColumn<QString>("message"); // shown in the end; %1 is the tool folder
    QTest::newRow("listing view during an assembly: the assembly still reports") << "mnucompile"
                                                                                 << "mnuCompilelist"
                                                                                 << "";
    QTest::newRow("map view during an assembly does not wait for it")
        << "mnucompile"
        << "mnulinkresult"
        << "没有可以查看的连接映像文件：Temp_F.Map";
    QTest::newRow("Run during a link waits for the linker, then runs")
        << "mnulink"
        << "mnurun"
        << "当前连接对象为：Temp_F.obj";
    QTest::newRow("listing view after an assembly that wrote no listing says so")
        << ""
        << "mnuCompilelist"
        << "没有可以查看的列表文件：%1Temp_F.lst";
}

void TestAssemble::waitsEndOnTheirOwn()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, message);
    MainFixture f;
    putTools(f);
    f.main->Listpath = f.toolFolder() + "Temp_F.lst";
    if (!first.isEmpty())
        startWait(f, first);
    if (second == "mnulinkresult")
        f.dialogs.answerMsgBox(Dialogs::Ok);
    if (second == "mnuCompilelist" && first.isEmpty())
        f.dialogs.answerMsgBox(Dialogs::Ok);
    QMetaObject::invokeMethod(f.main.get(), second.toLatin1().constData());
    QTest::qWait(200);
    // The second wait has not ended the first, nor run ahead of it.
    if (first == "mnulink")
        QCOMPARE(f.launcher.calls.size(), 1);
    if (second == "mnulinkresult")
        QCOMPARE(messages(f.dialogs), QStringList{message});
    for (int i = 0; i < f.launcher.runs.size(); ++i)
        f.launcher.finish(i);
    settle(f);

    QVERIFY(f.dialogs.unexpected.isEmpty());
    QCOMPARE(messages(f.dialogs), inFolder(f, {message}).filter(QRegularExpression(".")));
    if (first == "mnucompile") {
        QVERIFY(shownReport(f));
        QVERIFY(enabled(f, "mnulink"));
        QCOMPARE(QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))).count(u"汇编总结报告"), 1);
        QCOMPARE(f.main->documents().last()->caption(),
                 second == "mnuCompilelist" ? f.path("TEMP_F.LST") : f.doc()->caption());
    }
    if (first == "mnulink")
        QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "Temp_F.exe");
}

void TestAssemble::linkOutcome_data()
{
    QTest::addColumn<QByteArray>("printed"); // what the linker prints
    QTest::addColumn<bool>("writesProgram");
    QTest::addColumn<bool>("hangs");
    QTest::addColumn<QString>("message"); // %1 is the tool folder; empty: none
    QTest::addColumn<QString>("report");  // what the report window shows; empty: not shown

    const QByteArray banner = "\r\nMicrosoft (R) Overlay Linker  Version 3.65\r\nCopyright (C) "
                              "Microsoft Corp 1983-1988.  All rights reserved.\r\n\r\n";
    const QByteArray fatal = banner + "LINK : fatal error L1093: object not found\r\n";
    QTest::newRow("program written: nothing more to say") << banner << true << false << ""
                                                          << "";
    QTest::newRow("program written with a warning: shown in the report window")
        << banner + "LINK : warning L4021: no stack segment\r\n"
        << true << false << ""
        << " 连接信息：\r\n    LINK : warning L4021: no stack segment\r\n";
    QTest::newRow("no program: what the linker printed")
        << fatal << false << false
        << "连接程序没有生成可执行文件 %1Temp_F.exe。连接程序的输出：\r\n\r\n" +
               QString::fromLatin1(fatal.trimmed())
        << "";
    QTest::newRow("still running after the bound: ended")
        << fatal << false << true
        << "连接程序运行了很长时间仍未结束（可能在等待输入，例如找不到库文件时），已将其终止："
           "%1link.exe\r\n连接程序的输出：\r\n\r\n" +
               QString::fromLatin1(fatal.trimmed())
        << "";
}

void TestAssemble::linkOutcome()
{
    QFETCH(QByteArray, printed);
    QFETCH(bool, writesProgram);
    QFETCH(bool, hangs);
    QFETCH(QString, message);
    QFETCH(QString, report);
    MainFixture f;
    putTools(f);
    f.main->hiddenRunBoundMs = hangs ? 50 : 600000;
    // An earlier program of that name must not pass for this link's.
    writeFile(f.path("TEMP_F.EXE"), "old");
    FakeLauncher::Script link = writes("LINKMSG.TXT", printed);
    if (writesProgram)
        link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), QByteArray("new"));
    link.keepsRunning = hangs;
    f.launcher.setScript("link.exe", link);
    f.main->mnulink();

    QCOMPARE(f.launcher.calls[0].consoleOutputName, QStringLiteral("LINKMSG.TXT"));
    QTRY_VERIFY_WITH_TIMEOUT(f.launcher.runs[0]->handleDropped, 60000);
    QVERIFY(f.launcher.runs[0]->ended);
    QStringList expected{"当前连接对象为：Temp_F.obj"};
    if (!message.isEmpty())
        expected << inFolder(f, {message});
    QCOMPARE(messages(f.dialogs), expected);
    QCOMPARE(fileBytes(f.path("TEMP_F.EXE")), writesProgram ? QByteArray("new") : QByteArray());
    QCOMPARE(shownReport(f) ? shownReport(f)->RichText->text() : QString(), report);
}

void TestAssemble::listingView_data()
{
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QString>("shown");
    QTest::newRow("last line without a break gets one") << QByteArray("a\r\nb") << "a\r\nb\r\n";
    QTest::newRow("lone LF breaks become CR LF") << QByteArray("a\nb\n") << "a\r\nb\r\n";
}

void TestAssemble::listingView()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(QString, shown);
    MainFixture f;
    putTools(f);
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", fixture("CLEAN.LST")));
    f.main->mnucompile();
    settle(f);

    // The view shows the listing as the assembly rewrote it, where it can be seen.
    f.main->action("mnuCompilelist")->trigger();
    settle(f);
    QCOMPARE(f.main->documents().size(), 2);
    QVERIFY(f.text()->isVisible());
    QCOMPARE(f.doc()->caption(), f.path("TEMP_F.LST"));
    QCOMPARE(f.text()->text(), QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))));
    QVERIFY(f.text()->text().contains(QStringLiteral("\r\n 汇编总结报告：\r\n")));

    writeFile(f.path("TEMP_F.LST"), onDisk);
    f.main->mnuCompilelist();
    settle(f);
    QCOMPARE(f.text()->text(), shown);
}

void TestAssemble::mapView()
{
    MainFixture f;
    putTools(f);
    check(f, "mnumakemap", true);
    FakeLauncher::Script link = writes("TEMP_F.MAP", fixture("CLEAN.MAP"));
    link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), QByteArray("program"));
    f.launcher.setScript("link.exe", link);
    f.main->mnulink();

    f.main->action("mnulinkresult")->trigger();
    settle(f);
    QCOMPARE(f.main->documents().size(), 2);
    QVERIFY(f.text()->isVisible());
    QCOMPARE(f.doc()->caption(), QStringLiteral("Temp_F.Map"));
    QCOMPARE(f.text()->text().toLatin1(), fixture("CLEAN.MAP"));
    QCOMPARE(messages(f.dialogs), QStringList{"当前连接对象为：Temp_F.obj"});
}

void TestAssemble::doubleClickOnDiagnostic_data()
{
    QTest::addColumn<QString>("reportLine");
    QTest::addColumn<bool>("closeDocument");
    QTest::addColumn<int>("caretLine"); // 0: the caret stays where it was

    const QString diagnostic = "    Temp_F.asm(33): error A2009: Symbol not defined: CNTX";
    QTest::newRow("diagnostic: its source line") << diagnostic << false << 33;
    QTest::newRow("summary line: nothing") << "    42 Source  Lines" << false << 0;
    QTest::newRow("document closed since: nothing") << diagnostic << true << 0;
}

void TestAssemble::doubleClickOnDiagnostic()
{
    QFETCH(QString, reportLine);
    QFETCH(bool, closeDocument);
    QFETCH(int, caretLine);
    MainFixture f;
    putTools(f);
    const QString source = QString::fromLatin1(fixture("ERRS.ASM"));
    f.text()->setText(source);
    QPointer<frmDocument> assembled = f.doc();
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", errorsListing()));
    f.main->mnucompile();
    settle(f);
    FrmReport *report = shownReport(f);
    QVERIFY(report);

    // Another document is in front when the line is double-clicked.
    f.main->Newdocument();
    if (closeDocument) {
        f.dialogs.answerMsgBox(Dialogs::No);
        f.main->mdiArea()->subWindowList().first()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        assembled->Text1->setSelStart(5);
    }
    QTextBlock block = report->RichText->document()->begin();
    while (block.isValid() && block.text() != reportLine)
        block = block.next();
    QVERIFY2(block.isValid(), qPrintable(reportLine));
    const QPoint pos = report->RichText->cursorRect(QTextCursor(block)).center() + QPoint(4, 0);
    QTest::mouseDClick(report->RichText->viewport(), Qt::LeftButton, {}, pos);

    QCOMPARE(!assembled, closeDocument);
    if (caretLine == 0) {
        if (assembled) {
            QVERIFY(f.doc() != assembled);
            QCOMPARE(assembled->Text1->selStart(), 5);
        }
        return;
    }
    QCOMPARE(f.doc(), assembled.data());
    const int offset = int(source.indexOf(source.split("\r\n").at(caretLine - 1)));
    QVERIFY(offset > 0);
    QCOMPARE(f.text()->selStart(), offset);
    QCOMPARE(f.text()->caretLine(), caretLine);
    QCOMPARE(f.text()->caretColumn(), 1);
}

void TestAssemble::diagnosticMarks_data()
{
    QTest::addColumn<QString>("name");
    // "line kind" per marked line, in the order of the lines.
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<QString>("counts");
    QTest::newRow("four errors") << "ERRS" << QStringList{"33 E", "34 E", "35 E", "36 E"}
                                 << "编译结果：4 个错误，0 个警告";
    QTest::newRow("two errors and a warning")
        << "WARN" << QStringList{"17 E", "18 W", "19 E"} << "编译结果：2 个错误，1 个警告";
}

static QStringList markRows(frmDocument *doc)
{
    QStringList rows;
    for (const DiagnosticStrip::Mark &m : doc->Strip->marks())
        rows << QString::number(m.line) + (m.kind == Diagnostic::Error ? " E" : " W");
    return rows;
}

static QStringList shifted(QStringList rows, int by)
{
    for (QString &row : rows)
        row = QString::number(row.section(' ', 0, 0).toInt() + by) + ' ' + row.section(' ', 1);
    return rows;
}

// Where the strip shows the mark of a 1-based line.
static QPoint markPoint(frmDocument *doc, int line)
{
    const QTextBlock block = doc->Text1->document()->findBlockByNumber(line - 1);
    const QRect r = doc->Text1->cursorRect(QTextCursor(block));
    const QPoint y = doc->Strip->mapFrom(doc, doc->Text1->viewport()->mapTo(doc, r.center()));
    return {doc->Strip->width() / 2, y.y()};
}

void TestAssemble::diagnosticMarks()
{
    QFETCH(QString, name);
    QFETCH(QStringList, marks);
    QFETCH(QString, counts);
    MainFixture f;
    putTools(f);
    // Every line in view.
    f.main->resize(1000, 1100);
    f.main->mdiArea()->currentSubWindow()->showMaximized();
    const QString source = QString::fromLatin1(fixture(name + ".ASM"));
    f.text()->setText(source);
    frmDocument *doc = f.doc();
    const QByteArray listing =
        fixture(name + ".LST").replace(name.toLatin1() + ".ASM(", "Temp_F.asm(");
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", listing));
    f.main->mnucompile();
    settle(f);
    QCOMPARE(markRows(doc), marks);
    QCOMPARE(doc->Strip->countText(), counts);

    // The mark's text is the assembler's line; a click puts the caret at the
    // start of its line.
    const int first = marks.first().section(' ', 0, 0).toInt();
    const QString diagnostic = QString::fromLatin1(listing)
                                   .split("\r\n")
                                   .filter(QStringLiteral("Temp_F.asm(%1):").arg(first))
                                   .first();
    QHelpEvent help(QEvent::ToolTip, markPoint(doc, first),
                    doc->Strip->mapToGlobal(markPoint(doc, first)));
    QCoreApplication::sendEvent(doc->Strip, &help);
    QCOMPARE(QToolTip::text(), diagnostic);
    QTest::mouseClick(doc->Strip, Qt::LeftButton, {}, markPoint(doc, first));
    QCOMPARE(f.text()->caretLine(), first);
    QCOMPARE(f.text()->caretColumn(), 1);

    // A line typed above moves every mark down; indenting the whole text
    // keeps them on their lines.
    f.text()->setSelStart(0);
    press(f, "Return");
    QCOMPARE(markRows(doc), shifted(marks, 1));
    f.main->Rightgo(true, 4);
    QCOMPARE(markRows(doc), shifted(marks, 1));

    // The next-mark key visits them in order from the top, then starts over.
    f.text()->setSelStart(0);
    QStringList visited;
    for (int i = 0; i <= marks.size(); ++i) {
        press(f, "F6");
        visited << QString::number(f.text()->caretLine()) + ' ' +
                       QString::number(f.text()->caretColumn());
    }
    QStringList expected;
    const QStringList moved = shifted(marks, 1);
    for (const QString &row : moved + moved.mid(0, 1))
        expected << row.section(' ', 0, 0) + " 1";
    QCOMPARE(visited, expected);

    // The next assembly replaces them.
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", fixture("CLEAN.LST")));
    f.main->mnucompile();
    settle(f);
    QCOMPARE(markRows(doc), QStringList());
    QCOMPARE(doc->Strip->countText(), QStringLiteral("编译结果：0 个错误，0 个警告"));
}

QTEST_MAIN(TestAssemble)
#include "tst_assemble.moc"
