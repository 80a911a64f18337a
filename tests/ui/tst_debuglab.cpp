#include "debugged.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "debugging/memorypanel.h"
#include "debugging/screenview.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "realtools.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <QHelpEvent>
#include <QTextBlock>

// A lab session at the debugger: what a student does between the steps
// (moving about the text, opening a file, debugging the next program, a
// program that polls the keyboard) and what the panels then show.
class TestDebugLab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void startsAsDebugDoes_data();
    void startsAsDebugDoes();
    void pollingProgram_data();
    void pollingProgram();
    void caretAndBreakpointsWhileDebugging();
    void openAsksFirst();
    void runWaitsForTheDebugging();
    void stepByInstruction();
    void changeWhatTheProgramSees();
    void watchesByName();
    void watchAfterASort();
};

namespace {

// An .EXE with data and a stack of 16 words: DEBUG's R shows CX=003B.
const char kExe[] = "data segment\r\n"
                    "msg db 'Hi$'\r\n"
                    "data ends\r\n"
                    "stk segment stack\r\n"
                    "dw 16 dup(0)\r\n"
                    "stk ends\r\n"
                    "code segment\r\n"
                    "assume cs:code, ds:data, ss:stk\r\n"
                    "start: mov ax, data\r\n" // 9
                    "    mov ds, ax\r\n"
                    "    push ax\r\n"          // 11
                    "    mov ax, 4c00h\r\n"    // 12
                    "    int 21h\r\n"
                    "code ends\r\n"
                    "end start";

// A .COM of six bytes: DEBUG's R shows CX=0006 and SP=FFFE.
const char kCom[] = "code segment\r\n"
                    "assume cs:code\r\n"
                    "org 100h\r\n"
                    "start: push ax\r\n"     // 4
                    "    mov ax, 4c00h\r\n"  // 5
                    "    int 21h\r\n"
                    "code ends\r\n"
                    "end start";

// Counts in the first cells of the screen while it polls the keyboard with
// INT 16h 01h, and ends with the key's character as its exit code. DEBUG's
// R shows CX=001F.
const char kPoll[] = "code segment\r\n"
                     "assume cs:code\r\n"
                     "start: mov ax, 0b800h\r\n"
                     "    mov es, ax\r\n"
                     "    xor bx, bx\r\n"
                     "    xor di, di\r\n"
                     "wait:\r\n"
                     "    inc bx\r\n"
                     "    mov es:[di], bl\r\n"
                     "    mov es:[di+2], bh\r\n"
                     "    mov ah, 1\r\n"
                     "    int 16h\r\n"
                     "    jz wait\r\n"
                     "    mov ah, 0\r\n"
                     "    int 16h\r\n"
                     "    mov ah, 4ch\r\n"
                     "    int 21h\r\n"
                     "code ends\r\n"
                     "end start";

// A macro of two instructions and a REP MOVSB, which 单步一条指令 goes into.
const char kCopy[] = "point macro\r\n"
                     "    mov si, offset src\r\n"
                     "    mov di, offset dst\r\n"
                     "endm\r\n"
                     "data segment\r\n"
                     "src db 'ABC'\r\n"
                     "dst db 3 dup(0)\r\n"
                     "data ends\r\n"
                     "code segment\r\n"
                     "assume cs:code, ds:data, es:data\r\n"
                     "start: mov ax, data\r\n" // 11
                     "    mov ds, ax\r\n"
                     "    mov es, ax\r\n"
                     "    point\r\n"           // 14
                     "    mov cx, 3\r\n"
                     "    cld\r\n"
                     "    rep movsb\r\n"       // 17
                     "    mov ax, 4c00h\r\n"   // 18
                     "    int 21h\r\n"
                     "code ends\r\n"
                     "end start";

template <typename T> T *panelPart(Debugged &d, const char *name)
{
    return d.f.main->findChild<T *>(QString::fromLatin1(name));
}

QString registerShown(Debugged &d, const char *name)
{
    return panelPart<QLabel>(d, name)->text();
}

int stackWordsShown(Debugged &d)
{
    const QString words = panelPart<QPlainTextEdit>(d, "words")->toPlainText();
    return words.isEmpty() ? 0 : int(words.count(u'\n')) + 1;
}

// The debugger ran another program first and was left looking at
// 0000:0400, deep in its stack.
void debugAnotherProgramFirst(Debugged &d)
{
    const QString text = d.f.text()->text();
    d.f.text()->setText(oneSegmentProgram(
        "start: mov cx, 1234h\r\n    call deep\r\n    mov ax, 4c00h\r\n    int 21h\r\n"
        "deep proc\r\n    push cx\r\n    push cx\r\n    pop cx\r\n    pop cx\r\n    ret\r\n"
        "deep endp"));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(registerShown(d, "CX"), QString("1234"));
    auto *place = panelPart<QComboBox>(d, "address");
    place->setEditText(QStringLiteral("0000:0400"));
    QTest::keyClick(place->lineEdit(), Qt::Key_Return);
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QVERIFY(!d.session());
    d.f.text()->setText(text);
}

} // namespace

