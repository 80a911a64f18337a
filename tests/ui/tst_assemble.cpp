#include "toolchain/toolchaincontroller.h"
#include "editing/editingcontroller.h"
#include "documents/documentscontroller.h"
#include "documents/diagnosticstrip.h"
#include "documents/skeleton.h"
#include "mainfixture.h"
#include "toolchain/frmreport.h"
#include "rules/listingreport.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTest>
#include <QTextBlock>
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
    void initTestCase() { QDesktopServices::setUrlHandler("https", this, "openUrl"); }
    void init() { openedUrls.clear(); }
    void commands_data();
    void commands();
    void assemblerRun_data();
    void assemblerRun();
    void longLineCut();
    void listingKeepsTheSourceEncoding();
    void toolFolderCopy_data();
    void toolFolderCopy();
    void closingDuringWaits_data();
    void closingDuringWaits();
    void linkOutcome_data();
    void linkOutcome();
    void whileAndAfterAssembling();
    void marksBelongToTheirText();

private:
    QList<QUrl> openedUrls;
};

static QByteArray fixture(const QString &name)
{
    return fileBytes(QStringLiteral(KORVANE_FIXTURES "/masm510/") + name);
}

// The tools in the tool folder, and the temporary file as the one assembled.
static void putTools(MainFixture &f, bool tools = true)
{
    for (const char *tool : {"masm.exe", "link.exe", "debug.exe"})
        QVERIFY(!tools || writeFile(f.path(tool), "tool"));
    f.main->documentsControl().Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->toolchain().Basename = "Temp_F";
}

static FakeLauncher::Script writes(const QString &name, const QByteArray &bytes,
                                   bool keepsRunning = false)
{
    FakeLauncher::Script s;
    s.files << std::make_pair(name, bytes);
    s.keepsRunning = keepsRunning;
    return s;
}

// A hung tool is stopped by the bound a user gets, 30 s; a test's own is
// shorter, and the stop must come from it: after the bound, and well within a
// generous multiple of it.
static constexpr int kShortBound = 400;
static bool stoppedByBound(const QElapsedTimer &clock)
{
    return clock.elapsed() >= kShortBound && clock.elapsed() < 40 * kShortBound;
}

// The texts of the messages shown, after the one that names the link's object.
static QStringList messages(const FakeDialogs &d)
{
    QStringList texts;
    for (const auto &c : d.callsOf(QStringLiteral("msgBox"))) {
        if (!c.text.contains("Temp_F.obj"))
            texts << c.text;
    }
    return texts;
}

// Lets the toolchain's waits end: each ends on its own once its tool has.
static void settle(MainFixture &f)
{
    QTRY_VERIFY_WITH_TIMEOUT(f.main->findChildren<ToolWait *>().isEmpty(), 20000);
}

static bool enabled(MainFixture &f, const char *name)
{
    return f.main->action(name)->isEnabled();
}

