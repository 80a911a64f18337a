#include "toolchain/toolchaincontroller.h"
#include "platform/colors.h"
#include "app/frmsplash.h"
#include "app/module1.h"
#include "documents/skeleton.h"
#include "editing/frmhint.h"
#include "mainfixture.h"
#include "platform/fonts.h"
#include "toolchain/frmreport.h"

#include <QFile>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <utility>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void colouringAndCaret_data();
    void colouringAndCaret();
    void storedColours_data();
    void storedColours();
    void minimisedWindowGivesWay();
    void restoredFromWindowListTakesKeys();
    void saveQuestion_data();
    void saveQuestion();
    void splashGivesWay();
    void signalKeepsUnsavedWork();
    void filesFromTheCommandLine();
    void ownColoursOnADarkDesktop();
};

// The skeleton at start, and after Refresh or the typing of a short text.
void TestMainWindow::colouringAndCaret_data()
{
    QTest::addColumn<QString>("text"); // "" the skeleton as started
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("position");
    // The fixed offset falls inside line 12's break: the caret goes to line 13.
    QTest::newRow("skeleton at start") << "" << 273 << "位置 ：     行  13， 列  1";
    QTest::newRow("short text refreshed: caret at its end")
        << QString("MOV ;abc\r\n").repeated(10) << 100 << "位置 ：     行  11， 列  1";
}

void TestMainWindow::colouringAndCaret()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, position);
    MainFixture f;
    if (text.isEmpty()) {
        text = f.text()->text();
        QCOMPARE(text, programSkeleton());
        QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid1.asm"));
        // The document's face is fixed-width and has the Chinese characters.
        installFontSubstitutions();
        const QFontMetrics m(QFont(f.text()->font().family(), f.text()->font().pointSize()));
        QCOMPARE(m.horizontalAdvance(u'i'), m.horizontalAdvance(u'M'));
        QVERIFY(m.inFont(QChar(0x6C47)));
    } else {
        f.text()->setText(text);
        f.main->colours().Fcolor = RGB(0, 0, 200);
        f.main->colours().Currentfcolor = RGB(1, 1, 1);
        f.main->mnuRefresh();
    }
    // Code in its colour, comments from the semicolon to the end of the line.
    const int comment = text.indexOf(u';', text.indexOf(QStringLiteral("MOV")));
    const int lineEnd = text.indexOf(u'\r', comment);
    QCOMPARE(charColor(f.text(), comment - 1), toQColor(f.main->colours().Fcolor));
    QCOMPARE(charColor(f.text(), comment), toQColor(RGB(50, 200, 150)));
    QCOMPARE(charColor(f.text(), lineEnd - 1), toQColor(RGB(50, 200, 150)));
    QCOMPARE(charColor(f.text(), lineEnd + 2), toQColor(f.main->colours().Fcolor));
    QCOMPARE(QPoint(f.text()->selStart(), f.text()->selLength()), QPoint(caret, 0));
    QCOMPARE(f.doc()->statusText(), position);
    QTest::keyClicks(f.text(), QStringLiteral("Z"));
    QCOMPARE(charColor(f.text(), caret), toQColor(RGB(100, 0, 255)));
}

void TestMainWindow::storedColours_data()
{
    QTest::addColumn<QByteArray>("stored"); // cl.dll's bytes in hex, or "-" no file, or a node
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QByteArray>("written"); // what exit leaves behind; "" none
    const QByteArray good("03 00 0a 14 1e 00 03 00 04 05 06 00 03 00 07 08 09 00");
    const QByteArray black("03 00 00 00 00 00 03 00 32 c8 96 00 03 00 64 00 ff 00");
    QTest::newRow("no file: black") << QByteArray("-") << 0 << black;
    QTest::newRow("stored") << good << RGB(10, 20, 30) << good.left(42) + "64 00 ff 00";
    // Another program's file of that name is neither read nor replaced; exit says so.
    for (const QByteArray &other :
         {good + " 78", good.left(50), QByteArray(good).replace(36, 2, "02")})
        QTest::addRow("not ours: %d bytes", int(other.size() / 3 + 1)) << other << 0 << other;
    // Neither read nor written, nor waited on: the write's failure is told.
    QTest::newRow("FIFO") << QByteArray("fifo") << 0 << QByteArray();
    QTest::newRow("symbolic link to a device") << QByteArray("link-to-device") << 0 << QByteArray();
}

