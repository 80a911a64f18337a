#include "debugging/runwindow.h"
#include "debugging/screenview.h"
#include "mainfixture.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>

// F5 in the program's own window: small programs assembled by nasm, run to
// their end, fed keys, handed over to DOSBox, or cut off by a closed window.
class TestRunWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runs_data();
    void runs();
    void missingProgram();
    void graphics();

private:
    QTemporaryDir dir_;
};

void TestRunWindow::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("nasm is not installed");
}

static Machine::Setup toolsIn(const QString &folder)
{
    Machine::Setup setup;
    setup.toolFolder = folder;
    return setup;
}

// Resident: the program stays resident; keys typed after its end reach its
// handler and the prompt.
enum Ending { KeyAfterEnd, WindowClosed, OwnerClosed, HandedOver, Resident };
Q_DECLARE_METATYPE(Ending)

void TestRunWindow::runs_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("said"); // the status line, or the reason handed over
    QTest::addColumn<Ending>("ending");
    // Handed over: what the run on the machine changed, in C:.
    QTest::addColumn<QStringList>("changed");
    const QByteArray greeting = QStringEncoder("GB18030").encode(QStringLiteral("你好，世界"));
    QTest::newRow("GBK greeting, end line, closed by a key")
        << "mov ah, 9\nmov dx, msg\nint 21h\nmov ax, 4C03h\nint 21h\nmsg db '" + greeting +
               "', 13, 10, '$'"
        << ""
        << "你好，世界"
        << "程序已结束（返回码 3），按任意键关闭窗口。" << KeyAfterEnd << QStringList{};
    QTest::newRow("waits for a key and gets it")
        << QByteArray("mov ah, 0\nint 16h\nmov dl, al\nmov ah, 2\nint 21h\n"
                      "mov ah, 4Ch\nint 21h")
        << "x"
        << "x"
        << "程序已结束（返回码 120），按任意键关闭窗口。" << KeyAfterEnd << QStringList{};
    QTest::newRow("division by zero") << QByteArray("xor bx, bx\nmov ax, 1\ndiv bx") << ""
                                      << ""
                                      << "程序出错：除法溢出" << KeyAfterEnd << QStringList{};
    QTest::newRow("breakpoint and overflow interrupts pass")
        << QByteArray("int3\nmov al, 7Fh\nadd al, 1\ninto\nmov ax, 4C00h\nint 21h") << ""
        << ""
        << "程序已结束（返回码 0）" << KeyAfterEnd << QStringList{};
    QTest::newRow("HLT with interrupts disabled")
        << QByteArray("cli\nhlt") << ""
        << ""
        << "程序出错：在中断关闭（IF=0）时执行了 HLT，程序再也不会继续" << KeyAfterEnd
        << QStringList{};
    QTest::newRow("BOUND out of range")
        << QByteArray("mov ax, 5\nbound ax, [limits]\nint 20h\nlimits dw 0, 3") << ""
        << ""
        << "程序出错：数组下标越界（BOUND 指令）" << KeyAfterEnd << QStringList{};
    QTest::newRow("a video mode the machine lacks goes to DOSBox")
        << QByteArray("mov ax, 0Fh\nint 10h\nmov ax, 4C00h\nint 21h") << ""
        << ""
        << "程序设置了本机没有的 BIOS 显示模式 0Fh（INT 10h，AH=00h）" << HandedOver
        << QStringList{};
    QTest::newRow("planar memory written directly goes to DOSBox")
        << QByteArray("mov ax, 12h\nint 10h\nmov ax, 0A000h\nmov es, ax\nmov byte [es:0], 0FFh\n"
                      "mov ax, 4C00h\nint 21h")
        << ""
        << ""
        << "程序在显示模式 12h 下直接写显存 A000:0，本机只支持经 BIOS 画点" << HandedOver
        << QStringList{};
    QTest::newRow("files written before the hand-over are named")
        << QByteArray("mov ah, 3Ch\nxor cx, cx\nmov dx, name\nint 21h\nmov bx, ax\n"
                      "mov ah, 40h\nmov cx, 2\nint 21h\nmov ah, 3Eh\nint 21h\n"
                      "mov ah, 41h\nmov dx, old\nint 21h\nmov ax, 0Fh\nint 10h\n"
                      "name db 'LOG.TXT', 0\nold db 'OLD.TXT', 0")
        << ""
        << ""
        << "程序设置了本机没有的 BIOS 显示模式 0Fh（INT 10h，AH=00h）" << HandedOver
        << QStringList{"LOG.TXT", "OLD.TXT"};
    QTest::newRow("a port without a device goes to DOSBox")
        << QByteArray("mov dx, 378h\nmov al, 1\nout dx, al\nmov ax, 4C00h\nint 21h") << ""
        << ""
        << "程序访问了端口 378h，内置的 PC 没有这个设备" << HandedOver << QStringList{};
    // The handler marks the screen's top right corner at each key pressed
    // and chains to the BIOS's, so the prompt left running echoes the key.
    const QByteArray tsr =
        "mov ax, 3509h\nint 21h\nmov [old], bx\nmov [old+2], es\nmov dx, handler\n"
        "mov ax, 2509h\nint 21h\nmov dx, fin\n";
    const QByteArray handler =
        "handler: push ax\npush es\nin al, 60h\ntest al, 80h\njnz .up\nmov ax, 0B800h\n"
        "mov es, ax\ninc byte [es:158]\n.up: pop es\npop ax\njmp far [cs:old]\n"
        "old dd 0\nfin:";
    QTest::newRow("INT 27h with an INT 9 handler: the window stays, keys reach the handler")
        << tsr + "int 27h\n" + handler << "ab"
        << "ab"
        << "程序已结束（返回码 0），但 INT 09h 仍指向它的程序" << Resident << QStringList{};
    QTest::newRow("INT 21h 31h with an INT 9 handler, likewise")
        << tsr + "mov cl, 4\nadd dx, 15\nshr dx, cl\nmov ax, 3105h\nint 21h\n" + handler << "z"
        << "z"
        << "程序已结束（返回码 5），但 INT 09h 仍指向它的程序" << Resident << QStringList{};
    // Written straight to B800:0, then an endless loop: only the refresh
    // shows it.
    const QByteArray live = "mov ax, 0B800h\nmov es, ax\nxor di, di\nmov si, text\nmov cx, 4\n"
                            "mov ah, 1Eh\nnext: lodsb\nstosw\nloop next\njmp $\ntext db 'LIVE'";
    QTest::newRow("endless loop, window closed") << live << ""
                                                 << "LIVE"
                                                 << "" << WindowClosed << QStringList{};
    QTest::newRow("endless loop, owner closed") << live << ""
                                                << "LIVE"
                                                << "" << OwnerClosed << QStringList{};
}

