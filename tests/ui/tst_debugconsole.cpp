#include "debugged.h"
#include "debugging/commandpanel.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "realtools.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QTest>

// The 命令 panel as a student uses it in the first DEBUG labs: looking
// (R, D, U), changing (E, A, R AX), running (T, P, G) and the ports (I, O),
// against the program built with the real MASM and LINK.
class TestDebugConsole : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void labSession();
    void portsAndMistakes();
};

namespace {

const char kProgram[] = "code segment\r\n"
                        "assume cs:code\r\n"
                        "start: mov cx, 3\r\n"     // 3
                        "    call twice\r\n"       // 4
                        "again: inc ax\r\n"        // 5
                        "    loop again\r\n"       // 6
                        "    mov ax, 4c00h\r\n"    // 7
                        "    int 21h\r\n"          // 8
                        "twice: add ax, ax\r\n"    // 9
                        "    ret\r\n"              // 10
                        "code ends\r\n"
                        "end start";

CommandPanel *panel(Debugged &d)
{
    return d.f.main->debugger().debugPanels().commands;
}

// Types the line and waits until what it asked for has stopped; the new
// part of the transcript.
QString type(Debugged &d, const QString &line)
{
    CommandPanel *p = panel(d);
    const qsizetype before = p->transcript().size();
    QLineEdit *input = p->input();
    if (!QTest::qWaitFor([&] { return input->isEnabled(); }, 20000))
        return QStringLiteral("(the panel never became ready)");
    input->setText(line);
    QTest::keyClick(input, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return input->isEnabled() && !d.session()->running(); }, 20000))
        return QStringLiteral("(the run never stopped)");
    // Each line after the first begins a new block.
    const QString added = p->transcript().mid(before);
    return added.startsWith(u'\n') ? added.mid(1) : added;
}

} // namespace

void TestDebugConsole::init()
{
    REQUIRE_REAL_TOOLS();
}

void TestDebugConsole::labSession()
{
    Debugged d(QString::fromLatin1(kProgram));
    QVERIFY(stepWith(d, Qt::Key_F11));
    QCOMPARE(d.current(), 3);
    QVERIFY(d.f.main->debugger().debugPanels().commandsDock->isVisible());

    // R: DEBUG's three lines, the next instruction as U writes it.
    QString r = type(d, QStringLiteral("r"));
    QVERIFY2(r.startsWith(QLatin1String("-r\nAX=0000  BX=0000  CX=")), qPrintable(r));
    QVERIFY2(r.contains(QLatin1String("IP=0000   NV UP EI PL NZ NA PO NC \n")), qPrintable(r));
    QVERIFY2(r.contains(QLatin1String("B90300        MOV\tCX,0003")), qPrintable(r));
    // U: the CALL names where it goes.
    QVERIFY2(type(d, QStringLiteral("u 0 L6")).contains(QLatin1String("CALL\t000E")),
             qPrintable(panel(d)->transcript()));

    // T runs one instruction: the registers follow, and so does the source.
    r = type(d, QStringLiteral("t"));
    QVERIFY2(r.contains(QLatin1String("CX=0003")) && r.contains(QLatin1String("IP=0003")),
             qPrintable(r));
    QCOMPARE(d.registers().cx, quint16(3));
    QCOMPARE(d.current(), 4);
    // P runs the CALL whole; T would have gone into it.
    r = type(d, QStringLiteral("p"));
    QVERIFY2(r.contains(QLatin1String("IP=0006")), qPrintable(r));
    QCOMPARE(d.current(), 5);

    // A: the next instruction replaced, and T runs the new one.
    type(d, QStringLiteral("a"));
    QCOMPARE(panel(d)->prompt(), QStringLiteral("%1:0006 ")
                                     .arg(d.registers().cs, 4, 16, QLatin1Char('0'))
                                     .toUpper());
    type(d, QStringLiteral("mov ax,1234"));
    type(d, QString());
    QCOMPARE(panel(d)->prompt(), QStringLiteral("-"));
    r = type(d, QStringLiteral("t"));
    QCOMPARE(d.registers().ax, quint16(0x1234));
    QVERIFY2(r.contains(QLatin1String("AX=1234")), qPrintable(r));

    // R AX and E: the machine changes, and the panels show it.
    type(d, QStringLiteral("r ax"));
    QCOMPARE(panel(d)->prompt(), QStringLiteral(":"));
    type(d, QStringLiteral("beef"));
    QCOMPARE(d.registers().ax, quint16(0xBEEF));
    const quint16 ds = d.registers().ds;
    type(d, QStringLiteral("e 200 'ok'"));
    QVERIFY(type(d, QStringLiteral("d 200 L2")).contains(QLatin1String("6F 6B")));
    QCOMPARE(d.session()->memory().mid(ds * 16 + 0x200, 2), QByteArray("ok"));
    // E with an address alone shows the byte there and takes the new ones.
    type(d, QStringLiteral("e 200"));
    QVERIFY2(panel(d)->prompt().endsWith(QLatin1String(":0200  6F.")), qPrintable(panel(d)->prompt()));
    type(d, QStringLiteral("4f 4b"));
    QCOMPARE(panel(d)->prompt(), QStringLiteral("-"));
    QCOMPARE(d.session()->memory().mid(ds * 16 + 0x200, 2), QByteArray("OK"));

    // G with a breakpoint at the INT 21h, then to the end.
    QCOMPARE(d.current(), 7);
    r = type(d, QStringLiteral("g 000C"));
    QVERIFY2(r.contains(QLatin1String("IP=000C")), qPrintable(r));
    QCOMPARE(d.current(), 8);
    r = type(d, QStringLiteral("g"));
    QVERIFY2(r.contains(QLatin1String("Program terminated normally")), qPrintable(r));
    QVERIFY(d.session()->ended());
    // T after the end says how to start again.
    QVERIFY(type(d, QStringLiteral("t")).contains(QStringLiteral("F11")));
}

