#include "debugging/debugcontroller.h"
#include "debugging/debugsession.h"
#include "debugging/debugstate.h"
#include "debugging/registerpanel.h"
#include "debugging/runwindow.h"
#include "debugging/screenview.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "debugged.h"
#include "mainfixture.h"
#include "realtools.h"
#include "toolchain/frmreport.h"
#include "toolchain/toollauncher.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>

// The debugger as a student meets it: the real MASM and LINK build the
// program, the Run menu's keys step through it, and what the program does
// shows in the document, the panels and the messages.
class TestDebugUi : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void stepThroughGreetingAndLoop();
    void stopsInWords_data();
    void stopsInWords();
    void keyTypedIntoScreen_data();
    void keyTypedIntoScreen();
    void keyboardReachesThePanels();
    void interruptLabsThroughTheMenus();
    void graphicsInScreenPanel();
    void editingWhileDebuggingAsks();
    void commandsWhileDebuggingAsk_data();
    void commandsWhileDebuggingAsk();
    void includeFileOpensReadOnly();
    void closingWhileRunning_data();
    void closingWhileRunning();
    void assemblyErrorShowsTheReport();
    void runWindow_data();
    void runWindow();
};

namespace {

// Lines numbered as the editor counts them (1-based).
const char kLoop[] = "data segment\r\n"            // 1
                     "msg db 'Hello$'\r\n"         // 2
                     "data ends\r\n"               // 3
                     "code segment\r\n"            // 4
                     "assume cs:code, ds:data\r\n" // 5
                     "start: mov ax, data\r\n"     // 6
                     "    mov ds, ax\r\n"          // 7
                     "    mov dx, offset msg\r\n"  // 8
                     "    mov ah, 9\r\n"           // 9
                     "    int 21h\r\n"             // 10
                     "    mov cx, 3\r\n"           // 11
                     "again:\r\n"                  // 12
                     "    call bump\r\n"           // 13
                     "    loop again\r\n"          // 14
                     "    cmp ax, ax\r\n"          // 15
                     "    mov ax, 4c00h\r\n"       // 16
                     "    int 21h\r\n"             // 17
                     "bump proc\r\n"               // 18
                     "    inc bx\r\n"              // 19
                     "    ret\r\n"                 // 20
                     "bump endp\r\n"               // 21
                     "code ends\r\n"               // 22
                     "end start";

} // namespace

void TestDebugUi::init()
{
    REQUIRE_REAL_TOOLS();
}

