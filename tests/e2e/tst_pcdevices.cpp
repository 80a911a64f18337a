#include "dosprogram.h"
#include "mainfixture.h"

#include <QTemporaryDir>
#include <QTest>

// The PC's devices as a program meets them through its ports and its
// interrupts: each row is a small program that leaves its answer in AL,
// which its end writes to RESULT.BIN; the machine (on time counted in
// instructions, so every run is the same) must give the row's answer, and
// DOSBox, where it runs the same program, the same.
class TestPcDevices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void programs_data();
    void programs();
    void unknownPortStops_data();
    void unknownPortStops();
};

void TestPcDevices::initTestCase()
{
    if (!nasmFound())
        QSKIP("nasm is not installed");
}

static const char epilogue[] = R"(
finish:
  push cs
  pop ds
  mov [answer], al
  mov ah, 3Ch
  xor cx, cx
  mov dx, resultName
  int 21h
  mov bx, ax
  mov ah, 40h
  mov cx, 1
  mov dx, answer
  int 21h
  mov ah, 3Eh
  int 21h
  mov ax, 4C00h
  int 21h
resultName db 'RESULT.BIN', 0
answer db 0
old dd 0
count dw 0
codes db 8 dup (0)
)";

// Saves vector %1 in [old] and puts the routine %2 there.
static const char macros[] = R"(
%macro hook 2
  mov ax, 3500h + %1
  int 21h
  mov [old], bx
  mov [old+2], es
  mov dx, %2
  mov ax, 2500h + %1
  int 21h
%endmacro
%macro unhook 1
  push ds
  lds dx, [old]
  mov ax, 2500h + %1
  int 21h
  pop ds
%endmacro
)";

