#include "debugged.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "realtools.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>

// 反向单步 and 反向运行 through the menus, on a program built with the
// real MASM and LINK: each stop gone back to shows registers, memory and the
// screen exactly as the forward run showed them there.
class TestDebugBack : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void backOverWhatRan_data();
    void backOverWhatRan();
    void backPastAWatchedWrite();
};

namespace {

// Twelve passes of some 200 instructions, each printing a letter through
// DOS and writing 40 cells of the screen itself; line 17 runs once a pass.
const char kPasses[] = "start: mov ax, 0b800h\r\n" // 3
                       "    mov es, ax\r\n"
                       "    xor di, di\r\n"
                       "    mov bx, 12\r\n"
                       "pass: mov dl, 'a'\r\n" // 7
                       "    add dl, bl\r\n"
                       "    mov ah, 2\r\n"
                       "    int 21h\r\n"
                       "    mov cx, 40\r\n"
                       "inner: mov ax, cx\r\n" // 12
                       "    add al, bl\r\n"
                       "    mov ah, 1eh\r\n"
                       "    stosw\r\n"
                       "    loop inner\r\n"
                       "    dec bx\r\n" // 17
                       "    jnz pass\r\n"
                       "    mov ax, 4c00h\r\n"
                       "    int 21h";

struct Seen
{
    int line = 0;
    Registers registers;
    QByteArray memory;
    QByteArray screen;
};

Seen seen(const Debugged &d)
{
    const DebugView v = d.session()->view();
    return {d.current(), v.registers, v.memory, v.screen.cells};
}

QString differences(const Seen &want, const Seen &got)
{
    QStringList out;
    if (want.line != got.line)
        out << QStringLiteral("line %1 != %2").arg(want.line).arg(got.line);
    const Registers &a = want.registers, &b = got.registers;
    if (a.ax != b.ax || a.bx != b.bx || a.cx != b.cx || a.dx != b.dx || a.si != b.si ||
        a.di != b.di || a.bp != b.bp || a.sp != b.sp || a.cs != b.cs || a.ds != b.ds ||
        a.es != b.es || a.ss != b.ss || a.ip != b.ip || a.flags != b.flags)
        out << QStringLiteral("registers (IP %1, %2)").arg(a.ip, 0, 16).arg(b.ip, 0, 16);
    for (int i = 0; i < want.memory.size() && i < got.memory.size(); ++i) {
        if (want.memory[i] != got.memory[i]) {
            out << QStringLiteral("memory at %1").arg(i, 5, 16, QLatin1Char('0'));
            break;
        }
    }
    if (want.screen != got.screen)
        out << "screen";
    return out.join(", ");
}

// Runs the menu item and waits until the program has stopped again.
bool backWith(Debugged &d, Command c)
{
    QAction *a = d.f.main->command(c);
    if (!a->isEnabled())
        return false;
    a->trigger();
    return QTest::qWaitFor([&d] { return !d.session()->running(); }, 60000);
}

} // namespace

void TestDebugBack::init()
{
    REQUIRE_REAL_TOOLS();
}

void TestDebugBack::backOverWhatRan_data()
{
    QTest::addColumn<bool>("byInstruction");
    QTest::addColumn<int>("steps");
    QTest::newRow("a few lines stepped") << false << 6;
    QTest::newRow("a pass stepped line by line") << false << 30;
    // Back as it went: one instruction at a time.
    QTest::newRow("stepped by instruction") << true << 30;
}

