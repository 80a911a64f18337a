#include "documents/skeleton.h"
#include "mainfixture.h"
#include "toolchain/frmreport.h"
#include "toolchain/listingreport.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

// Assemble, link, run, debug, the DOS prompt and the output views, driven
// through the menu with scripted tools behind the launcher seam.
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
    void assemblerLineFollowsOptions_data();
    void assemblerLineFollowsOptions();
    void reportWindow_data();
    void reportWindow();
    void listingRewrittenInSourceEncoding();
    void onlyThisRunsListingIsReported_data();
    void onlyThisRunsListingIsReported();
    void reportWaitsForTheRunToEnd();
    void hungAssemblerIsEndedAndReported();
    void failuresToStart_data();
    void failuresToStart();
    void namesDosCannotTake_data();
    void namesDosCannotTake();
    void toolFolderCopy_data();
    void toolFolderCopy();
    void promptMode_data();
    void promptMode();
    void newAssembleEndsEarlierWait();
    void closingDuringWaits_data();
    void closingDuringWaits();
    void linkCommandLines_data();
    void linkCommandLines();
    void linkPromptMode_data();
    void linkPromptMode();
    void linkOutcome_data();
    void linkOutcome();
    void runStartsToolFolderProgram_data();
    void runStartsToolFolderProgram();
    void debugAndDosPrompt();
    void toolLocationRule_data();
    void toolLocationRule();
    void listingView_data();
    void listingView();
    void mapView();
    void doubleClickOnDiagnostic_data();
    void doubleClickOnDiagnostic();

private:
    QList<QUrl> openedUrls;
};

static QByteArray fixture(const QString &name)
{
    return fileBytes(QStringLiteral(KORVANE_FIXTURES "/masm510/") + name);
}

// ERRS.LST as the assembler writes it for a source named sourceName: each
// diagnostic begins with the name as the command line typed it.
static QByteArray errorsListing(const QByteArray &sourceName = "Temp_F.asm")
{
    return fixture("ERRS.LST").replace("ERRS.ASM(", sourceName + "(");
}

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

static void putTools(MainFixture &f)
{
    for (const char *tool : {"masm.exe", "link.exe", "debug.exe"})
        writeFile(f.path(QString::fromLatin1(tool)), "tool");
}

static FakeLauncher::Script writes(const QString &name, const QByteArray &bytes)
{
    FakeLauncher::Script s;
    s.files << std::make_pair(name, bytes);
    return s;
}

static FrmReport *reportOf(MainFixture &f)
{
    const auto reports = f.main->findChildren<FrmReport *>();
    return reports.isEmpty() ? nullptr : reports.first();
}

static bool reportShown(MainFixture &f)
{
    FrmReport *r = reportOf(f);
    return r && r->isVisible();
}

static QStringList messages(const FakeDialogs &d)
{
    QStringList texts;
    for (const auto &c : d.callsOf(QStringLiteral("msgBox")))
        texts << c.text;
    return texts;
}

// A key pressed in the active document, as the user presses it.
static void press(MainFixture &f, Qt::Key key)
{
    // The report window may be in front: the user comes back to the main window.
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    QTest::keyClick(f.text(), key);
}

static bool enabled(MainFixture &f, const char *name)
{
    return f.main->action(QString::fromLatin1(name))->isEnabled();
}

static void check(MainFixture &f, const char *name, bool on)
{
    f.main->action(QString::fromLatin1(name))->setChecked(on);
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
    QMap<QString, bool> before;
    for (const QString &name : all)
        before[name] = f.main->action(name)->isChecked();

    f.main->action(option)->trigger();
    for (const QString &name : all)
        QCOMPARE(f.main->action(name)->isChecked(), name == option ? !before[name] : before[name]);
    f.main->action(option)->trigger();
    QCOMPARE(f.main->action(option)->isChecked(), before[option]);
    QVERIFY(f.dialogs.calls.isEmpty());
    QVERIFY(f.launcher.calls.isEmpty());
    for (const char *output :
         {"mnuCompilelist", "mnulookcross", "mnulink", "mnulinkresult", "mnurun"})
        QVERIFY(!enabled(f, output));
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

    press(f, Qt::Key_F9);

    QCOMPARE(f.launcher.calls.size(), 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "masm.exe " + tail);
    QCOMPARE(f.launcher.calls[0].workingDirectory, f.toolFolder());
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Hidden);
    QCOMPARE(fileBytes(f.path("Temp_F.asm")), (programSkeleton() + "\r\n").toUtf8());
    QCOMPARE(f.main->Lastsaved, f.toolFolder() + "Temp_F.asm");
    QCOMPARE(f.main->Basename, QStringLiteral("Temp_F"));

    // The upper-case listing was found, reported and rewritten in place.
    QVERIFY(reportShown(f));
    const ListingReport expected =
        buildListingReport(QString::fromLatin1(fixture("CLEAN.LST")), u"Temp_F.asm");
    QCOMPARE(reportOf(f)->shownText(), expected.report);
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

