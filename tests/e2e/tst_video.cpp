#include "machine/machine.h"
#include "mainfixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The video BIOS as programs use it, through .COM programs assembled with
// nasm: what each INT 10h function leaves in video memory and the BIOS data
// area, pages taken from BH as the BIOS takes them, and pixels in each
// graphics mode. Registers a row wants to see are stored at 0040:00F0, the
// BIOS's own scratch area for programs.
class TestVideo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void leaves_data();
    void leaves();
    void romDateAndModel();
    void planarWritesStop();
    void picture_data();
    void picture();

private:
    QTemporaryDir dir_;
};

namespace {

constexpr quint32 scratch = 0x4F0;

} // namespace

void TestVideo::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("nasm is not installed");
    QVERIFY(QDir().mkpath(dir_.filePath("c")));
}

// Runs the program to its end on a fresh machine; null when it did not end.
static std::unique_ptr<Machine> runProgram(const QTemporaryDir &dir, const QByteArray &source,
                                           MachineStop *stop = nullptr)
{
    const QString asmFile = dir.filePath("prog.asm");
    const QString program = dir.filePath("c/PROG.COM");
    if (!writeFile(asmFile, "org 100h\n" + source + "\n  mov ax, 4C00h\n  int 21h\n"))
        return nullptr;
    QProcess nasm;
    nasm.start("nasm", {"-f", "bin", asmFile, "-o", program});
    if (!nasm.waitForFinished() || nasm.exitCode() != 0) {
        qWarning() << nasm.readAllStandardError();
        return nullptr;
    }
    Machine::Setup setup;
    setup.toolFolder = dir.filePath("c");
    auto machine = std::make_unique<Machine>(setup);
    QString error;
    if (!machine->load(program, "", &error))
        return nullptr;
    const MachineStop end = machine->run({0, 10000000});
    if (stop)
        *stop = end;
    else if (end.reason != StopReason::Exited)
        qWarning() << "the program stopped with" << end.detail;
    return machine;
}