// A new document reads the settings file again; exit writes it.
void TestMainWindow::storedColours()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint32, code);
    QFETCH(QByteArray, written);
    MainFixture f;
    const QByteArray settings = QFile::encodeName(f.path(QStringLiteral("cl.dll")));
    const QByteArray node = QFile::encodeName(f.path(QStringLiteral("node")));
    if (stored.contains(' ')) {
        QVERIFY(writeFile(settings, QByteArray::fromHex(stored)));
    } else if (stored == "fifo") {
        QCOMPARE(::mkfifo(settings, 0644), 0);
    } else if (stored.endsWith("device") && ::mknod(node, S_IFCHR | 0666, makedev(1, 5)) != 0) {
        QSKIP("making a device node needs root"); // the test's own, never the system's /dev/zero
    }
    if (stored.startsWith("link"))
        QCOMPARE(::symlink(node, settings), 0);
    struct stat before, after;
    ::stat(settings, &before);
    f.main->colours().Fcolor = RGB(255, 0, 0);
    f.main->Newdocument();
    QCOMPARE(f.main->colours().Fcolor, code);
    QCOMPARE(f.main->colours().Remcolor, code ? RGB(4, 5, 6) : RGB(50, 200, 150));
    QCOMPARE(charColor(f.text(), 0), toQColor(code));
    for (auto answer : {Dialogs::No, Dialogs::No, Dialogs::Ok})
        f.dialogs.answerMsgBox(answer);
    QVERIFY(f.main->close() && f.main->isClosing());
    QCOMPARE(f.dialogs.calls.last().text.contains("cl.dll"),
             written.isEmpty() || written == stored);
    if (!written.isEmpty())
        QCOMPARE(fileBytes(settings).toHex(' '), written);
    else // the failed write is told, the node left as it was
        QVERIFY(f.dialogs.calls.last().text.contains("cl.dll") && ::stat(settings, &after) == 0 &&
                after.st_mode == before.st_mode && after.st_rdev == before.st_rdev);
}

void TestMainWindow::minimisedWindowGivesWay()
{
    MainFixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    f.main->Newdocument();
    f.main->Newdocument();
    const QList<frmDocument *> docs = f.main->documents(); // in the order made
    // An & in a file name shows as itself in the Window list, not as an access key.
    docs[2]->setCaption(f.toolFolder() + QStringLiteral("R&D.asm"));
    // Minimising the active window makes the one used last of those still shown
    // the active document: the Window list marks it, Save writes it, typing reaches it.
    docs[1]->parentWidget()->showMinimized();
    docs[2]->parentWidget()->showMinimized();
    QCOMPARE(f.main->activeDocument(), docs[0]);
    QMenu *window = f.main->findChild<QMenu *>(QStringLiteral("mnuWindow"));
    emit window->aboutToShow();
    QStringList listed;
    for (QAction *a : window->actions())
        if (a->isCheckable())
            listed << a->text() + (a->isChecked() ? "*" : "");
    QCOMPARE(listed, (QStringList{"&1 " + docs[0]->caption() + "*", "&2 " + docs[1]->caption(),
                                  "&3 " + f.toolFolder() + "R&&D.asm"}));
    f.main->mnuFileSave();
    QVERIFY(QFile::exists(docs[0]->caption()) && !QFile::exists(docs[1]->caption()));
    QCOMPARE(QApplication::focusWidget(), docs[0]->Text1);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("#"));
    QVERIFY(docs[0]->Text1->text().contains(u'#') && !docs[1]->Text1->text().contains(u'#'));
    // Choosing an entry activates that window.
    window->actions().last()->trigger();
    QCOMPARE(f.main->activeDocument(), docs[2]);
    // With every window minimised the last one stays active; restored from
    // the list, it takes the keys at once.
    docs[0]->parentWidget()->showMinimized();
    docs[2]->parentWidget()->showMinimized();
    window->actions().last()->trigger();
    QCOMPARE(QApplication::focusWidget(), docs[2]->Text1);
}