void TestAssemble::reportWindow_data()
{
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<int>("diagnostics");
    QTest::newRow("clean program") << fixture("CLEAN.LST") << 0;
    QTest::newRow("four diagnostics") << errorsListing() << 4;
    QTest::newRow("fourteen pages") << fixture("LONG.LST") << 0;
}

void TestAssemble::reportWindow()
{
    QFETCH(QByteArray, listing);
    QFETCH(int, diagnostics);
    MainFixture f;
    putTools(f);
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", listing));
    f.main->mnucompile();

    FrmReport *report = reportOf(f);
    QVERIFY(report && report->isVisible());
    QCOMPARE(report->windowTitle(), QStringLiteral("Report"));
    QCOMPARE(report->Command1->text(), QStringLiteral("关   闭"));
    QVERIFY(report->isWindow());
    QCOMPARE(report->parentWidget(), f.main.get());
    QVERIFY(!report->isModal());

    const QString text = report->RichText->text();
    QVERIFY(text.startsWith(QStringLiteral(" Assembling Report:\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n    Temp_F.asm(")), diagnostics);
    QVERIFY(text.contains(QStringLiteral("\r\n 汇编总结报告：\r\n    ")));
    for (int i = 0; i < report->RichText->textLength(); i += 7)
        QCOMPARE(charColor(report->RichText, i), QColor(0, 0, 255));
    QCOMPARE(report->RichText->selStart(), 0);
    QCOMPARE(report->RichText->selLength(), 0);

    // A second report replaces the first in the same window.
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", "no diagnostics, no summary\r\n"));
    f.main->mnucompile();
    QCOMPARE(f.main->findChildren<FrmReport *>().size(), 1);
    QCOMPARE(report->RichText->text(), QStringLiteral(" Assembling Report:\r\n"));

    QTest::mouseClick(report->Command1, Qt::LeftButton);
    QVERIFY(!report->isVisible());
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

    const QByteArray source = fileBytes(f.path("Temp_F.asm"));
    QVERIFY(source.contains(comment));
    const QByteArray listing = fileBytes(f.path("TEMP_F.LST"));
    QVERIFY2(listing.contains(";" + comment + "\r\n"), listing.constData());
    QVERIFY(!listing.contains(QStringLiteral("中文注释").toUtf8()));
    const QByteArray heading = gbk.encode(QStringLiteral(" 汇编总结报告："));
    QVERIFY(listing.contains(heading));
}

void TestAssemble::onlyThisRunsListingIsReported_data()
{
    QTest::addColumn<bool>("assemblerWritesListing");
    QTest::newRow("assembler writes none: the stale one is not reported") << false;
    QTest::newRow("assembler writes one: it is the one reported") << true;
}

void TestAssemble::onlyThisRunsListingIsReported()
{
    QFETCH(bool, assemblerWritesListing);
    MainFixture f;
    putTools(f);
    const QByteArray stale = "Temp_F.asm(1): error A2000: stale\r\n";
    writeFile(f.path("TEMP_F.LST"), stale);
    writeFile(f.path("Temp_F.lst"), stale);
    if (assemblerWritesListing)
        f.launcher.setScript("masm.exe", writes("TEMP_F.LST", fixture("CLEAN.LST")));
    f.main->mnucompile();

    QVERIFY(!QFile::exists(f.path("Temp_F.lst")));
    QCOMPARE(QFile::exists(f.path("TEMP_F.LST")), assemblerWritesListing);
    if (assemblerWritesListing) {
        QVERIFY(reportShown(f));
        QVERIFY(!reportOf(f)->shownText().contains(QStringLiteral("stale")));
        QVERIFY(f.dialogs.calls.isEmpty());
        QVERIFY(enabled(f, "mnulink"));
    } else {
        QVERIFY(!reportShown(f));
        QCOMPARE(messages(f.dialogs), QStringList{"编译程序已经结束，但没有生成列表文件：" +
                                                  f.toolFolder() + "Temp_F.lst"});
        QVERIFY(!enabled(f, "mnulink"));
    }
}