void TestDebugUi::stepThroughGreetingAndLoop()
{
    Debugged d(QString::fromLatin1(kLoop));
    // F11 builds the program and stops on its first line, panels shown.
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 6);
    QVERIFY(d.f.text()->isReadOnly());
    QCOMPARE(d.f.text()->extraSelections().value(0).cursor.blockNumber(), 5);
    QVERIFY(d.f.main->debugger().debugPanels().registersDock->isVisible());
    QCOMPARE(d.f.main->action("mnudebugstart")->text(), QString("继续(&G)"));

    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 7);
    // The data segment lies right below the code: one paragraph of text.
    QCOMPARE(d.registers().ax, quint16(d.registers().cs - 1));
    for (int line : {8, 9, 10}) {
        QVERIFY(stepWith(d, Qt::Key_F11));
        QCOMPARE(d.current(), line);
    }
    // Step over the INT: the greeting is on the screen.
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 11);
    QCOMPARE(d.session()->view().memory.mid(0xB8000, 10), QByteArray("H\x07"
                                                                     "e\x07"
                                                                     "l\x07"
                                                                     "l\x07"
                                                                     "o\x07"));

    // A breakpoint set by a click in the strip stops each pass of the loop.
    DiagnosticStrip *strip = d.f.doc()->Strip;
    const QTextBlock inc = d.f.text()->document()->findBlockByNumber(18);
    d.f.text()->setTextCursor(QTextCursor(inc));
    const QRect caret = d.f.text()->cursorRect();
    QTest::mouseClick(
        strip, Qt::LeftButton, {},
        QPoint(strip->width() / 2,
               strip->mapFromGlobal(d.f.text()->viewport()->mapToGlobal(caret.center())).y()));
    QCOMPARE(strip->breakpoints->lines(), QList<int>{19});
    for (quint16 cx : {3, 2, 1}) {
        QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
        QCOMPARE(d.current(), 19);
        QCOMPARE(d.registers().cx, cx);
    }
    // Out of the procedure, back on the line after its call's.
    QVERIFY(stepWith(d, Qt::ShiftModifier | Qt::Key_F11));
    QCOMPARE(d.current(), 14);
    press(d.f, Qt::Key_F2); // the caret is on line 14 now: a second breakpoint
    QCOMPARE(strip->breakpoints->lines(), (QList<int>{14, 19}));
    d.f.main->mnutogglebreakpoint(); // and off again
    strip->breakpoints->set(19, false);
    QCOMPARE(strip->breakpoints->lines(), QList<int>());
    // The LOOP stepped over runs out; ZF after comparing equal values.
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 15);
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 16);
    QVERIFY(d.registers().flags & 0x40);
    // Run to the caret's line, then on to the end.
    d.f.text()->setTextCursor(QTextCursor(d.f.text()->document()->findBlockByNumber(16)));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F10));
    QCOMPARE(d.current(), 17);
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);
    QCOMPARE(d.f.main->statusBar()->currentMessage(), QString("程序在第 17 行结束，返回码 0。"));
    const DebugPanels &panels = d.f.main->debugger().debugPanels();
    panels.flagsDock->close();
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QVERIFY(!d.f.main->debugger().isDebugging() && !d.f.text()->isReadOnly());
    QVERIFY(!panels.registersDock->isVisible());
    // A panel closed stays closed the next time.
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(panels.registersDock->isVisible() && !panels.flagsDock->isVisible());
    QVERIFY(d.f.dialogs.unexpected.isEmpty());
}

void TestDebugUi::stopsInWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // what the dialog says
    QTest::newRow("division by zero") << oneSegmentProgram("start: mov ax, 5\r\n    mov bl, 0\r\n    div "
                                                 "bl\r\n    mov ax, 4c00h\r\n    int 21h")
                                      << "第 5 行";
    QTest::newRow("jump into nowhere")
        << oneSegmentProgram(
               "start: mov ax, 5000h\r\n    push ax\r\n    xor ax, ax\r\n    push ax\r\n    retf")
        << "第 7 行";
}

void TestDebugUi::stopsInWords()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    Debugged d(text);
    d.f.dialogs.answerMsgBox(Dialogs::Ok);
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!d.f.dialogs.calls.isEmpty(), 60000);
    const QString said = d.f.dialogs.calls.last().text;
    QVERIFY2(said.contains(message), qPrintable(said));
    QVERIFY(d.session()->ended());
}

void TestDebugUi::keyTypedIntoScreen_data()
{
    QTest::addColumn<bool>("capitals");
    QTest::newRow("tools named in small letters") << false;
    QTest::newRow("tools named in capitals, as on a DOS disk") << true;
}

void TestDebugUi::keyTypedIntoScreen()
{
    QFETCH(bool, capitals);
    Debugged d(oneSegmentProgram("start: mov ah, 1\r\n    int 21h\r\n    mov ah, 4ch\r\n    int 21h"),
               capitals);
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session() && d.session()->waitingForKey(), 60000);
    ScreenView *screen = d.f.main->debugger().debugPanels().screen;
    QVERIFY(screen->isVisible());
    QTest::keyClicks(screen, QStringLiteral("Z"));
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);
    // The key came back as the program's exit code, and echoed on the screen.
    QCOMPARE(d.f.main->statusBar()->currentMessage(), QString("程序在第 6 行结束，返回码 90。"));
    QCOMPARE(d.session()->view().memory.at(0xB8000), 'Z');
}

