#include "debugged.h"
#include "debugging/breakpointpanel.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "debugging/screenview.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "realtools.h"

#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

// Breakpoints that stop only when they should: a condition, the N-th hit,
// a write to data, an address without source, and the 断点 list that sets
// them, all through the debugger as a student uses it, with the real MASM
// and LINK.
class TestBreakpoints : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void stopsOnThePass_data();
    void stopsOnThePass();
    void disabledIsPassed();
    void conditionErrorsAreTold_data();
    void conditionErrorsAreTold();
    void breakpointMoves_data();
    void breakpointMoves();
    void dataWritten_data();
    void dataWritten();
    void bufferReadByDos();
    void addressWithoutSource_data();
    void addressWithoutSource();
    void layoutFromBefore();
};

namespace {

// COUNT goes up by one on each of five passes while CX goes down.
const char kLoop[] = "data segment\r\n"           // 1
                     "count dw 0\r\n"             // 2
                     "data ends\r\n"              // 3
                     "code segment\r\n"           // 4
                     "assume cs:code, ds:data\r\n" // 5
                     "start: mov ax, data\r\n"    // 6
                     "    mov ds, ax\r\n"         // 7
                     "    mov cx, 5\r\n"          // 8
                     "again: inc count\r\n"       // 9
                     "    mov ax, cx\r\n"         // 10
                     "    loop again\r\n"         // 11
                     "\r\n"                       // 12
                     "    mov ax, 4c00h\r\n"      // 13
                     "    int 21h\r\n"            // 14
                     "code ends\r\n"              // 15
                     "end start";                 // 16

// Reads a line into BUF with INT 21h 0Ah.
const char kReadLine[] = "data segment\r\n"            // 1
                         "buf db 12 dup(0)\r\n"        // 2
                         "data ends\r\n"               // 3
                         "code segment\r\n"            // 4
                         "assume cs:code, ds:data\r\n" // 5
                         "start: mov ax, data\r\n"     // 6
                         "    mov ds, ax\r\n"          // 7
                         "    mov buf, 10\r\n"         // 8
                         "    mov dx, offset buf\r\n"  // 9
                         "    mov ah, 0ah\r\n"         // 10
                         "    int 21h\r\n"             // 11
                         "    mov ax, 4c00h\r\n"       // 12
                         "    int 21h\r\n"             // 13
                         "code ends\r\n"
                         "end start";

// Copies a routine (INC BX, INC BX, IRET) to 0000:0200 and calls it there
// through INT 7Ch, where no source line is.
const char kCopied[] = "start: push cs\r\n"                       // 3
                       "    pop ds\r\n"
                       "    mov ax, 0\r\n"
                       "    mov es, ax\r\n"
                       "    mov di, 200h\r\n"
                       "    mov si, offset rout\r\n"
                       "    mov cx, offset routend - offset rout\r\n"
                       "    rep movsb\r\n"
                       "    mov word ptr es:[7ch*4], 200h\r\n"
                       "    mov word ptr es:[7ch*4+2], 0\r\n"
                       "    mov bx, 5\r\n"
                       "    int 7ch\r\n"
                       "    mov ax, 4c00h\r\n"
                       "    int 21h\r\n"
                       "rout: inc bx\r\n"
                       "    inc bx\r\n"
                       "    iret\r\n"
                       "routend:";

QTreeWidget *list(Debugged &d)
{
    return d.f.main->findChild<QTreeWidget *>(QStringLiteral("breakpoints"));
}

// The row of the list whose place reads so.
QTreeWidgetItem *row(Debugged &d, const QString &place)
{
    const auto found = list(d)->findItems(place, Qt::MatchFixedString);
    return found.isEmpty() ? nullptr : found.first();
}

void caretTo(Debugged &d, int line)
{
    d.f.text()->setTextCursor(QTextCursor(d.f.text()->document()->findBlockByNumber(line - 1)));
}

QString status(Debugged &d)
{
    return d.f.main->statusBar()->currentMessage();
}

// Types a breakpoint into the line under the list.
void addInList(Debugged &d, const QString &text)
{
    auto *add = d.f.main->findChild<QLineEdit *>(QStringLiteral("breakpointAdd"));
    add->setText(text);
    QTest::keyClick(add, Qt::Key_Return);
}

// Continues and waits for the next stop, with or without source there.
bool continueRun(Debugged &d)
{
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    return QTest::qWaitFor([&d] { return !d.session()->running(); }, 60000);
}

} // namespace