void TestAssemble::reportWaitsForTheRunToEnd()
{
    MainFixture f;
    putTools(f);
    FakeLauncher::Script masm = writes("TEMP_F.LST", fixture("CLEAN.LST"));
    masm.keepsRunning = true;
    f.launcher.setScript("masm.exe", masm);
    bool reportWhileRunning = true;
    QTimer::singleShot(0, [&] {
        // The listing is there, but the assembler may still be writing it.
        reportWhileRunning = reportShown(f);
        f.launcher.finish(0);
    });
    f.main->mnucompile();
    QVERIFY(!reportWhileRunning);
    QVERIFY(reportShown(f));
    QVERIFY(!f.launcher.runs[0]->endedByCaller);
}

void TestAssemble::hungAssemblerIsEndedAndReported()
{
    MainFixture f;
    putTools(f);
    FakeLauncher::Script masm = writes("TEMP_F.LST", fixture("CLEAN.LST"));
    masm.keepsRunning = true;
    f.launcher.setScript("masm.exe", masm);
    f.main->hiddenRunBoundMs = 50;
    f.main->mnucompile();

    QVERIFY(f.launcher.runs[0]->ended);
    QCOMPARE(messages(f.dialogs),
             QStringList{"编译程序运行了很长时间仍未结束（可能在等待输入），已将其终止：" +
                         f.toolFolder() + "masm.exe"});
    QVERIFY(!reportShown(f));
    QVERIFY(!enabled(f, "mnulink"));
}

void TestAssemble::failuresToStart_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("parameterPrompt");
    QTest::addColumn<QString>("program");
    QTest::addColumn<LaunchFailure>("failure");
    QTest::addColumn<QString>("message"); // %1 is the tool folder

    QTest::newRow("assemble, no DOSBox")
        << "mnucompile" << false << "masm.exe" << LaunchFailure::DosboxMissing
        << "无法启动“%1masm.exe”：这是一个 DOS 程序，要在 DOSBox 中运行，但系统中没有找到 "
           "DOSBox。请先安装 DOSBox。";
    QTest::newRow("assemble, not a program")
        << "mnucompile" << false << "masm.exe" << LaunchFailure::StartFailed
        << "无法启动“%1masm.exe”：它不是可以运行的程序。";
    QTest::newRow("run, program missing")
        << "mnurun" << false << "temp_f.exe" << LaunchFailure::ProgramNotFound
        << "无法启动“%1Temp_F.exe”：找不到这个程序。";
    QTest::newRow("debug, no DOSBox")
        << "mnurundebug" << false << "debug.exe" << LaunchFailure::DosboxMissing
        << "无法启动“%1debug.exe”：这是一个 DOS 程序，要在 DOSBox 中运行，但系统中没有找到 "
           "DOSBox。请先安装 DOSBox。";
    QTest::newRow("DOS prompt, no DOSBox")
        << "mnushellDOS" << false << "command.com" << LaunchFailure::DosboxMissing
        << "无法启动“command.com”：这是一个 DOS 程序，要在 DOSBox 中运行，但系统中没有找到 "
           "DOSBox。请先安装 DOSBox。";
    QTest::newRow("link, cannot start")
        << "mnulink" << false << "link.exe" << LaunchFailure::StartFailed << "连接时发生意外错误！";
    QTest::newRow("assemble in prompt mode")
        << "mnucompile" << true << "masm.exe" << LaunchFailure::DosboxMissing
        << "参数错误，是否重输？";
    QTest::newRow("link in prompt mode") << "mnulink" << true << "link.exe"
                                         << LaunchFailure::DosboxMissing << "参数错误，是否重输？";
}