// The interrupt labs through the Run menu's keys: a breakpoint in an INT 9
// handler stops when a key is typed into 屏幕, and F11 steps a routine copied to 0000:0200 an instruction
// at a time until it returns to the source.
void TestDebugUi::interruptLabsThroughTheMenus()
{
    Debugged keys(oneSegmentProgram("old dd ?\r\n"                   // 3
                          "start: push cs\r\n"             // 4
                          "    pop ds\r\n"                 // 5
                          "    assume ds:code\r\n"         // 6
                          "    mov ax, 3509h\r\n"          // 7
                          "    int 21h\r\n"                // 8
                          "    mov word ptr old, bx\r\n"   // 9
                          "    mov word ptr old+2, es\r\n" // 10
                          "    mov dx, offset keyint\r\n"  // 11
                          "    mov ax, 2509h\r\n"          // 12
                          "    int 21h\r\n"                // 13
                          "    mov ah, 0\r\n"              // 14
                          "    int 16h\r\n"                // 15
                          "    lds dx, old\r\n"            // 16
                          "    mov ax, 2509h\r\n"          // 17
                          "    int 21h\r\n"                // 18
                          "    mov ax, 4c00h\r\n"          // 19
                          "    int 21h\r\n"                // 20
                          "keyint: push ax\r\n"            // 21
                          "    in al, 60h\r\n"             // 22
                          "    pop ax\r\n"                 // 23
                          "    jmp cs:old"));              // 24
    QVERIFY(stepWith(keys, Qt::Key_F11));
    QCOMPARE(keys.current(), 4);
    keys.f.text()->setTextCursor(QTextCursor(keys.f.text()->document()->findBlockByNumber(21)));
    press(keys.f, Qt::Key_F2);
    press(keys.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY(keys.session()->running());
    QTest::qWait(300); // the program waits for its key, its handler in place
    QTest::keyClicks(keys.f.main->debugger().debugPanels().screen, QStringLiteral("q"));
    QTRY_VERIFY_WITH_TIMEOUT(!keys.session()->running() && keys.current() == 22, 20000);
    QCOMPARE(keys.registers().ax & 0xFF00, 0); // AH still 0: INT 16h waits on
    // Chained to the BIOS, the key reaches INT 16h; the program puts the
    // vector back and ends before the key's release comes.
    press(keys.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(keys.session()->ended(), 20000);
    QCOMPARE(keys.f.main->statusBar()->currentMessage(), QString("程序在第 20 行结束，返回码 0。"));
    press(keys.f, Qt::ShiftModifier | Qt::Key_F5);

    Debugged copied(oneSegmentProgram("start: push cs\r\n"                                   // 3
                            "    pop ds\r\n"                                       // 4
                            "    mov ax, 0\r\n"                                    // 5
                            "    mov es, ax\r\n"                                   // 6
                            "    mov di, 200h\r\n"                                 // 7
                            "    mov si, offset rout\r\n"                          // 8
                            "    mov cx, offset routend - offset rout\r\n"         // 9
                            "    rep movsb\r\n"                                    // 10
                            "    mov word ptr es:[7ch*4], 200h\r\n"                // 11
                            "    mov word ptr es:[7ch*4+2], 0\r\n"                 // 12
                            "    int 7ch\r\n"                                      // 13
                            "    mov ax, 4c00h\r\n"                                // 14
                            "    int 21h\r\n"                                      // 15
                            "rout: mov bx, 1234h\r\n"                              // 16
                            "    iret\r\n"                                         // 17
                            "routend:"));
    copied.f.text()->setTextCursor(QTextCursor(copied.f.text()->document()->findBlockByNumber(12)));
    QVERIFY(stepWith(copied, Qt::ControlModifier | Qt::Key_F10));
    QCOMPARE(copied.current(), 13);
    for (int i = 0; i < 2; ++i) {
        press(copied.f, Qt::Key_F11);
        QTRY_VERIFY_WITH_TIMEOUT(copied.session() && !copied.session()->running() &&
                                     copied.f.main->statusBar()->currentMessage().contains(
                                         QStringLiteral("没有源程序的代码（0000:020%1）").arg(i * 3)),
                                 20000);
    }
    QCOMPARE(copied.registers().bx, quint16(0x1234));
    QVERIFY(stepWith(copied, Qt::Key_F11));
    QCOMPARE(copied.current(), 14);
}

// F7 takes the focus from the text to each panel on the screen and back;
// each value a panel gets the focus at reads with its name.
void TestDebugUi::keyboardReachesThePanels()
{
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    press(d.f, Qt::Key_F7);
    QTRY_VERIFY(QApplication::focusWidget() != d.f.text());
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(d.f.main->debugger().debugPanels().registersDock->isAncestorOf(focus));
    QCOMPARE(QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name),
             QStringLiteral("AX %1").arg(d.registers().ax, 4, 16, QChar(u'0')).toUpper());
    QSet<QDockWidget *> reached{d.f.main->debugger().debugPanels().registersDock};
    for (int i = 0; i < 6 && QApplication::focusWidget() != d.f.text(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
        for (QDockWidget *dock : d.f.main->debugger().debugPanels().docks())
            if (dock->isAncestorOf(QApplication::focusWidget()))
                reached << dock;
    }
    QCOMPARE(QApplication::focusWidget(), d.f.text());
    // Registers, flags, stack and whichever of memory and screen is in front.
    QCOMPARE(reached.size(), 4);
    // The panels share the window: it has not grown past the screen for them.
    const QRect screen = d.f.main->screen()->availableGeometry();
    QVERIFY2(screen.contains(d.f.main->frameGeometry()),
             qPrintable(QStringLiteral("%1x%2 on %3x%4")
                            .arg(d.f.main->frameGeometry().width())
                            .arg(d.f.main->frameGeometry().height())
                            .arg(screen.width())
                            .arg(screen.height())));
}

// Mode 13h stays under the debugger: the 屏幕 panel shows the picture, the
// top half in colour 1 made red through the DAC.
void TestDebugUi::graphicsInScreenPanel()
{
    Debugged d(oneSegmentProgram("start: mov ax, 13h\r\n    int 10h\r\n    mov ax, 1010h\r\n"
                       "    mov bx, 1\r\n    mov dh, 63\r\n    mov cx, 0\r\n    int 10h\r\n"
                       "    mov ax, 0a000h\r\n    mov es, ax\r\n    xor di, di\r\n"
                       "    mov al, 1\r\n    mov cx, 32000\r\n    rep stosb\r\n"
                       "    mov ah, 0\r\n    int 16h\r\n    mov ax, 4c00h\r\n    int 21h"));
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session() && d.session()->waitingForKey(), 60000);
    ScreenView *screen = d.f.main->debugger().debugPanels().screen;
    QVERIFY(screen->isVisible());
    const QImage image = screen->grab().toImage();
    // The picture is 4:3, centred: a quarter of its height above and below the middle.
    const qreal quarter =
        std::min((screen->width() - 4) / 4.0, (screen->height() - 4) / 3.0) * 0.75;
    const QPoint middle = screen->rect().center();
    QCOMPARE(image.pixelColor(middle - QPoint(0, int(quarter))), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(middle + QPoint(0, int(quarter))), QColor(Qt::black));
    // A picture is scaled down to the panel's room, where text would scroll.
    QVERIFY(screen->minimumSize().height() < screen->sizeHint().height() / 2);
    QTest::keyClicks(screen, QStringLiteral("Z"));
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);
}