void TestDebugBack::backOverWhatRan()
{
    QFETCH(bool, byInstruction);
    QFETCH(int, steps);
    const QKeyCombination step =
        byInstruction ? Qt::ControlModifier | Qt::Key_F11 : QKeyCombination(Qt::Key_F11);
    Debugged d(oneSegmentProgram(QString::fromLatin1(kPasses)));
    QAction *stepBack = d.f.main->command(Command::StepBack);
    QAction *runBack = d.f.main->command(Command::RunBack);
    QVERIFY(!stepBack->isEnabled());
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 3);
    // Nothing has run yet.
    QVERIFY(!stepBack->isEnabled());
    QVERIFY(!runBack->isEnabled());
    const Seen first = seen(d);

    // Forward by steps, then back: every stop again.
    QList<Seen> lines{first};
    for (int i = 0; i < steps; ++i) {
        QVERIFY(stepWith(d, step));
        lines << seen(d);
    }
    QVERIFY(stepBack->isEnabled());
    for (qsizetype i = lines.size() - 2; i >= 0; --i) {
        QVERIFY(backWith(d, Command::StepBack));
        const QString diff = differences(lines[i], seen(d));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(i).arg(diff)));
    }
    QVERIFY(!stepBack->isEnabled());

    // A breakpoint on line 17, passed twelve times on the way to the end.
    QTextCursor caret(d.f.text()->document()->findBlockByNumber(16));
    d.f.text()->setTextCursor(caret);
    press(d.f, Qt::Key_F2);
    QCOMPARE(d.f.doc()->Strip->breakpoints->lines(), QList<int>{17});
    QList<Seen> passes;
    for (int i = 0; i < 12; ++i) {
        QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
        QCOMPARE(d.current(), 17);
        passes << seen(d);
    }
    press(d.f, Qt::ControlModifier | Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(d.session()->ended(), 60000);

    // Back from the end over all of it: each pass where it stopped.
    for (qsizetype i = passes.size() - 1; i >= 0; --i) {
        QVERIFY(backWith(d, Command::RunBack));
        QVERIFY(!d.session()->ended());
        const QString diff = differences(passes[i], seen(d));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("pass %1: %2").arg(i).arg(diff)));
    }
    // No breakpoint before the first pass: the start of the record.
    QVERIFY(backWith(d, Command::RunBack));
    QVERIFY2(d.f.main->statusBar()->currentMessage().contains(QStringLiteral("记录的开头")),
             qPrintable(d.f.main->statusBar()->currentMessage()));
    const QString diff = differences(first, seen(d));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(!stepBack->isEnabled());

    // Forward again: the same first pass (the timer's ticks, which leave
    // their marks in memory, come when they will).
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 17);
    Seen again = seen(d);
    again.memory = passes.first().memory;
    QVERIFY(differences(passes.first(), again).isEmpty());
}

// A data breakpoint on the bytes the program writes: going back runs
// forward again over those writes to its place, and must not stop at them.
void TestDebugBack::backPastAWatchedWrite()
{
    Debugged d(QStringLiteral("data segment\r\n"
                              "count dw 0\r\n"
                              "data ends\r\n"
                              "code segment\r\n"
                              "assume cs:code, ds:data\r\n"
                              "start: mov ax, data\r\n"
                              "    mov ds, ax\r\n"
                              "    mov cx, 4\r\n"
                              "again: inc count\r\n" // 9
                              "    mov ax, count\r\n"
                              "    loop again\r\n"   // 11
                              "    mov ax, 4c00h\r\n" // 12
                              "    int 21h\r\n"
                              "code ends\r\n"
                              "end start"));
    QVERIFY(stepWith(d, Qt::Key_F11));
    // One run over all four writes, to a breakpoint after the loop.
    d.f.text()->setTextCursor(QTextCursor(d.f.text()->document()->findBlockByNumber(11)));
    press(d.f, Qt::Key_F2);
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 12);
    QString error;
    QVERIFY2(d.session()->addDataBreakpoint(QStringLiteral("COUNT"), {}, &error) > 0,
             qPrintable(error));
    // Back a line: into that run, past its writes, to the last LOOP.
    QVERIFY(backWith(d, Command::StepBack));
    QCOMPARE(d.current(), 11);
    QCOMPARE(d.registers().cx, quint16(1));
    QCOMPARE(d.registers().ax, quint16(4));
    // Back to the start, and forward: the data breakpoint stops at the first write.
    QVERIFY(backWith(d, Command::RunBack));
    QCOMPARE(d.current(), 6);
    QVERIFY(stepWith(d, Qt::ControlModifier | Qt::Key_F5));
    QCOMPARE(d.current(), 10);
    QCOMPARE(d.registers().ax, quint16(d.registers().ds));
}

QTEST_MAIN(TestDebugBack)
#include "tst_debugback.moc"
