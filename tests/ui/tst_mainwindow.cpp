#include "app/colors.h"
#include "documents/skeleton.h"
#include "mainfixture.h"
#include "platform/twips.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startupOpensColouredSkeleton();
    void optionMarksAtStart_data();
    void optionMarksAtStart();
    void toolPathsFollowWorkingDirectory();
    void firstWindowPlacement();
    void newDocumentsAreCountedNeverReused();
    void newDocumentReloadsStoredColours_data();
    void newDocumentReloadsStoredColours();
    void refreshRecoloursAndResetsTyping_data();
    void refreshRecoloursAndResetsTyping();
    void exitWithoutSettingsFileWritesDefaults();
    void settingsFileThatIsNoFile_data();
    void settingsFileThatIsNoFile();
    void minimisedWindowGivesWay();
    void cancelInFirstPromptStopsExit();
    void saveQuestion_data();
    void saveQuestion();
    void stripext_data();
    void stripext();
    void layoutKeepsStripAndSurvivesTinyWindow();
    void caretMoveUpdatesPosition();
};

void TestMainWindow::startupOpensColouredSkeleton()
{
    MainFixture f;
    QCOMPARE(f.main->windowTitle(), QStringLiteral("Korvane  2.20"));
    QCOMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid1.asm"));
    const QString text = f.text()->text();
    QCOMPARE(text, programSkeleton());
    QCOMPARE(text.size(), 868);

    // Code black, comments from the semicolon to the end of the line.
    const int comment = text.indexOf(QStringLiteral(";Let DS"));
    QCOMPARE(charColor(f.text(), comment - 1), toQColor(RGB(0, 0, 0)));
    QCOMPARE(charColor(f.text(), comment), toQColor(RGB(50, 200, 150)));
    const int lineEnd = text.indexOf(QLatin1Char('\r'), comment);
    QCOMPARE(charColor(f.text(), lineEnd - 1), toQColor(RGB(50, 200, 150)));
    QCOMPARE(charColor(f.text(), lineEnd + 2), toQColor(RGB(0, 0, 0)));

    // The fixed offset falls inside line 12's break: the caret goes to line 13.
    QCOMPARE(f.text()->selStart(), 273);
    QCOMPARE(f.doc()->statusText(), QStringLiteral("位置 ：     行  13， 列  1"));
    QCOMPARE(f.main->Currentfcolor, RGB(100, 0, 255));
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestMainWindow::optionMarksAtStart_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("checked");
    QTest::newRow("save prompt") << "mnusavetip" << false;
    QTest::newRow("listing") << "mnumakelist" << true;
    QTest::newRow("cross reference") << "mnumakecross" << false;
    QTest::newRow("map") << "mnumakemap" << false;
    QTest::newRow("library") << "mnuuselib" << false;
    QTest::newRow("parameters") << "mnuparameter" << false;
    QTest::newRow("right indent") << "mnurightgo" << false;
    QTest::newRow("toolbar shown") << "mnuViewToolbar" << true;
    QTest::newRow("status bar shown") << "mnuViewStatusBar" << true;
}

void TestMainWindow::optionMarksAtStart()
{
    QFETCH(QString, item);
    QFETCH(bool, checked);
    MainFixture f;
    QVERIFY(f.main->action(item));
    QCOMPARE(f.main->action(item)->isChecked(), checked);
}

void TestMainWindow::toolPathsFollowWorkingDirectory()
{
    MainFixture f;
    QCOMPARE(f.main->Masmpath, f.toolFolder() + QStringLiteral("masm.exe"));
    QCOMPARE(f.main->Linkpath, f.toolFolder() + QStringLiteral("link.exe"));
    QCOMPARE(f.main->Debugpath, f.toolFolder() + QStringLiteral("debug.exe"));
    QCOMPARE(f.main->Toolfolder, f.toolFolder());
    QCOMPARE(f.main->Indentwidth, qint16(8));
    QCOMPARE(f.main->Saveascancel, false);
}