void TestAssemble::failuresToStart()
{
    QFETCH(QString, command);
    QFETCH(bool, parameterPrompt);
    QFETCH(QString, program);
    QFETCH(LaunchFailure, failure);
    QFETCH(QString, message);
    MainFixture f;
    putTools(f);
    check(f, "mnuparameter", parameterPrompt);
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->Basename = "Temp_F";
    FakeLauncher::Script script;
    script.failure = failure;
    f.launcher.setScript(program, script);
    f.dialogs.answerInput("prog");
    f.dialogs.answerMsgBox(Dialogs::No);

    QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());

    QCOMPARE(f.launcher.calls.size(), 1);
    const QStringList shown = messages(f.dialogs);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0], QString(message).replace("%1", f.toolFolder()));
    QVERIFY(!reportShown(f));
    QVERIFY(!enabled(f, "mnurun"));
    if (command == "mnucompile")
        QVERIFY(!enabled(f, "mnulink"));
}

void TestAssemble::namesDosCannotTake_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("assemble a nine-character name") << "mnucompile"
                                                    << "ninechars.asm";
    QTest::newRow("assemble a name with a blank") << "mnucompile"
                                                  << "my prog.asm";
    QTest::newRow("link a nine-character name") << "mnulink"
                                                << "ninechars.asm";
}

void TestAssemble::namesDosCannotTake()
{
    QFETCH(QString, command);
    QFETCH(QString, fileName);
    MainFixture f;
    putTools(f);
    check(f, "mnusavetip", true);
    f.dialogs.answerSave(f.path(fileName));
    f.main->Lastsaved = f.path(fileName);
    f.main->Basename = QFileInfo(fileName).completeBaseName();
    QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());

    QVERIFY(f.launcher.calls.isEmpty());
    const QStringList shown = messages(f.dialogs);
    QCOMPARE(shown.size(), 1);
    const QString named = command == "mnulink" ? QFileInfo(fileName).baseName() + ".obj" : fileName;
    QVERIFY2(shown[0].contains(QStringLiteral("“") + named + QStringLiteral("”")),
             qPrintable(shown[0]));
    QVERIFY(!enabled(f, "mnurun"));
}

void TestAssemble::toolFolderCopy_data()
{
    QTest::addColumn<bool>("someoneElsesFile");
    QTest::newRow("the copy this run wrote follows the text") << false;
    QTest::newRow("another file of that name is left alone") << true;
}

void TestAssemble::toolFolderCopy()
{
    QFETCH(bool, someoneElsesFile);
    MainFixture f;
    putTools(f);
    QVERIFY(QDir(f.dir.path()).mkdir("elsewhere"));
    const QString saved = f.path("elsewhere/prog.asm");
    const QString copy = f.path("prog.asm");
    if (someoneElsesFile)
        writeFile(copy, "the user's own\r\n");
    check(f, "mnusavetip", true);
    f.launcher.setScript("masm.exe", writes("PROG.LST", fixture("CLEAN.LST")));

    f.text()->setText("first\r\n");
    f.dialogs.answerSave(saved);
    f.main->mnucompile();
    QCOMPARE(f.launcher.calls.last().commandLine, f.toolFolder() + "masm.exe prog.asm,prog,,,");
    QCOMPARE(fileBytes(copy),
             someoneElsesFile ? QByteArray("the user's own\r\n") : QByteArray("first\r\n\r\n"));

    f.text()->setText("second\r\n");
    f.dialogs.answerSave(saved);
    f.main->mnucompile();
    QCOMPARE(fileBytes(saved), QByteArray("second\r\n\r\n"));
    QCOMPARE(fileBytes(copy),
             someoneElsesFile ? QByteArray("the user's own\r\n") : QByteArray("second\r\n\r\n"));
    QCOMPARE(f.launcher.calls.size(), 2);
}

void TestAssemble::promptMode_data()
{
    QTest::addColumn<bool>("closeDocuments");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("tail"); // empty when nothing starts
    QTest::addColumn<int>("questions");

    QTest::newRow("prefix MASM and a blank removed")
        << false << QStringList{"MASM  prog.asm"} << "  prog.asm,,,," << 0;
    QTest::newRow("tasm alone is trimmed first, so kept")
        << false << QStringList{"  tasm   "} << " tasm,,,," << 0;
    QTest::newRow("no document: prompt even with the option off")
        << true << QStringList{"prog"} << " prog,,,," << 0;
    QTest::newRow("empty answer, then another try")
        << false << QStringList{"   ", "prog"} << " prog,,,," << 1;
    QTest::newRow("cancelled, then no retry") << false << QStringList{""} << "" << 1;
}