void TestBreakpoints::init()
{
    REQUIRE_REAL_TOOLS();
}

void TestBreakpoints::stopsOnThePass_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("target"); // the hit to stop on; empty: every one
    QTest::addColumn<int>("cx");         // CX at the stop: 5 on the first pass
    QTest::addColumn<int>("hits");
    QTest::addColumn<QString>("said");
    QTest::newRow("register") << "CX == 2" << "" << 2 << 1 << "条件 CX == 2 成立";
    QTest::newRow("data label") << "count >= 3" << "" << 3 << 1 << "条件 count >= 3 成立";
    QTest::newRow("flag and register") << "!ZF && CX == 1" << "" << 1 << 1 << "条件 !ZF && CX == 1 成立";
    QTest::newRow("memory through a register") << "WORD PTR [0] == 4" << "" << 2 << 1 << "成立";
    QTest::newRow("hit count") << "" << "4" << 2 << 4 << "第 4 次到达";
    QTest::newRow("hits counted while the condition holds")
        << "CX < 4" << "2" << 2 << 2 << "条件 CX < 4 成立，第 2 次到达";
}

// A breakpoint in the loop set with F2, its condition or hit typed in the
// list: the run goes on until the pass it names.
void TestBreakpoints::stopsOnThePass()
{
    QFETCH(QString, condition);
    QFETCH(QString, target);
    QFETCH(int, cx);
    QFETCH(int, hits);
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    caretTo(d, 10);
    press(d.f, Qt::Key_F2);
    QTreeWidgetItem *item = row(d, QStringLiteral("第 10 行"));
    QVERIFY(item);
    QCOMPARE(item->checkState(0), Qt::Checked);
    if (!condition.isEmpty())
        item->setText(1, condition);
    item = row(d, QStringLiteral("第 10 行"));
    if (!target.isEmpty())
        item->setText(2, target);
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 10);
    QCOMPARE(int(d.registers().cx), cx);
    item = row(d, QStringLiteral("第 10 行"));
    QCOMPARE(item->text(1), condition);
    QCOMPARE(item->text(2), target);
    QCOMPARE(item->text(3), QString::number(hits));
    QFETCH(QString, said);
    QVERIFY2(status(d).startsWith(QStringLiteral("停在第 10 行的断点：")) && status(d).contains(said),
             qPrintable(status(d)));

    // Restarted, the hits count from nought again and the condition is kept.
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QTRY_VERIFY(!d.session());
    QVERIFY(stepWith(d, Qt::Key_F11));
    item = row(d, QStringLiteral("第 10 行"));
    QVERIFY(item);
    QCOMPARE(item->text(1), condition);
    QCOMPARE(item->text(2), target);
    QCOMPARE(item->text(3), QStringLiteral("0"));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(int(d.registers().cx), cx);
}