void TestVideo::leaves_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("mode 1: mode, 40 columns, 2 KB pages")
        << QByteArray("mov ax, 1\n int 10h") << 0x449u << QByteArray("\x01\x28\x00\x00\x08", 5);
    QTest::newRow("mode 12h: 30 rows, 16 lines a character")
        << QByteArray("mov ax, 12h\n int 10h") << 0x484u << QByteArray("\x1D\x10", 2);
    QTest::newRow("mode 7: monochrome at B000:0, CRT at 3B4h")
        << QByteArray("mov ax, 7\n int 10h\n mov ax, 0E41h\n int 10h") << 0xB0000u
        << QByteArray("A\x07 \x07", 4);
    QTest::newRow("mode 7: its port in the BIOS data")
        << QByteArray("mov ax, 7\n int 10h") << 0x463u << QByteArray("\xB4\x03", 2);
    QTest::newRow("set mode clears the screen")
        << QByteArray("mov ax, 0B800h\n mov es, ax\n mov word [es:0], 1E58h\n mov ax, 3\n int 10h")
        << 0xB8000u << QByteArray(" \x07", 2);
    QTest::newRow("set mode with AL bit 7 keeps it")
        << QByteArray("mov ax, 0B800h\n mov es, ax\n mov word [es:0], 1E58h\n mov ax, 83h\n"
                      " int 10h")
        << 0xB8000u << QByteArray("X\x1E", 2);
    QTest::newRow("01h: the cursor's shape, hidden by bit 5")
        << QByteArray("mov ah, 1\n mov cx, 2000h\n int 10h") << 0x460u << QByteArray("\x00\x20", 2);
    QTest::newRow("05h: page 1 active, its start")
        << QByteArray("mov ax, 0501h\n int 10h") << 0x44Eu << QByteArray("\x00\x10", 2);
    QTest::newRow("05h: a page the mode lacks is refused")
        << QByteArray("mov ax, 0508h\n int 10h") << 0x462u << QByteArray("\x00", 1);
    QTest::newRow("02h: BH's cursor moves, page 0's stays")
        << QByteArray("mov bh, 1\n mov dx, 0305h\n mov ah, 2\n int 10h") << 0x450u
        << QByteArray("\x00\x00\x05\x03", 4);
    QTest::newRow("03h: BH's cursor and the shape")
        << QByteArray("mov bh, 1\n mov dx, 0305h\n mov ah, 2\n int 10h\n mov bh, 1\n mov ah, 3\n"
                      " int 10h\n mov ax, 40h\n mov es, ax\n mov [es:0F0h], dx\n"
                      " mov [es:0F2h], cx")
        << scratch << QByteArray("\x05\x03\x07\x06", 4);
    QTest::newRow("0Eh: on the active page, its cursor")
        << QByteArray("mov ax, 0501h\n int 10h\n mov bh, 0\n mov ax, 0E41h\n int 10h") << 0xB9000u
        << QByteArray("A\x07", 2);
    QTest::newRow("0Eh: page 1's cursor moved")
        << QByteArray("mov ax, 0501h\n int 10h\n mov ax, 0E41h\n int 10h") << 0x450u
        << QByteArray("\x00\x00\x01\x00", 4);
    QTest::newRow("09h: a forgotten BH writes page 2")
        << QByteArray("mov bx, 021Eh\n mov ax, 0941h\n mov cx, 2\n int 10h") << 0xBA000u
        << QByteArray("A\x1E"
                      "A\x1E",
                      4);
    QTest::newRow("09h: page 0 untouched when BH is 2")
        << QByteArray("mov bx, 021Eh\n mov ax, 0941h\n mov cx, 2\n int 10h") << 0xB8000u
        << QByteArray(" \x07", 2);
    QTest::newRow("09h: goes on at the next row")
        << QByteArray("mov ah, 2\n mov bh, 0\n mov dx, 004Fh\n int 10h\n mov bx, 001Eh\n"
                      " mov ax, 0942h\n mov cx, 2\n int 10h")
        << 0xB809Eu
        << QByteArray("B\x1E"
                      "B\x1E",
                      4);
    QTest::newRow("0Ah: keeps the attributes")
        << QByteArray("mov bx, 001Eh\n mov ax, 0941h\n mov cx, 2\n int 10h\n mov bh, 0\n"
                      " mov ax, 0A43h\n mov cx, 1\n int 10h")
        << 0xB8000u
        << QByteArray("C\x1E"
                      "A\x1E",
                      4);
    QTest::newRow("08h: reads from BH's page")
        << QByteArray("mov bx, 011Eh\n mov ax, 0941h\n mov cx, 1\n int 10h\n mov bh, 1\n"
                      " mov ah, 8\n int 10h\n mov dx, 40h\n mov es, dx\n mov [es:0F0h], ax")
        << scratch << QByteArray("A\x1E", 2);
    QTest::newRow("13h: on BH's page, cursor kept")
        << QByteArray("mov ax, cs\n mov es, ax\n mov bp, text\n mov bx, 011Fh\n mov cx, 2\n"
                      " mov dx, 0\n mov ax, 1300h\n int 10h\n jmp over\n text db 'Hi'\n over:")
        << 0xB9000u
        << QByteArray("H\x1F"
                      "i\x1F",
                      4);
    QTest::newRow("13h: AL bit 0 moves BH's cursor")
        << QByteArray("mov ax, cs\n mov es, ax\n mov bp, text\n mov bx, 011Fh\n mov cx, 2\n"
                      " mov dx, 0102h\n mov ax, 1301h\n int 10h\n jmp over\n text db 'Hi'\n over:")
        << 0x450u << QByteArray("\x00\x00\x04\x01", 4);
    QTest::newRow("06h: scrolls the active page")
        << QByteArray("mov ax, 0501h\n int 10h\n mov ax, 0E41h\n int 10h\n mov ax, 0601h\n"
                      " mov bh, 4Fh\n mov cx, 0\n mov dx, 184Fh\n int 10h")
        << 0xB9000u << QByteArray(" \x07", 2);
    QTest::newRow("06h: blank line in BH's attribute")
        << QByteArray("mov ax, 0601h\n mov bh, 4Fh\n mov cx, 0\n mov dx, 184Fh\n int 10h")
        << quint32(0xB8000 + 24 * 160) << QByteArray(" \x4F", 2);
    QTest::newRow("0Fh: columns, mode and active page")
        << QByteArray("mov ax, 0502h\n int 10h\n mov ah, 0Fh\n int 10h\n mov dx, 40h\n"
                      " mov es, dx\n mov [es:0F0h], ax\n mov [es:0F2h], bh")
        << scratch << QByteArray("\x03\x50\x02", 3);
    QTest::newRow("0Ch: mode 13h, a byte a pixel")
        << QByteArray("mov ax, 13h\n int 10h\n mov ax, 0C05h\n mov cx, 10\n mov dx, 2\n int 10h")
        << quint32(0xA0000 + 2 * 320 + 10) << QByteArray("\x05", 1);
    QTest::newRow("0Ch: mode 4, odd lines at B800:2000")
        << QByteArray("mov ax, 4\n int 10h\n mov ax, 0C03h\n mov cx, 1\n mov dx, 1\n int 10h")
        << 0xBA000u << QByteArray("\x30", 1);
    QTest::newRow("0Ch: mode 6, a bit a pixel")
        << QByteArray("mov ax, 6\n int 10h\n mov ax, 0C01h\n mov cx, 9\n mov dx, 0\n int 10h")
        << 0xB8001u << QByteArray("\x40", 1);
    QTest::newRow("0Ch: bit 7 XORs")
        << QByteArray("mov ax, 4\n int 10h\n mov ax, 0C03h\n mov cx, 0\n mov dx, 0\n int 10h\n"
                      " mov ax, 0C81h\n int 10h")
        << 0xB8000u << QByteArray("\x80", 1);
    QTest::newRow("0Dh: mode 12h reads back, XOR applied")
        << QByteArray("mov ax, 12h\n int 10h\n mov ax, 0C0Ch\n mov bh, 0\n mov cx, 639\n"
                      " mov dx, 479\n int 10h\n mov ax, 0C81h\n int 10h\n mov ah, 0Dh\n int 10h\n"
                      " mov dx, 40h\n mov es, dx\n mov [es:0F0h], al")
        << scratch << QByteArray("\x0D", 1);
    QTest::newRow("0Dh: mode 0Dh keeps pages apart")
        << QByteArray("mov ax, 0Dh\n int 10h\n mov ax, 0C0Ah\n mov bh, 1\n mov cx, 5\n"
                      " mov dx, 5\n int 10h\n mov bh, 0\n mov ah, 0Dh\n int 10h\n mov dx, 40h\n"
                      " mov es, dx\n mov [es:0F0h], al")
        << scratch << QByteArray("\x00", 1);
    QTest::newRow("10h: DAC register set and read back")
        << QByteArray("mov ax, 13h\n int 10h\n mov ax, 1010h\n mov bx, 20h\n mov dh, 3Fh\n"
                      " mov cx, 0102h\n int 10h\n mov cx, 0\n mov dx, 0\n mov ax, 1015h\n"
                      " int 10h\n mov ax, 40h\n mov es, ax\n mov [es:0F0h], dx\n"
                      " mov [es:0F2h], cx")
        << scratch << QByteArray("\x00\x3F\x02\x01", 4);
    QTest::newRow("10h: DAC block read into ES:DX")
        << QByteArray("mov ax, 40h\n mov es, ax\n mov dx, 0F0h\n mov bx, 1\n mov cx, 1\n"
                      " mov ax, 1017h\n int 10h")
        << scratch << QByteArray("\x00\x00\x2A", 3);
    // AH comes back 0, as DOSBox's BIOS leaves it.
    QTest::newRow("1Ah: a VGA with a colour monitor")
        << QByteArray("mov ax, 1A00h\n int 10h\n mov dx, 40h\n mov es, dx\n mov [es:0F0h], ax\n"
                      " mov [es:0F2h], bx")
        << scratch << QByteArray("\x1A\x00\x08\x00", 4);
}