void TestAssemble::commands_data()
{
    QTest::addColumn<QString>("command"); // a slot, or a key pressed in the document
    // In order: "+option" or "-option" checks or clears it; "input TEXT", "yes"
    // and "no" answer the next input box or question; "save NAME" answers Save
    // As; "saved NAME" is the file last saved; "fails PROGRAM": no DOSBox for it;
    // "no tools" leaves the tool folder empty; "debug.com": DEBUG under DOS's
    // own name, no debug.exe.
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("started"); // window style and command line, or page opened
    // A word of each message or input box in order, after "?" for a Yes/No question.
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QString>("enabled"); // of the listing view, link, map view and run
    // Lists are split at "|"; %1 is the tool folder.
    auto row = [](const char *name, const char *command, const char *setup, const char *started,
                  const char *dialogs, const char *on = "") {
        auto list = [](const char *s) {
            return QString::fromUtf8(s).split('|', Qt::SkipEmptyParts);
        };
        QTest::newRow(name) << command << list(setup) << list(started) << list(dialogs) << on;
    };
    row("assemble, no DOSBox", "mnucompile", "fails masm.exe",
        "hidden %1masm.exe Temp_F.asm,Temp_F,,,", "DOSBox", "mnuCompilelist");
    row("a Chinese name is refused, no copy made", "mnucompile",
        "+mnusavetip|save elsewhere/你好.asm", "", "你");
    row("assembler missing: download declined, search page opened", "mnucompile", "no tools|no|yes",
        "browser https://cn.bing.com/search?q=masm.exe", "?masm.exe|?获取 DOS 工具...",
        "mnuCompilelist");
    row("prompt: empty answer, another try, prefix removed", "mnucompile",
        "+mnuparameter|input    |yes|input MASM  prog.asm", "hidden %1masm.exe  prog.asm,,,,",
        "%1|?|%1| prog.asm", "mnulink");
    row("prompt: cancelled, no retry", "mnucompile", "+mnuparameter|input |no", "", "%1|?");
    row("link with the map", "mnulink", "+mnumakemap|saved elsewhere/prog.asm",
        "hidden %1link.exe prog.obj,prog,;", "prog.obj", "mnulinkresult mnurun");
    row("link without the map, library answer untrimmed", "mnulink",
        "-mnumakemap|+mnuuselib|input  my lib |saved elsewhere/prog.asm",
        "hidden %1link.exe prog.obj,prog,, my lib ;", "库|prog.obj", "mnurun");
    row("linker missing, no search", "mnulink", "no tools|no|no", "", "?link.exe|?link.exe");
    row("link prompt: TLINK removed", "mnulink", "+mnuparameter|input TLINK prog",
        "normal %1link.exe prog,,,,", "%1|prog", "mnurun");
    row("run the tool folder's program of a file saved elsewhere", "mnurun",
        "saved elsewhere/prog.asm", "normal %1prog.exe", "");
    row("F8 opens the DOS prompt, no DOSBox", "F8", "fails command.com", "normal command.com",
        "DOSBox");
    row("DEBUG under DOS's own name, debug.com", "mnurundebug", "debug.com", "normal %1debug.com",
        "");
    // Last: the browser stays away for the rest of the run.
    row("debugger missing, no browser to search with: told", "mnurundebug",
        "no tools|no|yes|no browser", "", "?debug.exe|?%1。|search?q=debug.exe");
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
    for (const QString &step : setup) {
        const QString word = step.section(u' ', 0, 0);
        const QString rest = step.mid(word.size() + 1);
        if (word.startsWith(u'+') || word.startsWith(u'-')) {
            f.main->action(word.mid(1))->setChecked(word[0] == u'+');
        } else if (word == "input") {
            f.dialogs.answerInput(rest);
        } else if (step == "yes" || step == "no") {
            f.dialogs.answerMsgBox(step == "yes" ? Dialogs::Yes : Dialogs::No);
        } else if (word == "save") {
            QVERIFY(QDir(f.dir.path()).mkpath(QFileInfo(rest).path()));
            f.dialogs.answerSave(f.path(rest));
        } else if (word == "saved") {
            f.main->documentsControl().Lastsaved = f.path(rest);
            f.main->toolchain().Basename = QFileInfo(rest).completeBaseName();
        } else if (step == "debug.com") {
            QVERIFY(QFile::remove(f.path("debug.exe")) && writeFile(f.path("debug.com"), "tool"));
        } else if (step == "no browser") {
            QDesktopServices::unsetUrlHandler("https");
        } else if (word == "fails") {
            FakeLauncher::Script script;
            script.failure = LaunchFailure::DosboxMissing;
            f.launcher.setScript(rest, script);
        }
    }
    if (command.startsWith("mnu"))
        QVERIFY(QMetaObject::invokeMethod(f.main.get(), qPrintable(command)));
    else
        press(f, QKeySequence(command)[0]);

    QStringList seen;
    for (const FakeLauncher::Call &call : f.launcher.calls) {
        QCOMPARE(call.workingDirectory, f.toolFolder());
        seen << (call.style == WindowStyle::Hidden ? "hidden " : "normal ") + call.commandLine;
    }
    for (const QUrl &url : std::as_const(openedUrls))
        seen << "browser " + url.toString();
    QCOMPARE(seen, started.replaceInStrings("%1", f.toolFolder()));
    QList<FakeDialogs::Call> asked;
    for (const FakeDialogs::Call &call : f.dialogs.calls)
        if (call.kind == "msgBox" || call.kind == "inputBox")
            asked << call;
    QCOMPARE(asked.size(), dialogs.size());
    for (int i = 0; i < asked.size(); ++i) {
        const bool question = dialogs[i].startsWith(u'?');
        QCOMPARE(asked[i].buttons == int(Dialogs::YesNo), question);
        const QString word = dialogs[i].mid(question).replace("%1", f.toolFolder());
        QVERIFY2(asked[i].text.contains(word), qPrintable(asked[i].text));
    }
    QStringList on;
    for (const char *name : {"mnuCompilelist", "mnulink", "mnulinkresult", "mnurun"})
        if (::enabled(f, name))
            on << name;
    QCOMPARE(on.join(u' '), enabled);
    // Nothing here waits for a listing, and a refused name leaves no copy.
    settle(f);
    QVERIFY(!shownReport(f) && !QFile::exists(f.path("你好.asm")));
}