void TestAssemble::promptMode()
{
    QFETCH(bool, closeDocuments);
    QFETCH(QStringList, typed);
    QFETCH(QString, tail);
    QFETCH(int, questions);
    MainFixture f;
    if (closeDocuments) {
        f.dialogs.answerMsgBox(Dialogs::No);
        f.main->mnuFileClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.doc());
        f.dialogs.calls.clear();
    } else {
        check(f, "mnuparameter", true);
    }
    for (const QString &answer : typed)
        f.dialogs.answerInput(answer);
    for (int i = 0; i < questions; ++i)
        f.dialogs.answerMsgBox(i + 1 < typed.size() ? Dialogs::Yes : Dialogs::No);
    f.main->mnucompile();

    const auto inputs = f.dialogs.callsOf("inputBox");
    QCOMPARE(inputs.size(), typed.size());
    QCOMPARE(inputs[0].text,
             "请输入要编译文件的文件名和您需要的参数：（默认路径为:" + f.toolFolder());
    QCOMPARE(inputs[0].title, QStringLiteral("编译参数"));
    QStringList expected(questions, QStringLiteral("参数错误，是否重输？"));
    if (!tail.isEmpty()) {
        QCOMPARE(f.launcher.calls.size(), 1);
        QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "masm.exe" + tail);
        QCOMPARE(f.launcher.calls[0].style, WindowStyle::Hidden);
        expected << "当前编译参数为：“" + tail.chopped(4).mid(1) + "”";
    } else {
        QVERIFY(f.launcher.calls.isEmpty());
    }
    QCOMPARE(messages(f.dialogs), expected);
    for (const auto &c : f.dialogs.callsOf("msgBox")) {
        if (c.text.startsWith(QStringLiteral("参数错误"))) {
            QCOMPARE(c.title, QStringLiteral("Parameter Error"));
            QCOMPARE(c.buttons, int(Dialogs::YesNo));
        }
    }
    // Nothing is waited for and no report appears; Link follows a start.
    QVERIFY(!reportShown(f));
    QCOMPARE(enabled(f, "mnulink"), !tail.isEmpty());
    QVERIFY(!enabled(f, "mnuCompilelist"));
}

void TestAssemble::newAssembleEndsEarlierWait()
{
    MainFixture f;
    putTools(f);
    FakeLauncher::Script silent;
    silent.keepsRunning = true;
    f.launcher.setScript("masm.exe", silent);
    QTimer::singleShot(0, [&] {
        f.launcher.setScript("masm.exe", writes("TEMP_F.LST", fixture("CLEAN.LST")));
        f.main->mnucompile();
    });
    f.main->mnucompile();

    QCOMPARE(f.launcher.calls.size(), 2);
    // The first assembler was ended before the second started.
    QVERIFY(f.launcher.runs[0]->ended);
    QVERIFY(f.launcher.runs[0]->handleDropped);
    // One report, one cleaning: a second cleaning would add a second heading.
    QCOMPARE(QString::fromLatin1(fileBytes(f.path("TEMP_F.LST"))).count(u"Source  Lines"), 1);
    QCOMPARE(QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))).count(u"汇编总结报告"), 1);
    QVERIFY(f.dialogs.calls.isEmpty());
    QVERIFY(reportShown(f));
}

void TestAssemble::closingDuringWaits_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("close"); // "main" or "view"
    QTest::newRow("main window during the listing wait") << "mnucompile"
                                                         << "main";
    QTest::newRow("main window during the listing view's wait") << "mnuCompilelist"
                                                                << "main";
    QTest::newRow("main window during the map view's wait") << "mnulinkresult"
                                                            << "main";
    QTest::newRow("map view's own window during its wait") << "mnulinkresult"
                                                           << "view";
}