void TestVideo::leaves()
{
    QFETCH(QByteArray, source);
    QFETCH(quint32, address);
    QFETCH(QByteArray, expected);
    const auto machine = runProgram(dir_, source);
    QVERIFY(machine);
    QCOMPARE(machine->lastStop().reason, StopReason::Exited);
    QCOMPARE(machine->readMemory(address, int(expected.size())).toHex(' '), expected.toHex(' '));
}

void TestVideo::romDateAndModel()
{
    const auto machine = runProgram(dir_, "mov ax, 0FFFFh\n mov ds, ax\n mov ax, [0Eh]\n"
                                          " mov si, 5\n mov cx, 8\n mov di, 0F0h\n mov bx, 40h\n"
                                          " mov es, bx\n rep movsb\n mov [es:0F8h], al");
    QVERIFY(machine);
    QCOMPARE(machine->readMemory(scratch, 9), QByteArray("01/01/92\xFC"));
}

void TestVideo::planarWritesStop()
{
    MachineStop stop;
    const auto machine = runProgram(
        dir_, "mov ax, 12h\n int 10h\n mov ax, 0A000h\n mov es, ax\n mov byte [es:10], 0FFh",
        &stop);
    QVERIFY(machine);
    QCOMPARE(stop.reason, StopReason::Unsupported);
    QVERIFY2(stop.detail.contains("A000") && stop.detail.contains("12h"), qPrintable(stop.detail));
}