void TestPcDevices::programs_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<quint16>>("keys"); // typed when the program waits for one
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("dosbox");

    QTest::newRow("the BIOS leaves the timer and the keyboard unmasked")
        << QByteArray(" in al, 21h\n and al, 3\n") << QList<quint16>() << 0 << true;
    QTest::newRow("each HLT waits for the next tick of 0040:006C")
        << QByteArray(" mov ax, 40h\n mov es, ax\n sti\n hlt\n mov bx, [es:6Ch]\n hlt\n hlt\n"
                      " hlt\n mov ax, [es:6Ch]\n sub ax, bx\n")
        << QList<quint16>() << 3 << true;
    QTest::newRow("INT 1Ch is called once a tick")
        << QByteArray(" hook 1Ch, tick\n mov ax, 40h\n mov es, ax\n sti\n hlt\n"
                      " mov bx, [es:6Ch]\n mov word [count], 0\n"
                      ".wait:\n mov ax, [es:6Ch]\n sub ax, bx\n cmp ax, 5\n jb .wait\n"
                      " unhook 1Ch\n mov al, [count]\n jmp finish\n"
                      "tick:\n inc word [cs:count]\n iret\n")
        << QList<quint16>() << 5 << true;
    QTest::newRow("the timer set to 1000 Hz interrupts the program's own INT 8")
        << QByteArray(" hook 08h, timer\n cli\n mov al, 36h\n out 43h, al\n mov ax, 1193\n"
                      " out 40h, al\n mov al, ah\n out 40h, al\n sti\n mov cx, 100\n"
                      ".wait:\n hlt\n loop .wait\n cli\n mov al, 36h\n out 43h, al\n"
                      " xor al, al\n out 40h, al\n out 40h, al\n unhook 08h\n sti\n"
                      " mov al, [count]\n jmp finish\n"
                      "timer:\n inc word [cs:count]\n push ax\n mov al, 20h\n out 20h, al\n"
                      " pop ax\n iret\n")
        << QList<quint16>() << 100 << true;
    QTest::newRow("a handler that never ends its interrupt gets no second tick")
        << QByteArray(" hook 08h, timer\n sti\n mov dx, 40\n.outer:\n mov cx, 0\n"
                      ".inner:\n loop .inner\n dec dx\n jnz .outer\n cli\n unhook 08h\n"
                      " mov al, 20h\n out 20h, al\n sti\n mov al, [count]\n jmp finish\n"
                      "timer:\n inc word [cs:count]\n iret\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("timer 2's count, latched, runs down")
        << QByteArray(" in al, 61h\n and al, 0FCh\n or al, 1\n out 61h, al\n mov al, 0B4h\n"
                      " out 43h, al\n mov al, 0FFh\n out 42h, al\n out 42h, al\n"
                      " mov al, 80h\n out 43h, al\n in al, 42h\n mov bl, al\n in al, 42h\n"
                      " mov bh, al\n mov cx, 200\n.wait:\n loop .wait\n mov al, 80h\n"
                      " out 43h, al\n in al, 42h\n mov dl, al\n in al, 42h\n mov dh, al\n"
                      " cmp dx, bx\n mov al, 0\n jae finish\n mov al, 1\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("port 61h's bit 5 follows timer 2's square wave")
        << QByteArray(" mov al, 0B6h\n out 43h, al\n mov ax, 1193\n out 42h, al\n mov al, ah\n"
                      " out 42h, al\n in al, 61h\n or al, 1\n and al, 0FDh\n out 61h, al\n"
                      " in al, 61h\n and al, 20h\n mov bl, al\n xor cx, cx\n"
                      ".wait:\n in al, 61h\n and al, 20h\n cmp al, bl\n jne .seen\n"
                      " loop .wait\n mov al, 0\n jmp finish\n"
                      ".seen:\n in al, 61h\n and al, 0FCh\n out 61h, al\n mov al, 1\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("port 61h's refresh bit flips, so delay loops on it end")
        << QByteArray(" in al, 61h\n and al, 10h\n mov bl, al\n mov dx, 20\n xor cx, cx\n"
                      ".wait:\n in al, 61h\n and al, 10h\n cmp al, bl\n je .same\n"
                      " mov bl, al\n dec dx\n jz .done\n.same:\n loop .wait\n mov al, 0\n"
                      " jmp finish\n.done:\n mov al, 1\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("the clock chip's status B is 24-hour BCD and D says the battery is good")
        << QByteArray(" mov al, 0Bh\n out 70h, al\n in al, 71h\n mov bl, al\n mov al, 0Dh\n"
                      " out 70h, al\n in al, 71h\n and al, 80h\n or al, bl\n")
        << QList<quint16>() << 0x82 << true;
    QTest::newRow("the clock chip's day of the week is DOS's, Sunday as 1")
        << QByteArray(" mov ah, 2Ah\n int 21h\n inc al\n mov bl, al\n mov al, 6\n out 70h, al\n"
                      " in al, 71h\n cmp al, bl\n mov al, 0\n jne finish\n mov al, 1\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("the clock chip's century is 20")
        << QByteArray(" mov al, 32h\n out 70h, al\n in al, 71h\n")
        << QList<quint16>() << 0x20 << true;
    QTest::newRow("the clock chip tells the hour and minute DOS tells")
        << QByteArray(" mov si, 2\n.again:\n mov al, 4\n out 70h, al\n in al, 71h\n"
                      " mov bh, al\n mov al, 2\n out 70h, al\n in al, 71h\n mov bl, al\n"
                      " mov ah, 2Ch\n int 21h\n mov al, ch\n aam\n mov cl, 4\n shl ah, cl\n"
                      " or al, ah\n mov [codes], al\n mov ah, 2Ch\n int 21h\n mov al, cl\n aam\n"
                      " mov cl, 4\n shl ah, cl\n or al, ah\n mov dl, al\n mov dh, [codes]\n"
                      " cmp dx, bx\n"
                      " je .same\n dec si\n jnz .again\n mov al, 0\n jmp finish\n"
                      ".same:\n mov al, 1\n")
        << QList<quint16>() << 1 << true;
    QTest::newRow("INT 1Ah 02h and 04h answer what the clock chip holds")
        << QByteArray(" mov ah, 4\n int 1Ah\n mov al, 32h\n out 70h, al\n in al, 71h\n"
                      " cmp al, ch\n jne .no\n mov al, 9\n out 70h, al\n in al, 71h\n"
                      " cmp al, cl\n jne .no\n mov ah, 2\n int 1Ah\n mov al, 4\n out 70h, al\n"
                      " in al, 71h\n cmp al, ch\n jne .no\n mov al, 1\n jmp finish\n"
                      ".no:\n mov al, 0\n")
        << QList<quint16>() << 1 << true;
    // The 80286 and later (and DOSBox) push the DIV's own address; the
    // handler steps over the two-byte DIV BL.
    QTest::newRow("every divide error reaches the program's INT 0, not just the first")
        << QByteArray(" hook 00h, divide\n mov cx, 4\n.again:\n mov ax, 100\n xor bl, bl\n"
                      " div bl\n loop .again\n mov ax, 1\n mov bl, 1\n div bl\n unhook 00h\n"
                      " mov al, [count]\n jmp finish\n"
                      "divide:\n inc word [cs:count]\n push bp\n mov bp, sp\n"
                      " add word [bp+2], 2\n pop bp\n iret\n")
        << QList<quint16>() << 4 << true;
    QTest::newRow("a key reaches the program's INT 9 as its make and break codes, and "
                  "through the BIOS's INT 9 the buffer")
        << QByteArray(" hook 09h, keyboard\n mov ah, 0\n int 16h\n mov bx, ax\n xor cx, cx\n"
                      ".wait:\n cmp word [count], 2\n jae .both\n loop .wait\n.both:\n"
                      " unhook 09h\n xor al, al\n cmp bx, 1E61h\n jne finish\n"
                      " cmp word [codes], 9E1Eh\n jne finish\n mov al, [count]\n jmp finish\n"
                      "keyboard:\n push ax\n push bx\n in al, 60h\n mov bx, [cs:count]\n"
                      " and bx, 7\n mov [cs:codes+bx], al\n inc word [cs:count]\n pop bx\n"
                      " pop ax\n jmp far [cs:old]\n")
        << QList<quint16>{0x1E61} << 2 << false;
    QTest::newRow("a handler that does not chain keeps the key from the BIOS")
        << QByteArray(" hook 09h, keyboard\n sti\n.wait:\n cmp word [count], 2\n jb .wait\n"
                      " unhook 09h\n mov ah, 1\n int 16h\n mov al, 0\n jnz finish\n"
                      " mov al, [codes]\n jmp finish\n"
                      "keyboard:\n push ax\n push bx\n in al, 60h\n mov bx, [cs:count]\n"
                      " and bx, 7\n mov [cs:codes+bx], al\n inc word [cs:count]\n"
                      " mov al, 20h\n out 20h, al\n pop bx\n pop ax\n iret\n")
        << QList<quint16>{0x011B} << 1 << false;
}

void TestPcDevices::programs()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<quint16>, keys);
    QFETCH(int, answer);
    QFETCH(bool, dosbox);

    QTemporaryDir dir;
    const QString com = dir.filePath("PROG.COM");
    QVERIFY(assembleCom(QByteArray(macros) + body + epilogue, com));

    Machine::Setup setup;
    setup.toolFolder = dir.path();
    setup.clock = MachineClock::Kind::Instructions;
    Machine machine(setup);
    QString error;
    QVERIFY2(machine.load(com, "", &error), qPrintable(error));
    MachineStop stop;
    // Keys are typed once the program is under way (after its first
    // thousands of instructions) or when it waits for one.
    stop = machine.run({0, 20000});
    for (int i = 0; i < 50 && (stop.reason == StopReason::BudgetSpent ||
                               stop.reason == StopReason::InputWanted);
         ++i) {
        if (!keys.isEmpty())
            machine.pushKey(keys.takeFirst());
        else if (stop.reason == StopReason::InputWanted)
            break;
        stop = machine.run({0, 2000000});
    }
    QVERIFY2(stop.reason == StopReason::Exited, qPrintable(stop.detail));
    QCOMPARE(fileBytes(dir.filePath("RESULT.BIN")), QByteArray(1, char(answer)));

    if (!dosbox || !dosboxFound())
        return;
    QFile::remove(dir.filePath("RESULT.BIN"));
    QVERIFY(runInDosbox(com));
    QCOMPARE(fileBytes(dir.filePath("RESULT.BIN")), QByteArray(1, char(answer)));
}

void TestPcDevices::unknownPortStops_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("port");
    QTest::newRow("a byte read from the printer port")
        << QByteArray(" mov dx, 378h\n in al, dx\n") << "port 378h";
    QTest::newRow("a byte written to the serial port")
        << QByteArray(" mov dx, 3F8h\n mov al, 41h\n out dx, al\n") << "port 3F8h";
    QTest::newRow("a word read from the game port")
        << QByteArray(" mov dx, 201h\n in ax, dx\n") << "port 201h";
    QTest::newRow("the VGA sequencer, which the machine does not have")
        << QByteArray(" mov dx, 3C4h\n mov ax, 0F02h\n out dx, ax\n") << "port 3C4h";
}

// A program never reads a silent nothing from hardware the machine lacks:
// it stops, with the port named, before going on with a wrong value.
void TestPcDevices::unknownPortStops()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, port);
    QTemporaryDir dir;
    const QString com = dir.filePath("PROG.COM");
    QVERIFY(assembleCom(body + " mov ax, 4C00h\n int 21h\n", com));
    const MachineStop stop = runOnMachine(com);
    QCOMPARE(stop.reason, StopReason::Unsupported);
    QCOMPARE(stop.detail, port);
}

QTEST_MAIN(TestPcDevices)
#include "tst_pcdevices.moc"