void TestAssemble::assemblerRun_data()
{
    QTest::addColumn<bool>("makeList");
    QTest::addColumn<bool>("makeCross");
    QTest::addColumn<QString>("tail");    // of the assembler's command line
    QTest::addColumn<QString>("listing"); // the file the assembler writes; empty: none
    // "at once", "when told", "never", "overtaken", "progressing" (told later) or "runaway"
    QTest::addColumn<QString>("ends");
    QTest::addColumn<QString>("message"); // a word of it; empty: the report shows

    auto row = [](const char *name, bool list, bool cross, const char *tail, const char *listing,
                  const char *ends, const char *message = "") {
        QTest::newRow(name) << list << cross << tail << listing << ends << message;
    };
    row("start-up options: the upper-case listing reported and rewritten", true, false,
        "Temp_F.asm,Temp_F,,,", "TEMP_F.LST", "at once");
    row("listing off, cross on: the report comes from REPORT.LST", false, true,
        "Temp_F.asm,Temp_F,report,Temp_F,", "REPORT.LST", "at once");
    row("no listing: the stale one removed, what masm printed is shown", true, false,
        "Temp_F.asm,Temp_F,,,", "", "at once", "Unable to open input file: Temp_F.asm");
    row("listing there while still running: the report waits for the end", true, true,
        "Temp_F.asm,Temp_F,Temp_F,,", "TEMP_F.LST", "when told");
    row("still running after the bound: ended and said", true, false, "Temp_F.asm,Temp_F,,,",
        "TEMP_F.LST", "never", "masm.exe");
    row("a new Assemble ends the earlier one's wait: one report, one cleaning", true, false,
        "Temp_F.asm,Temp_F,,,", "TEMP_F.LST", "overtaken");
    row("a long job still writing its files outlives the bound", true, false,
        "Temp_F.asm,Temp_F,,,", "TEMP_F.LST", "progressing");
    row("stopped writing without end: the file and its size named", true, false,
        "Temp_F.asm,Temp_F,,,", "TEMP_F.LST", "runaway", "TEMP_F.LST，它已有 123456789 字节");
}