// As the user does it: the title bar's minimise button, then the Window menu
// opened and its entry chosen by the mouse, then a key typed.
void TestMainWindow::restoredFromWindowListTakesKeys()
{
    MainFixture f;
    f.main->resize(900, 700);
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    f.main->Newdocument();
    const QList<frmDocument *> docs = f.main->documents();
    QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(docs[1]->parentWidget());
    sub->showNormal();
    sub->resize(500, 300);
    QTest::mouseClick(docs[1]->Text1->viewport(), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), docs[1]->Text1);
    QStyleOptionTitleBar bar;
    bar.initFrom(sub);
    bar.rect = QRect(0, 0, sub->width(),
                     sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub));
    bar.titleBarFlags = sub->windowFlags();
    bar.titleBarState = sub->windowState();
    bar.subControls = QStyle::SC_All;
    const QRect min =
        sub->style()->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarMinButton, sub);
    QTest::mouseMove(sub, min.center());
    QTest::mouseClick(sub, Qt::LeftButton, {}, min.center());
    QTRY_VERIFY(sub->isMinimized());
    QMenu *window = f.main->findChild<QMenu *>(QStringLiteral("mnuWindow"));
    QMenuBar *menuBar = f.main->menuBar();
    QTest::mouseClick(menuBar, Qt::LeftButton, {},
                      menuBar->actionGeometry(window->menuAction()).center());
    QTRY_VERIFY(window->isVisible());
    QAction *entry = window->actions().last();
    QTest::mouseClick(window, Qt::LeftButton, {}, window->actionGeometry(entry).center());
    QTRY_VERIFY(!sub->isMinimized());
    QTRY_COMPARE(QApplication::focusWidget(), docs[1]->Text1);
}

void TestMainWindow::saveQuestion_data()
{
    QTest::addColumn<bool>("exit"); // the program's exit instead of the window's close
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("chosen"); // relative to the tool folder; "-" for no save dialog
    QTest::addColumn<bool>("closes");
    const int yes = Dialogs::Yes, no = Dialogs::No, cancel = Dialogs::Cancel;
    QTest::newRow("no: closes, writes nothing") << false << no << "-" << true;
    QTest::newRow("cancel: stays open") << false << cancel << "-" << false;
    QTest::newRow("yes and a name: writes and closes") << false << yes << "saved.asm" << true;
    QTest::newRow("yes, save dialog cancelled: stays open") << false << yes << "" << false;
    QTest::newRow("yes, unwritable: told, stays open") << false << yes << "no/saved.asm" << false;
    QTest::newRow("cancel in the first question stops exit") << true << cancel << "-" << false;
}

void TestMainWindow::saveQuestion()
{
    QFETCH(bool, exit);
    QFETCH(int, answer);
    QFETCH(QString, chosen);
    QFETCH(bool, closes);
    MainFixture f;
    frmDocument *doc = f.doc();
    const QString caption = doc->caption();
    if (exit)
        f.main->Newdocument();
    doc->Text1->setText(QStringLiteral("MOV AX,BX ;\u6C47\u7F16\r\n"));
    const QString target = chosen.isEmpty() ? QString() : f.path(chosen);
    f.dialogs.answerMsgBox(Dialogs::Answer(answer));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.dialogs.answerSave(target);
    const bool failed = answer == Dialogs::Yes && !closes && !target.isEmpty();

    QCOMPARE(exit ? f.main->close() : doc->close(), closes);

    // One question, naming the file; a failed write is told.
    const auto questions = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(questions.size(), failed ? 2 : 1);
    QVERIFY(questions[0].text.endsWith(caption) && (!failed || questions[1].text.contains(target)));
    QVERIFY(chosen == "-" || f.dialogs.callsOf(QStringLiteral("save"))[0].fileName == caption);
    QCOMPARE(doc->caption(), caption);
    // The text, then one more line break even though it ends with one.
    const QString saved = QStringLiteral("MOV AX,BX ;\u6C47\u7F16\r\n\r\n");
    QCOMPARE(fileBytes(target), answer == Dialogs::Yes && closes ? saved.toUtf8() : QByteArray());
    // Exit stopped: nothing more asked, nothing closed, no settings written.
    QVERIFY(!exit || (f.main->isVisible() && !f.main->isClosing() &&
                      f.main->documents().size() == 2 && !QFile::exists(f.path("cl.dll"))));
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

static frmSplash *splash()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<frmSplash *>(w))
            return s;
    return nullptr;
}

// Runs the program as started, in a folder of its own, with the messages it
// will show and the windows it will ask about (No to each); true when it ended
// well after exactly those.
static bool runProgram(const QStringList &files = {},
                       const QStringList &messages = {"是否保存文件"})
{
    const QString previous = QDir::currentPath();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // No recovery copies of other runs to offer.
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".state"))));
    FakeDialogs dialogs;
    for (int i = 0; i < messages.size(); ++i)
        dialogs.answerMsgBox(Dialogs::No);
    Services services;
    services.dialogs = &dialogs;
    FakeLauncher launcher;
    services.launcher = &launcher;
    const bool ok = Module1(*qApp, services, files) == 0 && QFile::exists(QStringLiteral("cl.dll"));
    QDir::setCurrent(previous);
    QStringList shown;
    for (const FakeDialogs::Call &call : dialogs.calls)
        shown << call.text.section(u'\n', 0, 0).section(u':', 0, 0);
    return ok && dialogs.unexpected.isEmpty() && shown == messages;
}