void TestMainWindow::firstWindowPlacement()
{
    MainFixture f;
    const int w = f.main->width();
    const int h = f.main->height();
    QMdiSubWindow *first = f.main->mdiArea()->subWindowList().first();
    QCOMPARE(first->geometry(), QRect(w / 6, h / 20, 2 * w / 3, 2 * h / 3));
}

void TestMainWindow::newDocumentsAreCountedNeverReused()
{
    MainFixture f;
    f.main->action(QStringLiteral("mnuFileNew"))->trigger();
    f.main->Newdocument();
    QCOMPARE(f.main->documents().size(), 3);
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid3.asm"));
    for (int i = 0; i < 3; ++i)
        f.dialogs.answerMsgBox(Dialogs::No);
    for (QMdiSubWindow *sub : f.main->mdiArea()->subWindowList())
        QVERIFY(sub->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.main->documents().isEmpty());
    f.main->Newdocument();
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid4.asm"));
    QCOMPARE(f.main->Doccount, 4);
    QCOMPARE(f.main->Newdoc.data(), f.doc());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestMainWindow::newDocumentReloadsStoredColours_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("no settings file: black") << false;
    QTest::newRow("settings file: its colour") << true;
}

void TestMainWindow::newDocumentReloadsStoredColours()
{
    QFETCH(bool, stored);
    MainFixture f;
    const qint32 storedCode = RGB(10, 20, 30);
    if (stored) {
        QFile file(f.path(QStringLiteral("cl.dll")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const char bytes[] = {3, 0, 10, 20, 30, 0, 3, 0, 1, 2, 3, 0, 3, 0, 4, 5, 6, 0};
        file.write(bytes, sizeof bytes);
    }
    f.main->Fcolor = RGB(255, 0, 0);
    f.main->Newdocument();
    const qint32 expected = stored ? storedCode : RGB(0, 0, 0);
    QCOMPARE(f.main->Fcolor, expected);
    QCOMPARE(charColor(f.text(), 0), toQColor(expected));
}

void TestMainWindow::refreshRecoloursAndResetsTyping_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("caret");
    QTest::newRow("short text: caret at its end") << 100 << 100;
    QTest::newRow("long text: caret at the fixed offset") << 400 << 272;
}

void TestMainWindow::refreshRecoloursAndResetsTyping()
{
    QFETCH(int, length);
    QFETCH(int, caret);
    MainFixture f;
    // Lines of 8 characters plus CR LF, comment in the second half of each.
    QString text;
    while (text.size() < length)
        text += QStringLiteral("MOV ;abc\r\n");
    text.truncate(length);
    f.text()->setText(text);
    f.main->Fcolor = RGB(0, 0, 200);
    f.main->Currentfcolor = RGB(1, 1, 1);
    f.main->mnuRefresh();
    QCOMPARE(charColor(f.text(), 0), toQColor(RGB(0, 0, 200)));
    QCOMPARE(charColor(f.text(), 4), toQColor(RGB(50, 200, 150)));
    QCOMPARE(f.text()->selStart(), caret);
    QCOMPARE(f.text()->selLength(), 0);
    QVERIFY(f.doc()->statusText().startsWith(QStringLiteral("位置 ：     行 ")));

    QTest::keyClicks(f.text(), QStringLiteral("Z"));
    QCOMPARE(f.text()->text().mid(caret, 1), QStringLiteral("Z"));
    QCOMPARE(charColor(f.text(), caret), toQColor(RGB(100, 0, 255)));
}

void TestMainWindow::exitWithoutSettingsFileWritesDefaults()
{
    MainFixture f;
    QVERIFY(!QFile::exists(f.path(QStringLiteral("cl.dll"))));
    f.dialogs.answerMsgBox(Dialogs::No);
    QVERIFY(f.main->close());
    QCOMPARE(fileBytes(f.path(QStringLiteral("cl.dll"))).toHex(' '),
             QByteArray("03 00 00 00 00 00 03 00 32 c8 96 00 03 00 64 00 ff 00"));
    QVERIFY(f.main->isClosing());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestMainWindow::settingsFileThatIsNoFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("symbolic link to a FIFO") << "link to fifo";
    QTest::newRow("symbolic link to a device node") << "link to device";
}

void TestMainWindow::settingsFileThatIsNoFile()
{
    QFETCH(QString, kind);
    MainFixture f(false);
    const QByteArray settings = QFile::encodeName(f.path(QStringLiteral("cl.dll")));
    const QByteArray node = QFile::encodeName(f.path(QStringLiteral("node")));
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(settings.constData(), 0644), 0);
    } else if (kind == QLatin1String("link to fifo")) {
        QCOMPARE(::mkfifo(node.constData(), 0644), 0);
        QCOMPARE(::symlink(node.constData(), settings.constData()), 0);
    } else {
        // A device node of the test's own, never the system's /dev/zero.
        if (::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 5)) != 0)
            QSKIP("making a device node needs root");
        QCOMPARE(::symlink(node.constData(), settings.constData()), 0);
    }
    struct stat before;
    QCOMPARE(::stat(settings.constData(), &before), 0);
    // Start-up does not wait on the name: the colours are the defaults.
    f.main->Show();
    QCOMPARE(f.main->Remcolor, RGB(50, 200, 150));
    f.dialogs.answerMsgBox(Dialogs::No);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QVERIFY(f.main->close());
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 2);
    QVERIFY(boxes[1].text.contains(QStringLiteral("cl.dll")));
    struct stat after;
    QCOMPARE(::stat(settings.constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    QCOMPARE(after.st_rdev, before.st_rdev);
}

void TestMainWindow::minimisedWindowGivesWay()
{
    MainFixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    frmDocument *first = f.doc();
    f.main->Newdocument();
    frmDocument *second = f.doc();
    QVERIFY(first != second);
    // Minimising the active window makes the other one the active document:
    // Save writes it, the Window list marks it, typing reaches it.
    second->parentWidget()->showMinimized();
    QCOMPARE(f.main->activeDocument(), first);
    f.main->mnuFileSave();
    QVERIFY(QFile::exists(first->caption()));
    QVERIFY(!QFile::exists(second->caption()));
    QMenu *window = f.main->findChild<QMenu *>(QStringLiteral("mnuWindow"));
    emit window->aboutToShow();
    for (QAction *a : window->actions()) {
        if (a->isCheckable() && a->text().contains(QStringLiteral("VaDid")))
            QCOMPARE(a->isChecked(), a->text().endsWith(first->caption()));
    }
    QVERIFY2(QApplication::focusWidget() == first->Text1,
             QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                         : "no focus");
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("#"));
    QVERIFY(first->Text1->text().contains(QLatin1Char('#')));
    QVERIFY(!second->Text1->text().contains(QLatin1Char('#')));
}