void TestRunWindow::runs()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, typed);
    QFETCH(QString, screen);
    QFETCH(QString, said);
    QFETCH(Ending, ending);
    QFETCH(QStringList, changed);
    for (QString &path : changed)
        path = dir_.filePath("c/" + path);
    const QString asmFile = dir_.filePath("prog.asm");
    const QString program = dir_.filePath("c/PROG.COM");
    QVERIFY(writeFile(asmFile, "org 100h\n" + source + "\n"));
    QVERIFY(writeFile(program, {}));
    QVERIFY(writeFile(dir_.filePath("c/OLD.TXT"), "old"));
    QCOMPARE(QProcess::execute("nasm", {"-f", "bin", asmFile, "-o", program}), 0);

    auto owner = std::make_unique<QWidget>();
    QPointer<RunWindow> window = new RunWindow(toolsIn(dir_.filePath("c")), program, owner.get());
    QSignalSpy handedOver(window.data(), &RunWindow::handOver);
    QString error;
    QVERIFY2(window->start(&error), qPrintable(error));
    QVERIFY(window->windowTitle().contains("PROG.COM"));
    auto *view = window->findChild<ScreenView *>();
    auto *status = window->findChild<QLabel *>("status");
    if (!typed.isEmpty() && ending != Resident) {
        QTRY_VERIFY(view->waitingForKey());
        QTest::keyClicks(view, typed);
    }
    if (ending == Resident) {
        QTRY_VERIFY2(status->text().startsWith(said), qPrintable(status->text()));
        QTest::keyClicks(view, typed);
        QTRY_VERIFY2(view->text().contains(screen), qPrintable(view->text()));
        // The corner counts, from a blank, every key the handler saw go down.
        QTRY_VERIFY2(view->text().section(u'\n', 0, 0).trimmed().endsWith(QChar(char16_t(0x20 + typed.size()))),
                     qPrintable(view->text().section(u'\n', 0, 0)));
        window->close();
        QTRY_VERIFY(!window);
        QCOMPARE(handedOver.count(), 0);
        return;
    }
    if (ending == HandedOver) {
        QTRY_COMPARE(handedOver.count(), 1);
        QCOMPARE(handedOver[0][0].toString(), said);
        QCOMPARE(handedOver[0][1].toStringList(), changed);
        QTRY_VERIFY(!window);
        return;
    }
    QTRY_VERIFY2(view->text().contains(screen), qPrintable(view->text()));
    if (ending == WindowClosed) {
        window->close();
        QTRY_VERIFY(!window);
    } else if (ending == OwnerClosed) {
        owner.reset();
        QVERIFY(!window);
    } else {
        QTRY_VERIFY2(status->text().startsWith(said), qPrintable(status->text()));
        // A screen reader reads the status line and the screen's text.
        QCOMPARE(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name),
                 status->text());
        QVERIFY(
            QAccessible::queryAccessibleInterface(view)->text(QAccessible::Value).contains(screen));
        QTest::keyClick(view, Qt::Key_Space);
        QTRY_VERIFY(!window);
    }
    QCOMPARE(handedOver.count(), 0);
}