void TestDebugLab::init()
{
    REQUIRE_REAL_TOOLS();
}

// The first R of a lab: the program's size in BX:CX, nothing on its stack
// but what DOS put there, and the memory panel at the program's data.
void TestDebugLab::startsAsDebugDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cx");
    QTest::addColumn<int>("stackAtStart");
    QTest::addColumn<QString>("place");
    QTest::newRow(".EXE with a stack segment") << kExe << "003B" << 0 << "MSG (";
    // DOS's word 0000 at FFFE, which a RET at the end returns through.
    QTest::newRow(".COM") << kCom << "0006" << 1 << "DS:0";
}

void TestDebugLab::startsAsDebugDoes()
{
    QFETCH(QString, text);
    QFETCH(QString, cx);
    QFETCH(int, stackAtStart);
    QFETCH(QString, place);
    Debugged d(text);
    debugAnotherProgramFirst(d);
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(registerShown(d, "CX"), cx);
    for (const char *name : {"BX", "DX", "BP", "SI", "DI"})
        QCOMPARE(registerShown(d, name), QString("0000"));
    QCOMPARE(stackWordsShown(d), stackAtStart);
    QVERIFY2(panelPart<QComboBox>(d, "address")->currentText().startsWith(place),
             qPrintable(panelPart<QComboBox>(d, "address")->currentText()));
    // Stepped past PUSH AX: one word more.
    while (!d.f.text()->document()->findBlockByNumber(d.current() - 1).text().contains("push"))
        QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(stackWordsShown(d), stackAtStart + 1);
}

// A program that polls the keyboard runs on under Ctrl+F5: 屏幕 shows it
// counting, and a key typed there (while it runs, or while it is paused and
// then continued) is what it reads.
void TestDebugLab::pollingProgram_data()
{
    QTest::addColumn<bool>("paused");
    QTest::newRow("key typed while it runs") << false;
    QTest::newRow("key typed while paused, then continued") << true;
}

void TestDebugLab::pollingProgram()
{
    QFETCH(bool, paused);
    Debugged d(QString::fromLatin1(kPoll));
    debugAnotherProgramFirst(d);
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session() && d.session()->running(), 60000);
    // Running, the panels show this program as it started, not the last one.
    QCOMPARE(registerShown(d, "CX"), QString("001F"));
    QCOMPARE(stackWordsShown(d), 0);
    QCOMPARE(panelPart<QComboBox>(d, "address")->currentText(), QString("DS:0"));
    ScreenView *screen = d.f.main->debugger().debugPanels().screen;
    QSet<QString> seen{screen->text()};
    QTRY_VERIFY_WITH_TIMEOUT((seen << screen->text()).size() >= 3, 20000);
    QVERIFY(d.session()->running());
    if (paused) {
        press(d.f, Qt::Key_F12);
        QTRY_VERIFY_WITH_TIMEOUT(!d.session()->running(), 20000);
    }
    QTest::keyClicks(screen, QStringLiteral("Z"));
    if (paused) {
        QVERIFY(!d.session()->ended());
        press(d.f, Qt::ControlModifier | Qt::Key_F5);
    }
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);
    QVERIFY2(d.f.main->statusBar()->currentMessage().endsWith(QStringLiteral("返回码 90。")),
             qPrintable(d.f.main->statusBar()->currentMessage()));
}