void TestMainWindow::cancelInFirstPromptStopsExit()
{
    MainFixture f;
    f.main->Newdocument();
    f.dialogs.answerMsgBox(Dialogs::Cancel);
    QVERIFY(!f.main->close());
    QCOMPARE(f.main->documents().size(), 2);
    QVERIFY(f.main->isVisible());
    QVERIFY(!f.main->isClosing());
    QVERIFY(!QFile::exists(f.path(QStringLiteral("cl.dll"))));
    // Only the first window was asked.
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("msgBox")).size(), 1);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestMainWindow::saveQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("chosen"); // relative to the tool folder; "-" for no save dialog
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    QTest::newRow("no: closes, writes nothing") << int(Dialogs::No) << "-" << true << false;
    QTest::newRow("cancel: stays open") << int(Dialogs::Cancel) << "-" << false << false;
    QTest::newRow("yes and a name: writes and closes")
        << int(Dialogs::Yes) << "saved.asm" << true << true;
    QTest::newRow("yes, save dialog cancelled: stays open")
        << int(Dialogs::Yes) << "" << false << false;
    QTest::newRow("yes, unwritable path: stays open")
        << int(Dialogs::Yes) << "no-such-folder/saved.asm" << false << false;
}

void TestMainWindow::saveQuestion()
{
    QFETCH(int, answer);
    QFETCH(QString, chosen);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    MainFixture f;
    frmDocument *doc = f.doc();
    const QString caption = doc->caption();
    f.text()->setText(QStringLiteral("MOV AX,BX ;\u6C47\u7F16\r\n"));
    f.dialogs.answerMsgBox(Dialogs::Answer(answer));
    const QString target = chosen.isEmpty() ? QString() : f.path(chosen);
    if (chosen != QLatin1String("-"))
        f.dialogs.answerSave(target);
    // A write that fails is told.
    const bool failed = !closes && !chosen.isEmpty() && chosen != QLatin1String("-");
    if (failed)
        f.dialogs.answerMsgBox(Dialogs::Ok);

    QCOMPARE(doc->close(), closes);

    const auto questions = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(questions.size(), failed ? 2 : 1);
    if (failed)
        QVERIFY(questions[1].text.contains(target));
    QCOMPARE(questions[0].text, QStringLiteral("是否保存文件:") + caption);
    QCOMPARE(questions[0].title, QStringLiteral("是否保存"));
    QCOMPARE(questions[0].buttons, int(Dialogs::YesNoCancel));
    QCOMPARE(questions[0].icon, int(Dialogs::NoIcon));
    if (chosen != QLatin1String("-")) {
        const auto saves = f.dialogs.callsOf(QStringLiteral("save"));
        QCOMPARE(saves.size(), 1);
        QCOMPARE(saves[0].title, QStringLiteral("保存"));
        QCOMPARE(saves[0].fileName, caption);
        QCOMPARE(
            saves[0].filter,
            QStringLiteral("汇编源程序(*.asm)|*.asm|文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*"));
    }
    QCOMPARE(doc->caption(), caption);
    if (written) {
        // The text, then one more line break even though it ends with one.
        QCOMPARE(fileBytes(target), QStringLiteral("MOV AX,BX ;\u6C47\u7F16\r\n\r\n").toUtf8());
    } else if (!target.isEmpty()) {
        QVERIFY(!QFile::exists(target));
    }
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestMainWindow::stripext_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("asm extension") << "/tools/Temp_F.asm"
                                   << "/tools/Temp_F";
    QTest::newRow("no dot in the last component") << "/tools.d/README"
                                                  << "/tools.d/README";
    QTest::newRow("only the last extension") << "/a/prog.tar.gz"
                                             << "/a/prog.tar";
    QTest::newRow("Windows path") << "C:\\MASM\\PROG.ASM"
                                  << "C:\\MASM\\PROG";
    QTest::newRow("trailing dot keeps the name") << "/a/prog."
                                                 << "/a/prog.";
}