void TestAssemble::assemblerRun()
{
    QFETCH(bool, makeList);
    QFETCH(bool, makeCross);
    QFETCH(QString, tail);
    QFETCH(QString, listing);
    QFETCH(QString, ends);
    QFETCH(QString, message);
    MainFixture f;
    putTools(f);
    f.main->action("mnumakelist")->setChecked(makeList);
    f.main->action("mnumakecross")->setChecked(makeCross);
    const QByteArray stale = "Temp_F.asm(1): error A2000: stale\r\n";
    QVERIFY(writeFile(f.path("TEMP_F.LST"), stale) && writeFile(f.path("Temp_F.lst"), stale));
    FakeLauncher::Script masm =
        listing.isEmpty() ? writes("MASMMSG.TXT", "Microsoft (R) Macro Assembler Version 5.10 \r\n"
                                                  "Unable to open input file: Temp_F.asm\r\n")
                          : writes(listing, fixture("CLEAN.LST"));
    masm.keepsRunning = ends == "when told" || ends == "never" || ends == "progressing";
    masm.progresses = ends == "progressing";
    if (ends == "runaway")
        masm.stop = {RunStop::OutputLimit, {}, f.path("TEMP_F.LST"), 123456789};
    f.launcher.setScript("masm.exe", ends == "overtaken" ? writes("X", "", true) : masm);
    QCOMPARE(f.main->toolchain().hiddenRunBoundMs, 30000);
    f.main->toolchain().hiddenRunBoundMs = ends == "never" ? kShortBound : ends == "progressing" ? 50 : 600000;
    QElapsedTimer clock;
    clock.start();
    press(f, Qt::Key_F9);
    if (ends == "when told" || ends == "progressing") {
        // The listing is there, but the assembler may still be writing it.
        QTest::qWait(200);
        QVERIFY(!shownReport(f));
        f.launcher.runs[0]->ended = true;
    } else if (ends == "overtaken") {
        f.launcher.setScript("masm.exe", masm);
        f.main->mnucompile();
    }
    settle(f);
    QVERIFY(ends != "never" || stoppedByBound(clock));

    QCOMPARE(f.launcher.calls.size(), ends == "overtaken" ? 2 : 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "masm.exe " + tail);
    QCOMPARE(f.launcher.calls[0].consoleOutputName, QStringLiteral("MASMMSG.TXT"));
    QVERIFY(f.launcher.runs[0]->ended && f.launcher.runs[0]->endedByCaller == (ends == "never"));
    QCOMPARE(fileBytes(f.path("Temp_F.asm")), (programSkeleton() + "\r\n").toUtf8());
    QVERIFY(!makeList || !QFile::exists(f.path("Temp_F.lst")));
    const QStringList said = messages(f.dialogs);
    QCOMPARE(said.size(), message.isEmpty() ? 0 : 1);
    QVERIFY(message.isEmpty() || said[0].contains(message));
    QCOMPARE(enabled(f, "mnulink"), message.isEmpty());
    if (!message.isEmpty()) {
        QVERIFY(!shownReport(f));
        QCOMPARE(QFile::exists(f.path("TEMP_F.LST")), !listing.isEmpty());
        return;
    }
    // This run's listing, reported and rewritten in place once.
    const ListingReport expected =
        buildListingReport(QString::fromLatin1(fixture("CLEAN.LST")), u"Temp_F.asm");
    QVERIFY(shownReport(f));
    QCOMPARE(shownReport(f)->shownText(), expected.report);
    QCOMPARE(fileBytes(f.path(listing)), cleanedListingFileText(expected).toUtf8());
    QCOMPARE(enabled(f, "mnuCompilelist"), makeList);
    QCOMPARE(enabled(f, "mnulookcross"), makeCross);
    QVERIFY(!enabled(f, "mnulinkresult") && !enabled(f, "mnurun"));
}