void TestDebugUi::editingWhileDebuggingAsks()
{
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    const QString before = d.f.text()->text();
    // No: the text stays as it is, debugging goes on.
    d.f.dialogs.answerMsgBox(Dialogs::No);
    QTest::keyClicks(d.f.text(), QStringLiteral("x"));
    QCOMPARE(d.f.text()->text(), before);
    QVERIFY(d.f.main->debugger().isDebugging());
    // Yes: debugging stops and the key is typed.
    d.f.dialogs.answerMsgBox(Dialogs::Yes);
    QTest::keyClicks(d.f.text(), QStringLiteral("x"));
    QVERIFY(!d.f.main->debugger().isDebugging());
    QCOMPARE(d.f.text()->text().size(), before.size() + 1);
    QCOMPARE(d.f.dialogs.calls.size(), 2);
}

// The editing commands change the text past its read-only state: each asks
// first, as a typed key does.
void TestDebugUi::commandsWhileDebuggingAsk_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("paste") << QStringLiteral("mnuEditPaste");
    QTest::newRow("cut") << QStringLiteral("mnuEditCut");
    QTest::newRow("delete") << QStringLiteral("mnudelete");
    QTest::newRow("case") << QStringLiteral("mnuUpLow");
    QTest::newRow("indent") << QStringLiteral("mnurightgo");
}