// Unchecked in the list, the breakpoint stays in the text but the run goes
// past it to the end; checked again, it stops there.
void TestBreakpoints::disabledIsPassed()
{
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    caretTo(d, 10);
    press(d.f, Qt::Key_F2);
    caretTo(d, 13);
    press(d.f, Qt::Key_F2);
    QTreeWidgetItem *item = row(d, QStringLiteral("第 10 行"));
    QVERIFY(item);
    item->setCheckState(0, Qt::Unchecked);
    item = row(d, QStringLiteral("第 10 行"));
    QCOMPARE(item->checkState(0), Qt::Unchecked);
    QCOMPARE(d.f.doc()->Strip->breakpoints->lines(), (QList<int>{10, 13}));
    QCOMPARE(d.f.doc()->Strip->breakpoints->disabledLines(), QList<int>{10});
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 13);
    QCOMPARE(row(d, QStringLiteral("第 10 行"))->text(3), QStringLiteral("0"));
    // Removed from the list, the mark in the text goes too.
    list(d)->clearSelection();
    row(d, QStringLiteral("第 13 行"))->setSelected(true);
    QTest::keyClick(list(d), Qt::Key_Delete);
    QVERIFY(!row(d, QStringLiteral("第 13 行")));
    QCOMPARE(d.f.doc()->Strip->breakpoints->lines(), (QList<int>{10}));
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);
    // Debugging over, the mark is a mark; the next debugging has it off again.
    press(d.f, Qt::ShiftModifier | Qt::Key_F5);
    QTRY_VERIFY(!d.session());
    QVERIFY(d.f.doc()->Strip->breakpoints->disabledLines().isEmpty());
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.f.doc()->Strip->breakpoints->disabledLines(), QList<int>{10});
    QCOMPARE(row(d, QStringLiteral("第 10 行"))->checkState(0), Qt::Unchecked);
}

void TestBreakpoints::conditionErrorsAreTold_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("told");
    QTest::newRow("single equals") << "CX = 2" << "看不懂“=”";
    QTest::newRow("unknown name") << "TOTAL > 1" << "不认识“TOTAL”";
    QTest::newRow("missing side") << "CX >=" << "表达式不完整";
    QTest::newRow("unclosed") << "(CX == 2" << "缺少右括号";
}

// A condition that cannot be read is told under the list and in the status
// line, and the breakpoint keeps the one it had.
void TestBreakpoints::conditionErrorsAreTold()
{
    QFETCH(QString, condition);
    QFETCH(QString, told);
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    caretTo(d, 10);
    press(d.f, Qt::Key_F2);
    row(d, QStringLiteral("第 10 行"))->setText(1, QStringLiteral("CX == 3"));
    row(d, QStringLiteral("第 10 行"))->setText(1, condition);
    auto *problem = d.f.main->findChild<QLabel *>(QStringLiteral("breakpointProblem"));
    QVERIFY(problem->isVisibleTo(problem->parentWidget()));
    QVERIFY2(problem->text().contains(told), qPrintable(problem->text()));
    QVERIFY2(status(d).contains(told), qPrintable(status(d)));
    QCOMPARE(row(d, QStringLiteral("第 10 行"))->text(1), QStringLiteral("CX == 3"));
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(int(d.registers().cx), 3);
}

void TestBreakpoints::breakpointMoves_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("before"); // set before debugging starts
    QTest::addColumn<QList<int>>("marks");
    QTest::addColumn<QString>("told");
    QTest::newRow("data line, set before debugging")
        << 2 << true << QList<int>{6} << "第 2 行没有指令：断点移到了有指令的第 6 行。";
    QTest::newRow("blank line, set while debugging")
        << 12 << false << QList<int>{13} << "第 12 行没有指令：断点移到了有指令的第 13 行。";
    QTest::newRow("blank line, set before debugging")
        << 12 << true << QList<int>{13} << "第 12 行没有指令：断点移到了有指令的第 13 行。";
    QTest::newRow("after the last instruction")
        << 15 << false << QList<int>{} << "第 15 行及其后没有指令：断点已取消。";
}