// A tool gone wrong prints one endless line: only its start is shown,
// with a mark, and the lines around it stay whole.
void TestAssemble::longLineCut()
{
    MainFixture f;
    const QString endless(100'000, QLatin1Char('x'));
    f.main->toolchain().reportWindow()->showText("Report", "A\r\n" + endless + "\r\nB\r\n");
    const QStringList shown = f.main->toolchain().reportWindow()->RichText->text().split("\r\n");
    QCOMPARE(shown.size(), 4);
    QVERIFY(shown[0] == "A" && shown[2] == "B");
    QVERIFY(shown[1].startsWith(endless.first(1000)) && shown[1].size() < 1100 &&
            !shown[1].endsWith(u'x'));
}

void TestAssemble::listingKeepsTheSourceEncoding()
{
    MainFixture f;
    putTools(f);
    f.doc()->encoding = TextEncoding{QStringLiteral("GB18030"), false};
    f.text()->setText(QStringLiteral("MOV AX,1 ;中文注释"));
    const QByteArray comment = QStringEncoder("GB18030").encode(QStringLiteral("中文注释"));
    const QByteArray line = "1 0000  B8 0001\t\tMOV AX,1 ;" + comment + "\r\n";
    f.launcher.setScript("masm.exe",
                         writes("TEMP_F.LST", "      " + line + "     1 Source  Lines\r\n"));
    f.main->mnucompile();
    settle(f);
    // The comment's bytes come back unchanged, the summary heading in the same encoding.
    QVERIFY(fileBytes(f.path("Temp_F.asm")).contains(comment));
    QCOMPARE(fileBytes(f.path("TEMP_F.LST")),
             "  " + line + QStringEncoder("GB18030").encode(u"\r\n 汇编总结报告：\r\n") +
                 "  1 Source  Lines\r\n\r\n");
}

void TestAssemble::toolFolderCopy_data()
{
    QTest::addColumn<QByteArray>("before"); // in the tool folder beforehand; empty: nothing
    QTest::addColumn<QString>("answer");    // to the question whether to replace; empty: none
    QTest::newRow("none there before") << QByteArray() << "";
    QTest::newRow("an earlier file with the same text: nothing asked")
        << QByteArray("first\r\n") << "";
    QTest::newRow("an earlier file with other text: Yes replaces it")
        << QByteArray("other\r\n") << "yes";
    QTest::newRow("an earlier file with other text: No assembles nothing")
        << QByteArray("other\r\n") << "no";
}

// A source saved outside the tool folder is assembled from a copy there.
void TestAssemble::toolFolderCopy()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, answer);
    MainFixture f;
    putTools(f);
    QVERIFY(QDir(f.dir.path()).mkdir("elsewhere"));
    const QString saved = f.path("elsewhere/prog.asm");
    const QString copy = f.path("prog.asm");
    if (!before.isEmpty())
        QVERIFY(writeFile(copy, before));
    f.main->action("mnusavetip")->setChecked(true);
    f.launcher.setScript("masm.exe", writes("PROG.LST", fixture("CLEAN.LST")));
    if (!answer.isEmpty())
        f.dialogs.answerMsgBox(answer == "yes" ? Dialogs::Yes : Dialogs::No);

    for (const QByteArray text : {"first", "second"}) {
        f.text()->setText(QString::fromLatin1(text));
        f.dialogs.answerSave(saved);
        f.main->mnucompile();
        settle(f);
        QCOMPARE(fileBytes(saved), text + "\r\n");
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
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", fixture("CLEAN.LST"), true));
    FakeLauncher::Script link = writes("TEMP_F.MAP", fixture("CLEAN.MAP"), true);
    link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), QByteArray("program"));
    f.launcher.setScript("link.exe", link);
    if (command == "mnucompile" || command == "mnuCompilelist") {
        f.main->mnucompile();
    } else {
        f.main->action("mnumakemap")->setChecked(true);
        f.dialogs.answerMsgBox(Dialogs::Ok);
        f.main->mnulink();
    }
    if (command != "mnucompile" && command != "mnulink")
        QVERIFY(QMetaObject::invokeMethod(f.main.get(), qPrintable(command)));
    QTest::qWait(100);
    // No map is read while the linker may still be writing it.
    QVERIFY(command != "mnulinkresult" || f.text()->text().isEmpty());
}

void TestAssemble::closingDuringWaits_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("close"); // "main", "document", "report" or "view"
    for (const char *command :
         {"mnucompile", "mnuCompilelist", "mnulinkresult", "mnurun", "mnulink"}) {
        for (const char *close : {"main", "document", "report"})
            QTest::addRow("%s, %s closed", command, close) << command << close;
    }
    QTest::newRow("mnulinkresult, its own view closed") << "mnulinkresult"
                                                        << "view";
}