void TestDebugUi::commandsWhileDebuggingAsk()
{
    QFETCH(QString, command);
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QApplication::clipboard()->setText(QStringLiteral("NOP\r\n"));
    d.f.text()->setSelStart(0);
    d.f.text()->setSelLength(3);
    const QString before = d.f.text()->text();
    const auto calls = d.f.dialogs.calls.size();
    // No: nothing changes, debugging goes on.
    d.f.dialogs.answerMsgBox(Dialogs::No);
    d.f.main->action(command)->trigger();
    QCOMPARE(d.f.text()->text(), before);
    QVERIFY(d.f.main->debugger().isDebugging());
    QCOMPARE(d.f.dialogs.calls.size(), calls + 1);
    QVERIFY(d.f.dialogs.calls.last().text.contains(QStringLiteral("调试时不能修改源程序")));
    // Yes: debugging stops and the command does its work.
    d.f.dialogs.answerMsgBox(Dialogs::Yes);
    d.f.main->action(command)->trigger();
    QVERIFY(!d.f.main->debugger().isDebugging());
    QVERIFY(d.f.text()->text() != before);
    QVERIFY(!d.f.text()->isReadOnly());
}

// Stepping into a procedure of an INCLUDE file beside the saved source opens
// that file at its line, read-only until debugging stops.
void TestDebugUi::includeFileOpensReadOnly()
{
    Debugged d(oneSegmentProgram("start: call twice\r\n    mov ax, 4c00h\r\n    int 21h\r\n"
                       "include procs.inc"));
    QVERIFY(QDir().mkpath(d.f.path("src")));
    QVERIFY(writeFile(d.f.path("src/procs.inc"), "; shared\r\ntwice proc\r\n    inc bx\r\n"
                                                 "    inc bx\r\n    ret\r\ntwice endp\r\n"));
    const QString source = d.f.path("src/prog.asm");
    QVERIFY(d.f.doc()->SavefileMe(source));
    d.f.doc()->setCaption(source);
    QVERIFY(stepWith(d, Qt::Key_F11));
    frmDocument *main = d.f.doc();
    QVERIFY(stepWith(d, Qt::Key_F11));
    frmDocument *included = d.f.doc();
    QVERIFY(included != main);
    QCOMPARE(QFileInfo(included->caption()).fileName(), QString("procs.inc"));
    QCOMPARE(included->Strip->breakpoints->current(), 3);
    QVERIFY(included->Text1->isReadOnly() && main->Text1->isReadOnly());
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QVERIFY(!included->Text1->isReadOnly() && !main->Text1->isReadOnly());
}