void TestAssemble::closingDuringWaits()
{
    QFETCH(QString, command);
    QFETCH(QString, close);
    MainFixture f;
    putTools(f);
    FakeLauncher::Script masm;
    masm.keepsRunning = true;
    f.launcher.setScript("masm.exe", masm);
    f.main->Listpath = f.toolFolder() + "Temp_F.lst";
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    const int documents = f.main->documents().size();
    QTimer::singleShot(0, [&] {
        f.dialogs.answerMsgBox(Dialogs::No);
        if (close == "main") {
            f.dialogs.answerMsgBox(Dialogs::No);
            f.main->close();
        } else {
            f.main->mdiArea()->currentSubWindow()->close();
        }
    });
    QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(f.main->isClosing(), close == "main");
    QVERIFY(!reportShown(f));
    QVERIFY(f.dialogs.unexpected.isEmpty());
    if (close == "view")
        QCOMPARE(f.main->documents().size(), documents);
    // No half-made view is left behind.
    QCOMPARE(f.main->findChildren<frmDocument *>().size(), f.main->documents().size());
}

void TestAssemble::linkCommandLines_data()
{
    QTest::addColumn<bool>("makeMap");
    QTest::addColumn<bool>("useLibrary");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("tail");

    QTest::newRow("map, no library") << true << false << ""
                                     << "prog.obj,prog,;";
    QTest::newRow("map and library") << true << true << "L"
                                     << "prog.obj,prog,,L;";
    QTest::newRow("no map, no library") << false << false << ""
                                        << "prog.obj,prog,;";
    QTest::newRow("library answer kept untrimmed") << false << true << " my lib "
                                                   << "prog.obj,prog,, my lib ;";
    QTest::newRow("library box cancelled") << false << true << ""
                                           << "prog.obj,prog,;";
}

void TestAssemble::linkCommandLines()
{
    QFETCH(bool, makeMap);
    QFETCH(bool, useLibrary);
    QFETCH(QString, library);
    QFETCH(QString, tail);
    MainFixture f;
    putTools(f);
    check(f, "mnumakemap", makeMap);
    check(f, "mnuuselib", useLibrary);
    f.main->Lastsaved = f.path("elsewhere/prog.asm");
    f.main->Basename = "prog";
    if (useLibrary)
        f.dialogs.answerInput(library);
    f.main->mnulink();

    QCOMPARE(f.launcher.calls.size(), 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "link.exe " + tail);
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Hidden);
    QCOMPARE(f.launcher.calls[0].workingDirectory, f.toolFolder());
    QCOMPARE(f.launcher.calls[0].consoleOutputName, QStringLiteral("LINKMSG.TXT"));
    const auto inputs = f.dialogs.callsOf("inputBox");
    QCOMPARE(inputs.size(), useLibrary ? 1 : 0);
    if (useLibrary) {
        QCOMPARE(inputs[0].text, QStringLiteral("请输入连接时要用到的库文件的文件名："));
        QCOMPARE(inputs[0].title, QStringLiteral("Input library file"));
    }
    QCOMPARE(messages(f.dialogs), QStringList{"当前连接对象为：prog.obj"});
    QCOMPARE(enabled(f, "mnulinkresult"), makeMap);
    QVERIFY(enabled(f, "mnurun"));
}

void TestAssemble::linkPromptMode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::newRow("TLINK and a blank: six characters go") << "TLINK prog"
                                                          << "prog";
    QTest::newRow("link and a blank: five characters go") << "  link  prog  "
                                                          << " prog";
}

void TestAssemble::linkPromptMode()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    MainFixture f;
    check(f, "mnuparameter", true);
    f.dialogs.answerInput(typed);
    f.main->mnulink();

    const auto inputs = f.dialogs.callsOf("inputBox");
    QCOMPARE(inputs.size(), 1);
    QCOMPARE(inputs[0].text,
             "请输入要连接文件的文件名和您需要的参数：（默认路径为:" + f.toolFolder());
    QCOMPARE(inputs[0].title, QStringLiteral("连接参数"));
    QCOMPARE(f.launcher.calls.size(), 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "link.exe " + answer + ",,,,");
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Normal);
    QCOMPARE(messages(f.dialogs), QStringList{"当前连接参数为：“" + answer + "”"});
    QVERIFY(enabled(f, "mnurun"));
}

void TestAssemble::linkOutcome_data()
{
    QTest::addColumn<bool>("writesProgram");
    QTest::addColumn<bool>("hangs");
    QTest::addColumn<QString>("message"); // %1 is the tool folder; empty: none
    QTest::newRow("program written: nothing more to say") << true << false << "";
    QTest::newRow("no program: what the linker printed")
        << false << false
        << "连接程序没有生成可执行文件 %1Temp_F.exe。连接程序的输出：\r\n\r\nLINK : fatal error "
           "L1093: object not found";
    QTest::newRow("still running after the bound: ended")
        << false << true
        << "连接程序运行了很长时间仍未结束（可能在等待输入，例如找不到库文件时），已将其终止："
           "%1link.exe\r\n连接程序的输出：\r\n\r\nLINK : fatal error L1093: object not found";
}