// Whatever window closes during a wait, nothing crashes or asks, and no tool
// outlives the main window.
void TestAssemble::closingDuringWaits()
{
    QFETCH(QString, command);
    QFETCH(QString, close);
    MainFixture f;
    f.main->action("mnuf5dosbox")->setChecked(true);
    putTools(f);
    // A report from before is on screen.
    f.main->toolchain().reportWindow()->showText("Report", "earlier");
    QPointer<frmDocument> document = f.doc();
    startWait(f, command);
    // Run waits for the linker to end.
    QCOMPARE(f.launcher.calls.size(), 1);

    if (close == "main") {
        for (int i = 0; i < f.main->documents().size(); ++i)
            f.dialogs.answerMsgBox(Dialogs::No);
        QVERIFY(f.main->close());
        // The tools go with the window, at once.
        for (const auto &run : std::as_const(f.launcher.runs))
            QVERIFY(run->handleDropped);
    } else if (close == "report") {
        f.main->toolchain().reportWindow()->close();
    } else {
        f.dialogs.answerMsgBox(Dialogs::No);
        const auto subs = f.main->mdiArea()->subWindowList();
        (close == "view" ? subs.last() : subs.first())->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < f.launcher.runs.size(); ++i)
        f.launcher.runs[i]->ended = true;
    settle(f);
    QTest::qWait(200);

    QVERIFY(f.dialogs.unexpected.isEmpty());
    QVERIFY(!f.main->isClosing() || f.main->documents().isEmpty());
    const bool assembles = command.startsWith("mnuC") || command == "mnucompile";
    QCOMPARE(shownReport(f) && shownReport(f)->shownText() != "earlier",
             assembles && close != "main");
    // No half-made view is left behind.
    QCOMPARE(f.main->findChildren<frmDocument *>().size(), f.main->documents().size());
    if (command == "mnuCompilelist" && close != "main")
        QCOMPARE(f.main->documents().last()->caption(), f.path("TEMP_F.LST"));
    if (command == "mnurun" && close != "main")
        QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "Temp_F.exe");
    QVERIFY(close != "document" || !document);
}

void TestAssemble::linkOutcome_data()
{
    QTest::addColumn<QByteArray>("printed"); // what the linker prints
    QTest::addColumn<QByteArray>("program"); // what it writes as TEMP_F.EXE; empty: nothing
    QTest::addColumn<QString>("stops");      // "": ends by itself; "hangs"; "asks" for input
    QTest::addColumn<QString>("message");    // a word of it; empty: none
    QTest::addColumn<QString>("report");     // the report window's end; empty: not shown
    QTest::addColumn<QString>("runs");       // what F5 starts then; empty: not tried
    auto row = [](const char *name, const char *printed, const QByteArray &program,
                  const char *stops, const char *message, const char *report = "",
                  const char *runs = "") {
        QTest::newRow(name) << "Microsoft (R) Overlay Linker  Version 3.65\r\n\r\n" +
                                   QByteArray(printed)
                            << program << stops << message << report << runs;
    };
    const char *fatal = "LINK : fatal error L1093: object not found\r\n";
    const char *noStack = "LINK : warning L4021: no stack segment\r\n";
    // An .EXE header: no relocations, entry 0000:0100, as ORG 100H in one segment links.
    QByteArray comShaped("MZ\x28\0\x01\0\0\0\x02\0\0\0\xff\xff\0\0\0\0\0\0\0\x01\0\0", 24);
    row("program written with a warning: shown in the report window", noStack, "new", "", "",
        "LINK : warning L4021: no stack segment\r\n", "Temp_F.exe");
    row("no program: what the linker printed", fatal, "", "", "\r\nLINK : fatal error L1093");
    row("still running after the bound: ended, what it printed", fatal, "", "hangs",
        "link.exe\r\n");
    row("asking for a library nobody can name: ended, told why",
        "LINK : warning L4051: NOLIB.LIB : cannot find library\r\nEnter new library name:", "",
        "asks", "键盘输入");
    row("a .COM program: EXE2BIN makes it and Run starts it", noStack, comShaped, "", "",
        "转换为 .COM 程序 Temp_F.COM，运行和调试都使用它。\r\n", "Temp_F.com");
    row("a .COM program without exe2bin.exe: said, the .EXE runs", noStack, comShaped, "", "",
        "下载它，然后再连接一次。\r\n", "Temp_F.exe");
}