void TestDebugUi::closingWhileRunning_data()
{
    QTest::addColumn<bool>("main"); // the main window, else the document
    QTest::newRow("document") << false;
    QTest::newRow("main window") << true;
}

// A program that never ends, its window closed while it runs: the run ends
// with it, nothing is left waiting.
void TestDebugUi::closingWhileRunning()
{
    QFETCH(bool, main);
    Debugged d(oneSegmentProgram("start: jmp start"));
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session() && d.session()->running(), 60000);
    QTRY_VERIFY(d.f.main->action("mnupausedebug")->isEnabled());
    d.f.dialogs.answerMsgBox(Dialogs::No); // not saved
    if (main) {
        d.f.main->close();
        QVERIFY(d.f.main->isClosing());
    } else {
        d.f.doc()->parentWidget()->close();
        QTRY_VERIFY(d.f.main->documents().isEmpty());
    }
    QTRY_VERIFY(!d.f.main->debugger().isDebugging());
    QVERIFY(!d.f.main->action("mnupausedebug")->isEnabled());
}

// A program the assembler refuses does not start: the usual report tells why.
void TestDebugUi::assemblyErrorShowsTheReport()
{
    Debugged d(oneSegmentProgram("start: mov ax, bogus\r\n    int 21h"));
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(d.f), 60000);
    QVERIFY(shownReport(d.f)->shownText().contains("error A2009"));
    QVERIFY(!d.f.main->debugger().isDebugging() && !d.f.text()->isReadOnly());
    QCOMPARE(d.f.doc()->Strip->marks().size(), 1);
}

void TestDebugUi::runWindow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // on the window's screen; empty: DOSBox runs it
    QTest::newRow("GBK greeting")
        << oneSegmentProgram("msg db 0C4h,0E3h,0BAh,0C3h,'$'\r\nstart: push cs\r\n    pop ds\r\n    mov dx, "
                   "offset msg\r\n    mov ah, 9\r\n    int 21h\r\n    mov ax, 4c00h\r\n    int 21h")
        << "你好";
    QTest::newRow("a video mode the machine lacks")
        << oneSegmentProgram("start: mov ax, 0fh\r\n    int 10h\r\n    mov ax, 4c00h\r\n    int 21h") << "";
}

void TestDebugUi::runWindow()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    Debugged d(text);
    press(d.f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(d.f), 60000);
    d.f.dialogs.answerMsgBox(Dialogs::Ok);
    press(d.f, Qt::ControlModifier | Qt::Key_L);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(d.f.path("TEMP_F.EXE")), 60000);
    d.f.main->mnurun();
    if (shown.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(!d.dosbox.calls.isEmpty(), 60000);
        QVERIFY(d.dosbox.calls.last().commandLine.toUpper().contains("TEMP_F.EXE"));
        QVERIFY(d.f.main->statusBar()->currentMessage().contains("DOSBox"));
        QVERIFY(d.f.main->findChildren<RunWindow *>().isEmpty());
        return;
    }
    QTRY_VERIFY(!d.f.main->findChildren<RunWindow *>().isEmpty());
    RunWindow *window = d.f.main->findChildren<RunWindow *>().first();
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<QLabel *>() &&
                                 window->findChild<QLabel *>()->text().contains("程序已结束"),
                             60000);
    ScreenView *screen = window->findChild<ScreenView *>();
    QVERIFY2(screen->text().contains(shown), qPrintable(screen->text()));
    QVERIFY(d.dosbox.calls.isEmpty());
    // With the option, F5 goes to DOSBox as it always did.
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY(d.f.main->findChildren<RunWindow *>().isEmpty());
    d.f.main->action("mnuf5dosbox")->setChecked(true);
    d.f.main->mnurun();
    QCOMPARE(d.dosbox.calls.size(), 1);
}

QTEST_MAIN(TestDebugUi)
#include "tst_debugui.moc"