void TestDebugConsole::portsAndMistakes()
{
    Debugged d(QString::fromLatin1(kProgram));
    QVERIFY(stepWith(d, Qt::Key_F11));
    // The CMOS clock through its ports: seconds in BCD.
    type(d, QStringLiteral("o 70 0"));
    const QString seconds = type(d, QStringLiteral("i 71")).section(u'\n', 1, 1);
    QVERIFY2(seconds.size() == 2 && seconds.toInt(nullptr, 10) < 60, qPrintable(seconds));
    // A port without a device is told, and the program goes on.
    QVERIFY(type(d, QStringLiteral("i 3ff")).contains(QStringLiteral("没有设备")));
    QVERIFY(!d.session()->ended());
    // DEBUG's own answers to mistakes.
    QCOMPARE(type(d, QStringLiteral("xyz")), QStringLiteral("-xyz\n ^ Error"));
    QCOMPARE(type(d, QStringLiteral("r zz")), QStringLiteral("-r zz\nBR Error"));
    type(d, QStringLiteral("a"));
    QVERIFY(type(d, QStringLiteral("mov [bx],[si]")).contains(QStringLiteral("^ Error")));
    type(d, QString());
    // A count runs that many, into the CALL.
    const QString two = type(d, QStringLiteral("t 2"));
    QCOMPARE(two.count(QLatin1String("AX=")), 2);
    QCOMPARE(d.current(), 9);
    // G from an address of its own, to a breakpoint of its own.
    const QString again = type(d, QStringLiteral("g=0 3"));
    QVERIFY2(again.contains(QLatin1String("IP=0003")), qPrintable(again));
    QCOMPARE(d.current(), 4);
    // Q stops the debugging.
    panel(d)->input()->setText(QStringLiteral("q"));
    QTest::keyClick(panel(d)->input(), Qt::Key_Return);
    QTRY_VERIFY(!d.session());
}

QTEST_MAIN(TestDebugConsole)
#include "tst_debugconsole.moc"