void TestAssemble::linkOutcome()
{
    QFETCH(QByteArray, printed);
    QFETCH(QByteArray, program);
    QFETCH(QString, stops);
    QFETCH(QString, message);
    QFETCH(QString, report);
    QFETCH(QString, runs);
    MainFixture f;
    // What F5 hands to DOSBox: the scripted programs are no DOS programs.
    f.main->action("mnuf5dosbox")->setChecked(true);
    putTools(f);
    f.main->toolchain().hiddenRunBoundMs = stops == "hangs" ? kShortBound : 600000;
    // An earlier program of that name must not pass for this link's.
    QVERIFY(writeFile(f.path("TEMP_F.EXE"), "old") && writeFile(f.path("TEMP_F.COM"), "old"));
    FakeLauncher::Script link = writes("LINKMSG.TXT", printed, stops == "hangs");
    if (stops == "asks")
        link.stop.reason = RunStop::InputWanted;
    if (!program.isEmpty())
        link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), program);
    f.launcher.setScript("link.exe", link);
    if (!report.contains("下载"))
        QVERIFY(writeFile(f.path("exe2bin.exe"), "tool"));
    f.launcher.setScript("exe2bin.exe", writes("TEMP_F.COM", "com"));
    QElapsedTimer clock;
    clock.start();
    f.main->mnulink();

    QCOMPARE(f.launcher.calls[0].consoleOutputName, QStringLiteral("LINKMSG.TXT"));
    QTRY_VERIFY_WITH_TIMEOUT(f.launcher.runs.last()->handleDropped, 60000);
    QVERIFY(stops != "hangs" || stoppedByBound(clock));
    QVERIFY(f.launcher.runs[0]->ended);
    const QStringList said = messages(f.dialogs);
    QCOMPARE(said.size(), message.isEmpty() ? 0 : 1);
    // The message carries what the linker printed last.
    QVERIFY(message.isEmpty() ||
            (said[0].contains(message) &&
             said[0].contains(QString::fromLatin1(printed).trimmed().section("\r\n", -1))));
    QCOMPARE(fileBytes(f.path("TEMP_F.EXE")), program);
    QVERIFY2(report.isEmpty() ? !shownReport(f) : shownReport(f)->shownText().endsWith(report),
             qPrintable(shownReport(f) ? shownReport(f)->shownText() : QString()));
    if (runs.isEmpty())
        return;
    const bool com = runs.endsWith(".com");
    QCOMPARE(f.launcher.calls.size(), com ? 2 : 1);
    QVERIFY(!com || f.launcher.calls[1].commandLine.endsWith("exe2bin.exe Temp_F.EXE Temp_F.COM"));
    f.main->mnurun();
    QTRY_COMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + runs);
}