void TestRunWindow::missingProgram()
{
    auto *window = new RunWindow(toolsIn(dir_.path()), dir_.filePath("NONE.EXE"));
    QString error;
    QVERIFY(!window->start(&error));
    QVERIFY2(error.startsWith("无法装入 NONE.EXE："), qPrintable(error));
    QVERIFY(!window->isVisible());
    delete window;
}

// Mode 13h stays in the window: the top half in colour 1, made red through
// the DAC, the bottom half in the default palette's yellow, the picture
// scaled to fit the window.
void TestRunWindow::graphics()
{
    const QString asmFile = dir_.filePath("prog.asm");
    const QString program = dir_.filePath("c/PROG.COM");
    QVERIFY(writeFile(asmFile, "org 100h\nmov ax, 13h\nint 10h\nmov ax, 1010h\nmov bx, 1\n"
                               "mov dh, 3Fh\nmov cx, 0\nint 10h\nmov ax, 0A000h\nmov es, ax\n"
                               "xor di, di\nmov al, 1\nmov cx, 32000\nrep stosb\nmov al, 0Eh\n"
                               "mov cx, 32000\nrep stosb\nmov ah, 0\nint 16h\nmov ax, 4C00h\n"
                               "int 21h\n"));
    QVERIFY(writeFile(program, {}));
    QCOMPARE(QProcess::execute("nasm", {"-f", "bin", asmFile, "-o", program}), 0);
    auto owner = std::make_unique<QWidget>();
    QPointer<RunWindow> window = new RunWindow(toolsIn(dir_.filePath("c")), program, owner.get());
    QSignalSpy handedOver(window.data(), &RunWindow::handOver);
    QString error;
    QVERIFY2(window->start(&error), qPrintable(error));
    window->resize(700, 500);
    auto *view = window->findChild<ScreenView *>();
    QTRY_VERIFY(view->waitingForKey());
    // The picture is 4:3, centred: a quarter of its height above and below the middle.
    auto colourAt = [&](int quarters) {
        const qreal quarter =
            std::min((view->width() - 4) / 4.0, (view->height() - 4) / 3.0) * 0.75;
        return view->grab().toImage().pixelColor(view->rect().center() +
                                                 QPoint(0, int(quarters * quarter)));
    };
    QTRY_COMPARE(colourAt(-1), QColor(255, 0, 0));
    QCOMPARE(colourAt(1), QColor(0xFF, 0xFF, 0x55));
    QCOMPARE(handedOver.count(), 0);
    window->close();
    QTRY_VERIFY(!window);
}

QTEST_MAIN(TestRunWindow)
#include "tst_runwindow.moc"