// While debugging the caret moves as ever (only the text is read-only), and
// F2 where it went sets a breakpoint there; on a line without code the
// breakpoint moves to the next line with code and the status line says so.
void TestDebugLab::caretAndBreakpointsWhileDebugging()
{
    Debugged d(QString::fromLatin1(kExe));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 9);
    QTest::keyClick(d.f.text(), Qt::Key_Down);
    QTest::keyClick(d.f.text(), Qt::Key_Down);
    QCOMPARE(d.f.text()->textCursor().blockNumber() + 1, 11);
    press(d.f, Qt::Key_F2);
    QTest::keyClick(d.f.text(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(d.f.text()->textCursor().blockNumber(), 0);
    press(d.f, Qt::Key_F2);
    QCOMPARE(d.f.doc()->Strip->breakpoints->lines(), (QList<int>{9, 11}));
    QCOMPARE(d.f.main->statusBar()->currentMessage(),
             QString("第 1 行没有指令：断点移到了有指令的第 9 行。"));
    // Continue stops at the breakpoint the caret set, not at the top.
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 11);
    QVERIFY(d.f.text()->isReadOnly());
}

// File → Open into the window being debugged asks to stop first: No opens
// nothing, Yes stops debugging and opens the file there.
void TestDebugLab::openAsksFirst()
{
    Debugged d(QString::fromLatin1(kExe));
    const QString other = d.f.path("other.asm");
    QVERIFY(writeFile(other, "; another program\r\n"));
    QVERIFY(stepWith(d, Qt::Key_F11));
    const QString before = d.f.text()->text();
    d.f.dialogs.answerMsgBox(Dialogs::No);
    d.f.main->action("mnuFileOpen")->trigger();
    QCOMPARE(d.f.dialogs.callsOf("open").size(), 0);
    QCOMPARE(d.f.text()->text(), before);
    QVERIFY(d.session());
    // Yes, the file, and no to saving the program's unsaved text.
    d.f.dialogs.answerMsgBox(Dialogs::Yes);
    d.f.dialogs.answerOpen(other);
    d.f.dialogs.answerMsgBox(Dialogs::No);
    d.f.main->action("mnuFileOpen")->trigger();
    QVERIFY(!d.session());
    QCOMPARE(d.f.text()->text(), QString("; another program"));
    QVERIFY(!d.f.text()->isReadOnly());
    QVERIFY(d.f.dialogs.unexpected.isEmpty());
}

// F5 would start a second copy beside the one debugged: it is off while
// debugging, whatever enables it meanwhile (a link), and back after.
void TestDebugLab::runWaitsForTheDebugging()
{
    Debugged d(QString::fromLatin1(kExe));
    QAction *run = d.f.main->action("mnurun");
    run->setEnabled(true);
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(!run->isEnabled());
    run->setEnabled(true);
    QVERIFY(!run->isEnabled());
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QVERIFY(run->isEnabled());
}

// 单步一条指令 (Ctrl+F11) stops inside a macro's lines and after each pass
// of a REP MOVSB, and 反汇编 shows the instruction it stopped before.
void TestDebugLab::stepByInstruction()
{
    Debugged d(QString::fromLatin1(kCopy));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
    QCOMPARE(d.current(), 11);
    auto *code = panelPart<QPlainTextEdit>(d, "code");
    auto firstRow = [code] { return code->toPlainText().section(u'\n', 0, 0); };
    QVERIFY2(firstRow().startsWith(QStringLiteral("► ")) && firstRow().contains("MOV AX,") &&
                 firstRow().contains(QStringLiteral("第 11 行  start: mov ax, data")),
             qPrintable(firstRow()));
    for (int i = 0; i < 3; ++i)
        QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
    // The macro's two instructions, one at a time, on its line.
    QCOMPARE(d.current(), 14);
    QVERIFY2(firstRow().contains("MOV SI,0"), qPrintable(firstRow()));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
    QCOMPARE(d.current(), 14);
    QVERIFY2(firstRow().contains("MOV DI,3"), qPrintable(firstRow()));
    for (int i = 0; i < 3; ++i)
        QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
    QCOMPARE(d.current(), 17);
    QVERIFY2(firstRow().contains("REP MOVSB"), qPrintable(firstRow()));
    // A pass a step: CX counts down on the same instruction.
    const quint16 ip = d.registers().ip;
    for (quint16 cx : {2, 1}) {
        QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
        QCOMPARE(d.registers().cx, cx);
        QCOMPARE(d.registers().ip, ip);
        QCOMPARE(d.current(), 17);
    }
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F11));
    QCOMPARE(d.registers().cx, quint16(0));
    QCOMPARE(d.current(), 18);
    const Registers r = d.registers();
    QCOMPARE(d.session()->view().memory.mid(int(linear(r.ds, 3)), 3), QByteArray("ABC"));
}