void TestMainWindow::stripext()
{
    QFETCH(QString, path);
    QFETCH(QString, stripped);
    MainFixture f(false);
    QCOMPARE(f.main->Stripext(path), stripped);
}

void TestMainWindow::layoutKeepsStripAndSurvivesTinyWindow()
{
    MainFixture f;
    frmDocument *doc = f.doc();
    doc->resize(400, 300);
    const int strip = twipsX(doc, 240);
    QCOMPARE(f.text()->x(), strip);
    QCOMPARE(f.text()->width(), 400 - strip);
    QCOMPARE(f.text()->height() + doc->StatusBar->height(), 300);
    const QSize before = f.text()->size();
    doc->resize(strip - 5, 300);
    QCOMPARE(f.text()->size(), before);
}

void TestMainWindow::caretMoveUpdatesPosition()
{
    MainFixture f;
    QTest::keyClick(f.text(), Qt::Key_Down);
    QCOMPARE(f.doc()->statusText(), QStringLiteral("当前位置 ：     行  14， 列  1"));
    QTest::keyClick(f.text(), Qt::Key_Down);
    QTest::keyClick(f.text(), Qt::Key_Right);
    QTest::keyClick(f.text(), Qt::Key_Right);
    QCOMPARE(f.doc()->statusText(), QStringLiteral("当前位置 ：     行  15， 列  3"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