// Ends the program's run. The splash's show runs the events before the
// program's loop does (Qt shows a splash at once that way), and an exit there
// would be lost: it waits for the loop.
static void endRun()
{
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(1);
    else
        QTimer::singleShot(10, qApp, endRun);
}

// A step of the test inside the program's run. A failed check ends the run at
// once, rather than leave the program waiting for a close that never comes.
static std::function<void()> step(std::function<void()> body)
{
    return [body] {
        body();
        if (QTest::currentTestFailed())
            endRun();
    };
}

// Runs the step, from inside the show, the next time the window shows.
static void onNextShow(QWidget *window, const std::function<void()> &body)
{
    struct Watch : QObject
    {
        std::function<void()> run;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Show) {
                deleteLater();
                const std::function<void()> once = std::exchange(run, nullptr);
                if (once)
                    once();
            }
            return false;
        }
    };
    auto *watch = new Watch;
    watch->setParent(window);
    watch->run = step(body);
    window->installEventFilter(watch);
}

// Runs the step once the start-up's turn that shows the main window has
// ended: the splash is shown again and the files named are open. The
// start-up's timers count from the program's own start, which a busy machine
// puts off by any amount: the test follows what the program does, not the clock.
static void afterStartUp(const std::function<void()> &body)
{
    onNextShow(Mainform, [body] { QTimer::singleShot(0, Mainform, step(body)); });
}

// A dialog of the program's, opened while the splash shows and left open past
// the splash's three seconds: the splash makes way for it and stays away.
static void dialogOverSplash()
{
    QVERIFY(splash()->isVisible());
    QMessageBox box(QMessageBox::Information, QStringLiteral("Korvane"), QStringLiteral("question"),
                    QMessageBox::Ok, Mainform);
    // Gone by the time the dialog has the focus (the splash hears of it first).
    bool focused = false;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &box, [&](QWindow *w) {
        if (w && w == box.windowHandle() && !std::exchange(focused, true))
            QVERIFY(!splash()->isVisible());
    });
    // Three seconds from the main window's showing: past the splash's three
    // seconds from the program's start, with room for the timers' slack.
    QTimer::singleShot(3000, &box, &QMessageBox::accept);
    box.exec();
    QVERIFY(focused);
    Mainform->close();
    QVERIFY(!splash()->isVisible());
}

// The splash gives way to a click, a key and the program's own dialogs.
void TestMainWindow::splashGivesWay()
{
    // As soon as the program runs events: the splash is up, the main window not yet.
    QTimer::singleShot(0, step([] {
                           QVERIFY(Mainform && !Mainform->isVisible() && splash()->isVisible());
                           QTest::mouseClick(splash()->lblVersion, Qt::LeftButton);
                           QVERIFY(!splash()->isVisible());
                           // It comes back with the main window.
                           auto back = std::make_shared<bool>(false);
                           onNextShow(splash(), [back] { *back = Mainform->isVisible(); });
                           afterStartUp([back] {
                               QVERIFY(*back);
                               dialogOverSplash();
                           });
                       }));
    QVERIFY(runProgram());

    // A key closes it too; closing the program during the waits ends it.
    QTimer::singleShot(0, step([] {
                           QTest::keyClick(splash(), Qt::Key_Space);
                           QVERIFY(!splash()->isVisible());
                           afterStartUp([] { Mainform->close(); });
                       }));
    QVERIFY(runProgram());
}