// A register typed, a flag turned over and bytes written while stopped: the
// program goes on with them, and the panels mark them as changed.
void TestDebugLab::changeWhatTheProgramSees()
{
    Debugged d(QStringLiteral("data segment\r\n"
                              "msg db 'AB$'\r\n"
                              "data ends\r\n"
                              "code segment\r\n"
                              "assume cs:code, ds:data\r\n"
                              "start: mov ax, data\r\n" // 6
                              "    mov ds, ax\r\n"
                              "    mov bx, 1\r\n"
                              "    cmp bx, 1\r\n"     // 9
                              "    je same\r\n"       // 10
                              "    mov cx, 5\r\n"
                              "same: mov dx, offset msg\r\n" // 12
                              "    mov ah, 9\r\n"
                              "    int 21h\r\n"
                              "    mov ax, 4c00h\r\n" // 15
                              "    int 21h\r\n"
                              "code ends\r\n"
                              "end start"));
    for (int i = 0; i < 4; ++i)
        QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 9);

    // BX typed as 2 in its cell: CMP finds it unequal.
    auto *bx = panelPart<QLabel>(d, "BX");
    QTest::mouseDClick(bx, Qt::LeftButton);
    auto *editor = d.f.main->findChild<QLineEdit *>("registerEditor");
    QVERIFY(editor && editor->isVisible());
    editor->selectAll();
    QTest::keyClicks(editor, "2");
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(d.registers().bx, quint16(2));
    QCOMPARE(bx->text(), QStringLiteral("0002"));
    QVERIFY(bx->font().bold());
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 10);
    QCOMPARE(d.registers().flags & 0x40, 0);

    // ZF turned over with a click: JE jumps after all.
    auto *zf = panelPart<QLabel>(d, "ZF");
    QCOMPARE(zf->text(), QStringLiteral("0"));
    QTest::mouseClick(zf, Qt::LeftButton);
    QCOMPARE(zf->text(), QStringLiteral("1"));
    QVERIFY(panelPart<QLabel>(d, "debugLetters")->text().contains("ZR"));
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 12);

    // Text typed into the message: the program prints it, and 内存 marks
    // the two bytes.
    auto *edit = panelPart<QLineEdit>(d, "memoryEdit");
    edit->setText(QStringLiteral("DS:0 'Hi'"));
    QTest::keyClick(edit, Qt::Key_Return);
    auto *memory = d.f.main->findChild<MemoryPanel *>();
    QCOMPARE(memory->changedBytes(), 2);
    // A wrong line says why and writes nothing.
    edit->setText(QStringLiteral("DS:0 4G"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(panelPart<QLabel>(d, "addressProblem")->text().contains("4G"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 15);
    QVERIFY2(d.f.main->debugger().debugPanels().screen->text().contains("Hi"),
             qPrintable(d.f.main->debugger().debugPanels().screen->text().left(200)));
    QCOMPARE(memory->changedBytes(), 0);
}

// 监视: the program's variables from the start, a value a step changed
// marked, an expression added, and the list kept for the next debugging; a
// name under the mouse shows its value.
void TestDebugLab::watchesByName()
{
    Debugged d(QStringLiteral("data segment\r\n"
                              "arr dw 1, 2, 3\r\n"
                              "total dw 0\r\n"
                              "n equ 3\r\n"
                              "data ends\r\n"
                              "code segment\r\n"
                              "assume cs:code, ds:data\r\n"
                              "start: mov ax, data\r\n" // 8
                              "    mov ds, ax\r\n"
                              "    mov bx, offset arr\r\n"
                              "    mov ax, [bx+2]\r\n"
                              "    mov total, ax\r\n"  // 12
                              "    mov ax, 4c00h\r\n"  // 13
                              "    int 21h\r\n"
                              "code ends\r\n"
                              "end start"));
    QVERIFY(stepWith(d, Qt::Key_F11));
    auto *list = panelPart<QTreeWidget>(d, "watches");
    const auto row = [list](const QString &expression) -> QTreeWidgetItem * {
        const auto found = list->findItems(expression, Qt::MatchFixedString);
        return found.isEmpty() ? nullptr : found.first();
    };
    QTRY_VERIFY(row("ARR") && row("TOTAL"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(row("ARR")->text(1), QStringLiteral("0001H 0002H 0003H"));
    QCOMPARE(row("TOTAL")->text(1), QStringLiteral("0000H"));
    auto *add = panelPart<QLineEdit>(d, "watchAdd");
    add->setText("[bx+2]");
    QTest::keyClick(add, Qt::Key_Return);
    QTRY_VERIFY(row("[bx+2]"));
    QCOMPARE(row("[bx+2]")->text(2), QStringLiteral("2"));
    QVERIFY(stepWith(d, Qt::Key_F10));
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 13);
    QCOMPARE(row("TOTAL")->text(1), QStringLiteral("0002H"));
    QCOMPARE(row("TOTAL")->data(0, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("已改变"));
    QVERIFY(row("ARR")->data(0, Qt::AccessibleDescriptionRole).toString().isEmpty());

    // A name under the mouse in the text: its value.
    QTextCursor word = d.f.text()->document()->find(QStringLiteral("total,"));
    QVERIFY(!word.isNull());
    word.setPosition(word.selectionStart() + 2);
    QWidget *viewport = d.f.text()->viewport();
    const QPoint at = d.f.text()->cursorRect(word).center();
    QHelpEvent hover(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &hover);
    QCOMPARE(QToolTip::text(), QStringLiteral("TOTAL = 0002H（2）"));

    // ARR taken off the list: the next debugging starts with the rest.
    list->setCurrentItem(row("ARR"));
    row("ARR")->setSelected(true);
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(!row("ARR"));
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QTRY_VERIFY(!d.session());
    QVERIFY(stepWith(d, Qt::Key_F11));
    QTRY_VERIFY(row("TOTAL") && row("[bx+2]"));
    QCOMPARE(list->topLevelItemCount(), 2);
}

// A bubble sort run to its end: 监视 shows the array sorted, and marked as
// changed.
void TestDebugLab::watchAfterASort()
{
    Debugged d(QStringLiteral("data segment\r\n"
                              "arr db 5, 3, 8, 1, 9, 2\r\n"
                              "data ends\r\n"
                              "code segment\r\n"
                              "assume cs:code, ds:data\r\n"
                              "start: mov ax, data\r\n"
                              "    mov ds, ax\r\n"
                              "    mov cx, 5\r\n"
                              "outer: mov si, 0\r\n"
                              "    mov dx, cx\r\n"
                              "inner: mov al, arr[si]\r\n"
                              "    cmp al, arr[si+1]\r\n"
                              "    jbe next\r\n"
                              "    xchg al, arr[si+1]\r\n"
                              "    mov arr[si], al\r\n"
                              "next: inc si\r\n"
                              "    dec dx\r\n"
                              "    jnz inner\r\n"
                              "    loop outer\r\n"
                              "    mov ax, 4c00h\r\n" // 20
                              "    int 21h\r\n"
                              "code ends\r\n"
                              "end start"));
    QVERIFY(stepWith(d, Qt::Key_F11));
    auto *list = panelPart<QTreeWidget>(d, "watches");
    QTreeWidgetItem *arr = nullptr;
    QTRY_VERIFY((arr = list->findItems(QStringLiteral("ARR"), Qt::MatchFixedString).value(0)));
    QCOMPARE(arr->text(1), QStringLiteral("05H 03H 08H 01H 09H 02H"));
    d.f.text()->setTextCursor(QTextCursor(d.f.text()->document()->findBlockByNumber(19)));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F10));
    QCOMPARE(d.current(), 20);
    arr = list->findItems(QStringLiteral("ARR"), Qt::MatchFixedString).value(0);
    QVERIFY(arr);
    QCOMPARE(arr->text(1), QStringLiteral("01H 02H 03H 05H 08H 09H"));
    QCOMPARE(arr->text(2), QStringLiteral("1 2 3 5 8 9"));
    QCOMPARE(arr->data(0, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("已改变"));
}

QTEST_MAIN(TestDebugLab)
#include "tst_debuglab.moc"