// F2 on a line without code: the breakpoint moves to the next line with
// code, the status line names both, and the list shows where it went.
void TestBreakpoints::breakpointMoves()
{
    QFETCH(int, line);
    QFETCH(bool, before);
    QFETCH(QList<int>, marks);
    QFETCH(QString, told);
    Debugged d(QString::fromLatin1(kLoop));
    if (!before)
        QVERIFY(stepWith(d, Qt::Key_F11));
    caretTo(d, line);
    press(d.f, Qt::Key_F2);
    if (before)
        QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(status(d), told);
    QCOMPARE(d.f.doc()->Strip->breakpoints->lines(), marks);
    QCOMPARE(list(d)->topLevelItemCount(), int(marks.size()));
    for (int mark : marks)
        QVERIFY(row(d, QStringLiteral("第 %1 行").arg(mark)));
}

void TestBreakpoints::dataWritten_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("first");  // the first stop's message
    QTest::addColumn<QString>("second"); // the next one's
    QTest::newRow("variable")
        << "数据 count" << "COUNT（2 字节）"
        << "数据断点：第 9 行改写了 COUNT：0000H → 0001H。"
        << "数据断点：第 9 行改写了 COUNT：0001H → 0002H。";
    QTest::newRow("range in DS") << "数据 ds:0 2"
                                 << ":0000（2 字节）"
                                 << "（2 字节）：0000H → 0001H。"
                                 << "（2 字节）：0001H → 0002H。";
    QTest::newRow("a byte") << "data ds:0000h"
                            << ":0000（1 字节）"
                            << "（1 字节）：00H → 01H。"
                            << "（1 字节）：01H → 02H。";
}

// A data breakpoint stops right after the instruction that changed the
// bytes: the current line is the next one, the message names the line that
// wrote, and the values before and after.
void TestBreakpoints::dataWritten()
{
    QFETCH(QString, entry);
    QFETCH(QString, place);
    QFETCH(QString, first);
    QFETCH(QString, second);
    Debugged d(QString::fromLatin1(kLoop));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QVERIFY(stepWith(d, Qt::Key_F10));
    QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 8);
    addInList(d, entry);
    QCOMPARE(list(d)->topLevelItemCount(), 1);
    QTreeWidgetItem *item = list(d)->topLevelItem(0);
    QVERIFY2(item->text(0).endsWith(place), qPrintable(item->text(0)));
    QVERIFY(continueRun(d));
    QCOMPARE(d.current(), 10);
    QCOMPARE(int(d.registers().cx), 5);
    QVERIFY2(status(d).endsWith(first) && status(d).contains("第 9 行改写了"), qPrintable(status(d)));
    QCOMPARE(list(d)->topLevelItem(0)->text(3), QStringLiteral("1"));
    QVERIFY(continueRun(d));
    QCOMPARE(d.current(), 10);
    QCOMPARE(int(d.registers().cx), 4);
    QVERIFY2(status(d).endsWith(second), qPrintable(status(d)));
    // Unchecked, it lets the program run to its end.
    list(d)->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QVERIFY(continueRun(d));
    QVERIFY(d.session()->ended());
}

// The line DOS's INT 21h 0Ah reads into the buffer stops the program right
// after the INT, with the bytes the service wrote.
void TestBreakpoints::bufferReadByDos()
{
    Debugged d(QString::fromLatin1(kReadLine));
    QVERIFY(stepWith(d, Qt::Key_F11));
    for (int i = 0; i < 3; ++i)
        QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 9);
    addInList(d, QStringLiteral("数据 buf"));
    QVERIFY(list(d)->findItems(QStringLiteral("BUF（12 字节）"), Qt::MatchFixedString).size() == 1);
    QVERIFY(continueRun(d));
    QVERIFY(!d.session()->ended());
    QCOMPARE(d.current(), 11); // waiting for the line
    ScreenView *screen = d.f.main->debugger().debugPanels().screen;
    QTest::keyClicks(screen, QStringLiteral("ab"));
    QTest::keyClick(screen, Qt::Key_Return);
    QVERIFY2(QTest::qWaitFor([&d] { return !d.session()->running() && d.current() == 12; }, 60000),
             qPrintable(status(d)));
    QCOMPARE(status(d), QStringLiteral("数据断点：第 11 行改写了 BUF：0A 00 00 00 00 00 00 00 00 "
                                       "00 00 00 → 0A 02 61 62 0D 00 00 00 00 00 00 00。"));
}