// What the monitor shows: the palette a program set reaches the picture.
void TestVideo::picture_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<quint32>("rgb");

    QTest::newRow("13h: the default palette's white")
        << QByteArray("mov ax, 13h\n int 10h\n mov ax, 0C0Fh\n mov cx, 3\n mov dx, 4\n int 10h")
        << QPoint(3, 4) << 0xFFFFFFu;
    QTest::newRow("13h: a colour of the hue rings")
        << QByteArray("mov ax, 13h\n int 10h\n mov ax, 0C28h\n mov cx, 3\n mov dx, 4\n int 10h")
        << QPoint(3, 4) << 0xFF0000u;
    QTest::newRow("13h: DAC written through INT 10h")
        << QByteArray("mov ax, 13h\n int 10h\n mov ax, 1010h\n mov bx, 0\n mov dh, 3Fh\n"
                      " mov cx, 1F00h\n int 10h")
        << QPoint(100, 100) << 0xFF7D00u;
    QTest::newRow("12h: bright red through the palette registers")
        << QByteArray("mov ax, 12h\n int 10h\n mov ax, 0C0Ch\n mov bh, 0\n mov cx, 600\n"
                      " mov dx, 400\n int 10h")
        << QPoint(600, 400) << 0xFF5555u;
    QTest::newRow("12h: a palette register changed")
        << QByteArray("mov ax, 12h\n int 10h\n mov ax, 0C01h\n mov bh, 0\n mov cx, 1\n mov dx, 1\n"
                      " int 10h\n mov ax, 1000h\n mov bx, 3F01h\n int 10h")
        << QPoint(1, 1) << 0xFFFFFFu;
    QTest::newRow("4: palette 1's white")
        << QByteArray("mov ax, 4\n int 10h\n mov ax, 0C03h\n mov cx, 7\n mov dx, 7\n int 10h")
        << QPoint(7, 7) << 0xFFFFFFu;
}

void TestVideo::picture()
{
    QFETCH(QByteArray, source);
    QFETCH(QPoint, pixel);
    QFETCH(quint32, rgb);
    const auto machine = runProgram(dir_, source);
    QVERIFY(machine);
    const ScreenPicture p = machine->screenPicture();
    QVERIFY(!p.text);
    QVERIFY(pixel.x() < p.width && pixel.y() < p.height);
    QCOMPARE(QString::number(p.pixels[size_t(pixel.y()) * p.width + pixel.x()], 16),
             QString::number(rgb, 16));
}

QTEST_MAIN(TestVideo)
#include "tst_video.moc"