// While the assembler runs the status bar names the file and the report of
// the assembly before says it is out of date; afterwards the report window passes the Run
// menu's keys on, and a view whose file cannot appear says so.
void TestAssemble::whileAndAfterAssembling()
{
    MainFixture f;
    putTools(f);
    auto status = [&f] {
        QStringList texts;
        for (QLabel *label : f.main->sbStatusBar->findChildren<QLabel *>())
            texts << label->text();
        return texts.join('|');
    };
    // A clean assembly: the listing and the object, which the link then takes.
    FakeLauncher::Script masm = writes("TEMP_F.LST", fixture("CLEAN.LST"), true);
    masm.files << std::make_pair(QStringLiteral("TEMP_F.OBJ"), QByteArray("object"));
    f.launcher.setScript("masm.exe", masm);
    for (int run = 0; run < 2; ++run) {
        f.main->mnucompile();
        QTest::qWait(100);
        QVERIFY2(status().contains("正在编译 Temp_F.asm"), qPrintable(status()));
        QCOMPARE(run == 1 && shownReport(f)->windowTitle().contains("已过时"), run == 1);
        f.launcher.runs[run]->ended = true;
        settle(f);
    }
    QVERIFY(!status().contains("正在编译"));
    QCOMPARE(shownReport(f)->windowTitle(), QStringLiteral("Report"));

    shownReport(f)->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shownReport(f)));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.launcher.setScript("link.exe", writes("TEMP_F.EXE", "MZ"));
    QTest::keyClick(shownReport(f), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(f.launcher.calls.last().commandLine.contains("link.exe Temp_F.obj"));

    QVERIFY(QFile::remove(f.path("TEMP_F.LST")));
    const qsizetype shown = f.dialogs.callsOf("msgBox").size();
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuCompilelist();
    settle(f);
    QCOMPARE(f.dialogs.callsOf("msgBox").size(), shown + 1);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

// Marks follow their lines (the report's jump and the tooltips too), are
// drawn wherever the text scrolls to, and go when another text is opened.
// MASM prints line 39,999 as -25537.
void TestAssemble::marksBelongToTheirText()
{
    MainFixture f;
    putTools(f);
    f.text()->setText(QString("nop\r\n").repeated(40000));
    f.launcher.setScript("masm.exe",
                         writes("TEMP_F.LST", "Temp_F.asm(3): error A2009: x\r\n"
                                              "Temp_F.asm(-25537): warning A4001: y\r\n"
                                              "Temp_F.asm(-25537): error A2050: z\r\n"));
    f.main->mnucompile();
    settle(f);
    // Counted from the marks, as no summary came; the window's status bar says it.
    const auto *counts = f.doc()->findChild<QLabel *>("DiagnosticCounts");
    QVERIFY(counts && counts->isVisible());
    QCOMPARE(counts->text(), "编译失败（2 个错误，1 个警告）：没有生成目标文件");
    f.text()->setSelStart(0);
    press(f, Qt::Key_Return);
    // A line with a warning and an error is marked as an error.
    QCOMPARE(f.doc()->Strip->marks().value(1).text,
             "Temp_F.asm(40000): warning A4001: y\nTemp_F.asm(40000): error A2050: z");
    QCOMPARE(f.doc()->Strip->marks().value(1).kind, Diagnostic::Error);
    RichText *report = shownReport(f)->RichText;
    // Each diagnostic has its explanation under it: the second is further down.
    const QTextBlock line = report->document()->find("(-25537): warning").block();
    const QPoint at = report->cursorRect(QTextCursor(line)).center() + QPoint(4, 0);
    // A click selects; only a double click jumps.
    QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(f.text()->caretLine(), 2);
    QTest::mouseDClick(report->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(f.text()->caretLine(), 40000);

    // What the window shows beside the caret's line, after each F6.
    auto markShown = [&f] {
        const QImage shown = qApp->primaryScreen()->grabWindow(f.main->winId()).toImage();
        const int y =
            f.text()->viewport()->mapTo(f.main.get(), f.text()->cursorRect().center()).y();
        const int x = f.doc()->Strip->mapTo(f.main.get(), QPoint()).x();
        for (int i = 0; i < f.doc()->Strip->width(); ++i)
            if (shown.pixelColor(x + i, y).red() > 200 && shown.pixelColor(x + i, y).blue() < 100)
                return true;
        return false;
    };
    for (const int mark : {4, 40000, 4}) {
        press(f, Qt::Key_F6);
        QCOMPARE(f.text()->caretLine(), mark);
        QTRY_VERIFY(markShown());
    }

    // Lines typed between the marks and above them; indenting replaces every line.
    for (const int above : {99, 0}) {
        f.text()->setTextCursor(QTextCursor(f.text()->document()->findBlockByNumber(above)));
        press(f, Qt::Key_Return);
    }
    // Indenting and changing case replace every line; the marks stay on theirs.
    for (const bool indent : {true, false}) {
        indent ? f.main->editing().Rightgo(true, 4) : f.main->mnuUpLow();
        QCOMPARE(f.doc()->Strip->marks()[0].line * 100000 + f.doc()->Strip->marks()[1].line,
                 540002);
    }
    QVERIFY(writeFile(f.path("other.asm"), "mov ax,1\r\n"));
    f.dialogs.answerOpen(f.path("other.asm"));
    f.dialogs.answerMsgBox(Dialogs::No); // the edited text is not kept
    f.main->mnuFileOpen();
    QVERIFY(f.doc()->Strip->marks().isEmpty() && f.doc()->Strip->countText().isEmpty());
}

QTEST_MAIN(TestAssemble)
#include "tst_assemble.moc"