// A run ended by SIGTERM, as at log-out: the next start offers its unsaved
// documents and brings them back byte for byte.
void TestMainWindow::signalKeepsUnsavedWork()
{
    const QByteArray gbk = "; \xBB\xE3\xB1\xE0 \x81\r\nNOP"; // 汇编, and a byte that is no text
    if (qEnvironmentVariableIsSet("KORVANE_TERM_CHILD")) {
        // The run to be ended: a new document and an opened file, both edited,
        // once the main window shows its first document.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&poll] {
            if (!Mainform || !Mainform->activeDocument())
                return;
            poll.stop();
            RichText *rt = Mainform->activeDocument()->Text1;
            rt->setSelStart(rt->textLength());
            QTest::keyClicks(rt, QStringLiteral("MOV AX,1 ;"));
            QInputMethodEvent chinese;
            chinese.setCommitString(QStringLiteral("\u6C47\u7F16"));
            QCoreApplication::sendEvent(rt, &chinese);
            Mainform->Newdocument();
            Mainform->mnuFileOpen();
            QTest::keyClicks(Mainform->activeDocument()->Text1, QStringLiteral("Y"));
            std::puts("ready");
            std::fflush(stdout);
        });
        poll.start(100);
        FakeDialogs dialogs;
        dialogs.answerOpen(QDir::current().filePath(QStringLiteral("gbk.asm")));
        Services services;
        services.dialogs = &dialogs;
        FakeLauncher launcher;
        services.launcher = &launcher;
        Module1(*qApp, services);
        return;
    }
    MainFixture f(false);
    QVERIFY(writeFile(f.path(QStringLiteral("gbk.asm")), gbk));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_TERM_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), f.path(QStringLiteral(".state")));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(f.dir.path());
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("signalKeepsUnsavedWork")});
    QByteArray printed;
    while (!printed.contains("ready\n") && child.waitForReadyRead(60000))
        printed += child.readAllStandardOutput();
    QVERIFY2(printed.contains("ready\n"), printed.constData());
    QCOMPARE(::kill(pid_t(child.processId()), SIGTERM), 0);
    QVERIFY(child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit);
    QVERIFY(QFile::exists(f.path(QStringLiteral("cl.dll"))));

    f.dialogs.answerMsgBox(Dialogs::Yes);
    f.main->Show();
    QTRY_COMPARE(f.main->documents().size(), 3);
    const QString vadid = f.toolFolder() + QStringLiteral("VaDid1.asm");
    const QString offer = f.dialogs.callsOf(QStringLiteral("msgBox")).value(0).text;
    QVERIFY2(offer.contains(QStringLiteral("恢复未保存的文档")) && offer.contains(vadid) &&
                 offer.contains(f.path(QStringLiteral("gbk.asm"))),
             qPrintable(offer));
    for (frmDocument *doc : f.main->documents().mid(1))
        QVERIFY(doc->SavefileMe(doc->caption()));
    QCOMPARE(fileBytes(vadid),
             (programSkeleton() + QStringLiteral("MOV AX,1 ;\u6C47\u7F16\r\n")).toUtf8());
    QCOMPARE(fileBytes(f.path(QStringLiteral("gbk.asm"))), gbk + "Y\r\n");
}

// Files named on the command line open as Open opens them; one that cannot be
// opened is told, and the program starts all the same.
void TestMainWindow::filesFromTheCommandLine()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a b.asm"), "MOV AX,1 ;x\r\n"));
    QTimer::singleShot(0, [&dir] {
        afterStartUp([&dir] {
            const QList<frmDocument *> docs = Mainform->documents();
            QVERIFY(docs.size() == 2 && docs[1] == Mainform->activeDocument());
            QCOMPARE(docs[1]->caption(), QDir::toNativeSeparators(dir.filePath("a b.asm")));
            QCOMPARE(docs[1]->Text1->text(), QStringLiteral("MOV AX,1 ;x"));
            Mainform->close();
        });
    });
    QVERIFY(runProgram({dir.path(), dir.filePath("none.asm"), dir.filePath("a b.asm")},
                       {"无法打开文件：" + dir.path(), "无法打开文件：" + dir.filePath("none.asm"),
                        "是否保存文件", "是否保存文件"}));
}

// On a dark desktop theme whatever the program colours keeps its own colours.
void TestMainWindow::ownColoursOnADarkDesktop()
{
    const auto undo = qScopeGuard([p = QApplication::palette()] { QApplication::setPalette(p); });
    QApplication::setPalette(QPalette(QColor(53, 53, 53), QColor(35, 35, 35))); // white on black
    MainFixture f;
    QVERIFY(
        writeFile(f.path("cl.dll"), QByteArray::fromHex("030010203000030004050600030007080900")));
    f.main->Newdocument();
    QCOMPARE(f.text()->palette().color(QPalette::Text), QColor(16, 32, 48));
    QCOMPARE(f.text()->viewport()->grab().toImage().pixelColor(0, 0), QColor(Qt::white));
    f.main->toolchain().reportWindow()->showText("Report", "x");
    f.main->popinsTip();
    for (QWidget *area : {f.text()->viewport(), f.main->toolchain().reportWindow()->RichText->viewport(),
                          f.main->findChild<frmHint *>()->Hint->viewport(),
                          static_cast<QWidget *>(f.doc()->findChild<QLabel *>())})
        QVERIFY2(area->palette().color(area->foregroundRole()).lightness() < 100 &&
                     area->palette().color(area->backgroundRole()).lightness() > 180,
                 qPrintable(area->parentWidget()->objectName())); // dark on light
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