void TestAssemble::linkOutcome()
{
    QFETCH(bool, writesProgram);
    QFETCH(bool, hangs);
    QFETCH(QString, message);
    MainFixture f;
    putTools(f);
    f.main->hiddenRunBoundMs = hangs ? 50 : 600000;
    // An earlier program of that name must not pass for this link's.
    writeFile(f.path("TEMP_F.EXE"), "old");
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->Basename = "Temp_F";
    FakeLauncher::Script link =
        writes("LINKMSG.TXT", "LINK : fatal error L1093: object not found\r\n");
    if (writesProgram)
        link.files << std::make_pair(QStringLiteral("TEMP_F.EXE"), QByteArray("new"));
    link.keepsRunning = hangs;
    f.launcher.setScript("link.exe", link);
    f.main->mnulink();

    QTRY_VERIFY_WITH_TIMEOUT(f.launcher.runs[0]->handleDropped, 60000);
    QVERIFY(f.launcher.runs[0]->ended);
    QStringList expected{"当前连接对象为：Temp_F.obj"};
    if (!message.isEmpty())
        expected << message.replace("%1", f.toolFolder());
    QCOMPARE(messages(f.dialogs), expected);
    QCOMPARE(fileBytes(f.path("TEMP_F.EXE")), writesProgram ? QByteArray("new") : QByteArray());
}

void TestAssemble::runStartsToolFolderProgram_data()
{
    QTest::addColumn<QString>("lastsaved"); // relative to the tool folder
    QTest::addColumn<QString>("program");
    QTest::newRow("the temporary file") << "Temp_F.asm"
                                        << "Temp_F.exe";
    QTest::newRow("saved in another folder") << "elsewhere/prog.asm"
                                             << "prog.exe";
    QTest::newRow("no extension") << "VaDid1"
                                  << "VaDid1.exe";
}

void TestAssemble::runStartsToolFolderProgram()
{
    QFETCH(QString, lastsaved);
    QFETCH(QString, program);
    MainFixture f;
    putTools(f);
    f.main->Lastsaved = f.path(lastsaved);
    f.main->action("mnurun")->setEnabled(true);
    press(f, Qt::Key_F5);
    QCOMPARE(f.launcher.calls.size(), 1);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + program);
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Normal);
    QCOMPARE(f.launcher.calls[0].workingDirectory, f.toolFolder());
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestAssemble::debugAndDosPrompt()
{
    MainFixture f;
    putTools(f);
    f.main->mnurundebug();
    press(f, Qt::Key_F8);
    QCOMPARE(f.launcher.calls.size(), 2);
    QCOMPARE(f.launcher.calls[0].commandLine, f.toolFolder() + "debug.exe");
    QCOMPARE(f.launcher.calls[0].style, WindowStyle::Normal);
    QCOMPARE(f.launcher.calls[1].commandLine, QStringLiteral("command.com"));
    QCOMPARE(f.launcher.calls[1].style, WindowStyle::Normal);
    QCOMPARE(f.launcher.calls[1].workingDirectory, f.toolFolder());
    QVERIFY(f.dialogs.calls.isEmpty());

    // A path with a blank is quoted, so that no other program starts.
    f.main->Debugpath = f.path("my tools/debug.exe");
    QVERIFY(QDir(f.dir.path()).mkdir("my tools"));
    writeFile(f.main->Debugpath, "tool");
    f.main->mnurundebug();
    QCOMPARE(f.launcher.calls[2].commandLine, "\"" + f.main->Debugpath + "\"");
}

void TestAssemble::toolLocationRule_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::newRow("assembler, search") << "mnucompile"
                                       << "masm.exe" << Dialogs::Yes;
    QTest::newRow("assembler, no search") << "mnucompile"
                                          << "masm.exe" << Dialogs::No;
    QTest::newRow("linker, search") << "mnulink"
                                    << "link.exe" << Dialogs::Yes;
    QTest::newRow("debugger, no search") << "mnurundebug"
                                         << "debug.exe" << Dialogs::No;
    QTest::newRow("debugger, search") << "mnurundebug"
                                      << "debug.exe" << Dialogs::Yes;
}