void TestBreakpoints::addressWithoutSource_data()
{
    QTest::addColumn<bool>("fromList"); // else through the session, as a command would
    QTest::addColumn<QString>("condition");
    QTest::addColumn<int>("bx");
    QTest::addColumn<QString>("said");
    QTest::newRow("second instruction, from the list")
        << true << "" << 6 << "停在地址 0000:0201的断点（源程序之外）。";
    QTest::newRow("first instruction, conditional")
        << false << "BX == 5" << 5 << "停在地址 0000:0200的断点（源程序之外）：条件 BX == 5 成立。";
}

// A breakpoint at an address stops in code the program copied there,
// where no source line is; one whose condition is false lets it pass.
void TestBreakpoints::addressWithoutSource()
{
    QFETCH(bool, fromList);
    QFETCH(QString, condition);
    QFETCH(int, bx);
    QFETCH(QString, said);
    Debugged d(oneSegmentProgram(QString::fromLatin1(kCopied)));
    QVERIFY(stepWith(d, Qt::Key_F11));
    if (fromList) {
        addInList(d, QStringLiteral("0000:0201"));
    } else {
        QString error;
        QVERIFY(!d.session()->addAddressBreakpoint(0x200, QStringLiteral("BX =="), &error));
        QVERIFY2(error.contains(QStringLiteral("不完整")), qPrintable(error));
        QVERIFY(d.session()->addAddressBreakpoint(0x0200, QStringLiteral("BX == 99")));
        QVERIFY(d.session()->addAddressBreakpoint(0x0200, condition));
    }
    QVERIFY(list(d)->findItems(fromList ? QStringLiteral("地址 0000:0201") : QStringLiteral("地址 0000:0200"),
                               Qt::MatchFixedString)
                .size() >= 1);
    QVERIFY(continueRun(d));
    QVERIFY(!d.session()->ended());
    QCOMPARE(d.current(), 0);
    const Registers r = d.registers();
    QCOMPARE(r.cs, quint16(0));
    QCOMPARE(r.ip, quint16(fromList ? 0x201 : 0x200));
    QCOMPARE(int(r.bx), bx);
    QCOMPARE(status(d), said);
    // Back in the program after the routine, it runs to its end.
    QVERIFY(continueRun(d));
    QVERIFY(d.session()->ended());
}

// The panels' places kept by a version without 断点: the list is shown
// beside the memory all the same, not left hidden.
void TestBreakpoints::layoutFromBefore()
{
    Debugged d(QString::fromLatin1(kLoop));
    {
        QMainWindow before;
        for (const char *name : {"registersDock", "flagsDock", "stackDock", "memoryDock",
                                 "screenDock", "disassemblyDock", "watchDock"}) {
            auto *dock = new QDockWidget(QString::fromLatin1(name), &before);
            dock->setObjectName(QString::fromLatin1(name));
            before.addDockWidget(Qt::RightDockWidgetArea, dock);
        }
        QSettings layout(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                             QStringLiteral("/layout.ini"),
                         QSettings::IniFormat);
        layout.setValue(QStringLiteral("debugger/layout"), before.saveState());
    }
    QVERIFY(stepWith(d, Qt::Key_F11));
    QDockWidget *dock = d.f.main->debugger().debugPanels().breakpointsDock;
    QVERIFY(!dock->isHidden());
    QVERIFY(d.f.main->tabifiedDockWidgets(dock).contains(
        d.f.main->debugger().debugPanels().memoryDock));
}

QTEST_MAIN(TestBreakpoints)
#include "tst_breakpoints.moc"