void TestAssemble::toolLocationRule()
{
    QFETCH(QString, command);
    QFETCH(QString, tool);
    QFETCH(Dialogs::Answer, answer);
    MainFixture f;
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->Basename = "Temp_F";
    f.dialogs.answerMsgBox(answer);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QMetaObject::invokeMethod(f.main.get(), command.toLatin1().constData());

    const auto boxes = f.dialogs.callsOf("msgBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, QStringLiteral("编译文件没找到"));
    QCOMPARE(boxes[0].buttons, int(Dialogs::YesNo));
    QCOMPARE(boxes[0].text, f.toolFolder() + tool + "文件没找到！请把" + tool +
                                "存放在当前文件夹。是否希望到网上去搜索" + tool + "？");
    QVERIFY(f.launcher.calls.isEmpty());
    if (answer == Dialogs::Yes) {
        QCOMPARE(openedUrls.size(), 1);
        QCOMPARE(openedUrls[0].host(), QStringLiteral("cn.bing.com"));
        QCOMPARE(openedUrls[0].query(QUrl::FullyDecoded), "q=" + tool);
    } else {
        QVERIFY(openedUrls.isEmpty());
    }
    QVERIFY(!enabled(f, "mnulink") || command == "mnulink");
    QVERIFY(!enabled(f, "mnurun"));
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
    QVERIFY(enabled(f, "mnuCompilelist"));

    // The view shows the listing as the assembly rewrote it.
    f.main->action("mnuCompilelist")->trigger();
    QCOMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.doc()->caption(), f.path("TEMP_F.LST"));
    QCOMPARE(f.text()->text(), QString::fromUtf8(fileBytes(f.path("TEMP_F.LST"))));
    QVERIFY(f.text()->text().contains(QStringLiteral("\r\n 汇编总结报告：\r\n")));

    writeFile(f.path("TEMP_F.LST"), onDisk);
    f.main->mnuCompilelist();
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
    f.main->Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->Basename = "Temp_F";
    f.main->mnulink();
    QVERIFY(enabled(f, "mnulinkresult"));

    f.main->action("mnulinkresult")->trigger();
    QCOMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.doc()->caption(), QStringLiteral("Temp_F.Map"));
    QCOMPARE(f.text()->text().toLatin1(), fixture("CLEAN.MAP"));
    QCOMPARE(messages(f.dialogs), QStringList{"当前连接对象为：Temp_F.obj"});
}

void TestAssemble::doubleClickOnDiagnostic_data()
{
    QTest::addColumn<QString>("reportLine");
    QTest::addColumn<bool>("closeDocument");
    QTest::addColumn<int>("caretLine"); // 0: the caret stays where it was

    QTest::newRow("diagnostic: its source line")
        << "    Temp_F.asm(33): error A2009: Symbol not defined: CNTX" << false << 33;
    QTest::newRow("last diagnostic")
        << "    Temp_F.asm(36): error A2009: Symbol not defined: NOWHERE" << false << 36;
    QTest::newRow("summary line: nothing") << "    42 Source  Lines" << false << 0;
    QTest::newRow("document closed since: nothing")
        << "    Temp_F.asm(33): error A2009: Symbol not defined: CNTX" << true << 0;
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
    FrmReport *report = reportOf(f);
    QVERIFY(report);

    // Another document is in front when the line is double-clicked.
    f.main->Newdocument();
    if (closeDocument) {
        f.dialogs.answerMsgBox(Dialogs::No);
        f.main->mdiArea()->subWindowList().first()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!assembled);
    } else {
        assembled->Text1->setSelStart(5);
    }
    QTextBlock block = report->RichText->document()->begin();
    while (block.isValid() && block.text() != reportLine)
        block = block.next();
    QVERIFY2(block.isValid(), qPrintable(reportLine));
    QTextCursor at(block);
    const QPoint pos = report->RichText->cursorRect(at).center() + QPoint(4, 0);
    QTest::mouseDClick(report->RichText->viewport(), Qt::LeftButton, {}, pos);

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

QTEST_MAIN(TestAssemble)
#include "tst_assemble.moc"
