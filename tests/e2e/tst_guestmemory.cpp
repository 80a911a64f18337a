#include "machine/machine.h"
#include "mainfixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Services handed pointers at the very top of the address space (segment
// FFFFh, offsets near FFFFh): each must reach the bytes the 8086 would and
// nothing beyond the machine's megabyte. Run under the sanitizers, a service
// that steps past the buffer stops the test program.
class TestGuestMemory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void servicesAtTheTop_data();
    void servicesAtTheTop();
};

void TestGuestMemory::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("nasm is not installed");
}

// Every row: ES = FFFFh on entry; `put OFFSET, LABEL, COUNT` copies bytes of
// the program to FFFF:OFFSET; the row ends with its answer in AL, which
// becomes the exit code.
static const char prologue[] = R"(
org 100h
%macro put 3
  mov si, %2
  mov di, %1
  mov cx, %3
  cld
  rep movsb
%endmacro
%macro carry 0
  mov al, 0
  adc al, 0
%endmacro
  mov ax, 0FFFFh
  mov es, ax
)";

static const char epilogue[] = R"(
  mov ah, 4Ch
  int 21h
name1 db 'TOP.TXT', 0
name2 db 'TOP2.TXT', 0
folder db 'SUB', 0
pattern db 'PROG.*', 0
text db 'OK$'
)";

void TestGuestMemory::servicesAtTheTop_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("screen");

    QTest::newRow("09h prints a string at FFFF:FFF8")
        << QByteArray("put 0FFF8h, text, 3\n push es\n pop ds\n mov dx, 0FFF8h\n mov ah, 9\n"
                      " int 21h\n")
        << QByteArray() << 0x24 << "OK";
    QTest::newRow("0Ah reads a line into FFFF:FFF8")
        << QByteArray("mov byte [es:0FFF8h], 5\n push es\n pop ds\n mov dx, 0FFF8h\n"
                      " mov ah, 0Ah\n int 21h\n mov al, [es:0FFF9h]\n"
                      " cmp byte [es:0FFFAh], 'a'\n je .ok\n mov al, 0EEh\n.ok:\n")
        << QByteArray("ab\r") << 2 << "ab";
    QTest::newRow("1Ah puts the DTA at FFFF:FF00, 4Eh fills it")
        << QByteArray("push es\n pop ds\n mov dx, 0FF00h\n mov ah, 1Ah\n int 21h\n"
                      " push cs\n pop ds\n mov dx, pattern\n xor cx, cx\n mov ah, 4Eh\n"
                      " int 21h\n jc .no\n mov ah, 4Fh\n int 21h\n jnc .no\n"
                      " mov ah, 2Fh\n int 21h\n mov al, [es:bx+1Eh]\n jmp .end\n"
                      ".no:\n mov al, 0EEh\n.end:\n")
        << QByteArray() << int('P') << "";
    QTest::newRow("3Ch, 40h, 3Fh over FFFF:FF80 and a read past the megabyte")
        << QByteArray("put 0FFF0h, name1, 8\n put 0FF80h, prologue_bytes, 80h\n"
                      " push es\n pop ds\n mov dx, 0FFF0h\n xor cx, cx\n mov ah, 3Ch\n"
                      " int 21h\n jc .no\n mov bx, ax\n mov dx, 0FF80h\n mov cx, 80h\n"
                      " mov ah, 40h\n int 21h\n jc .no\n cmp ax, 80h\n jne .no\n"
                      " xor cx, cx\n xor dx, dx\n mov ax, 4200h\n int 21h\n"
                      " mov dx, 0FFF0h\n mov cx, 20h\n mov ah, 3Fh\n int 21h\n jc .no\n"
                      " cmp ax, 20h\n jne .no\n mov ah, 3Eh\n int 21h\n"
                      " push cs\n pop ds\n mov si, prologue_bytes\n mov di, 0FFF0h\n"
                      " mov cx, 10h\n repe cmpsb\n jne .no\n mov al, 1\n jmp .end\n"
                      ".no:\n mov al, 0EEh\n.end:\n")
        << QByteArray() << 1 << "";
    QTest::newRow("41h and 43h take paths at FFFF:FFF0")
        << QByteArray("put 0FFF0h, name1, 8\n push es\n pop ds\n mov dx, 0FFF0h\n"
                      " xor cx, cx\n mov ah, 3Ch\n int 21h\n jc .no\n mov bx, ax\n"
                      " mov ah, 3Eh\n int 21h\n mov ax, 4300h\n int 21h\n jc .no\n"
                      " mov ah, 41h\n int 21h\n jc .no\n mov ax, 4300h\n int 21h\n"
                      " jnc .no\n jmp .end\n"
                      ".no:\n mov al, 0EEh\n.end:\n")
        << QByteArray() << 2 << "";
    QTest::newRow("56h renames FFFF:FFE0 to FFFF:FFF0")
        << QByteArray("put 0FFE0h, name1, 8\n put 0FFF0h, name2, 9\n push es\n pop ds\n"
                      " mov dx, 0FFE0h\n xor cx, cx\n mov ah, 3Ch\n int 21h\n jc .no\n"
                      " mov bx, ax\n mov ah, 3Eh\n int 21h\n mov di, 0FFF0h\n mov ah, 56h\n"
                      " int 21h\n jc .no\n mov dx, 0FFF0h\n mov ax, 3D00h\n int 21h\n"
                      " jc .no\n mov al, 3\n jmp .end\n.no:\n mov al, 0EEh\n.end:\n")
        << QByteArray() << 3 << "";
    QTest::newRow("39h, 3Bh, 47h and 3Ah with FFFF:FFB0")
        << QByteArray("put 0FFF0h, folder, 4\n push es\n pop ds\n mov dx, 0FFF0h\n"
                      " mov ah, 39h\n int 21h\n jc .no\n mov ah, 3Bh\n int 21h\n jc .no\n"
                      " mov si, 0FFB0h\n xor dl, dl\n mov ah, 47h\n int 21h\n jc .no\n"
                      " mov bl, [es:0FFB0h]\n mov word [es:0FFF4h], 5Ch\n mov dx, 0FFF4h\n"
                      " mov ah, 3Bh\n"
                      " int 21h\n jc .no\n mov dx, 0FFF0h\n mov ah, 3Ah\n int 21h\n jc .no\n"
                      " mov al, bl\n jmp .end\n.no:\n mov al, 0EEh\n.end:\n")
        << QByteArray() << int('S') << "";
    QTest::newRow("INT 10h 13h writes a string from FFFF:FFF8")
        << QByteArray("put 0FFF8h, text, 2\n mov bp, 0FFF8h\n mov cx, 2\n mov dx, 0305h\n"
                      " mov bx, 001Eh\n mov ax, 1300h\n int 10h\n mov ah, 3\n int 10h\n"
                      " mov al, dl\n")
        << QByteArray() << 0 << "\n\n\n     OK";
    QTest::newRow("a program's own INT handler entered with SS at FFFFh")
        << QByteArray("push ds\n xor ax, ax\n mov ds, ax\n mov word [60h*4], handler\n"
                      " mov [60h*4+2], cs\n pop ds\n cli\n mov ax, 0FFFFh\n mov ss, ax\n"
                      " mov sp, 0FFF4h\n xor bl, bl\n int 60h\n mov ax, cs\n mov ss, ax\n"
                      " mov sp, 0FFFEh\n sti\n mov al, bl\n jmp finish\n"
                      "handler:\n mov bl, 7\n iret\nfinish:\n")
        << QByteArray() << 7 << "";
}

void TestGuestMemory::servicesAtTheTop()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, keys);
    QFETCH(int, exitCode);
    QFETCH(QString, screen);

    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("c")));
    const QString source = dir.filePath("prog.asm");
    // 80h bytes of known content for the file rows: the prologue's own code.
    const QByteArray program = prologue + body + epilogue + "prologue_bytes equ 100h\n";
    QVERIFY(writeFile(source, program));
    QProcess nasm;
    nasm.start("nasm", {"-f", "bin", source, "-o", dir.filePath("c/PROG.COM")});
    QVERIFY(nasm.waitForFinished());
    QVERIFY2(nasm.exitCode() == 0, nasm.readAllStandardError().constData());

    Machine::Setup setup;
    setup.toolFolder = dir.filePath("c");
    Machine machine(setup);
    QString error;
    QVERIFY2(machine.load(dir.filePath("c/PROG.COM"), {}, &error), qPrintable(error));
    for (char c : keys)
        machine.pushKey(quint16(quint8(c)));
    const MachineStop stop = machine.run({0, 1000000});
    QCOMPARE(stop.detail, QString());
    QCOMPARE(stop.reason, StopReason::Exited);
    QCOMPARE(stop.exitCode, exitCode);

    const QStringList rows = screen.split('\n');
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] != ' ')
                QCOMPARE(QChar(machine.screenCell(r, c) & 0xFF), rows[r][c]);
}

QTEST_GUILESS_MAIN(TestGuestMemory)
#include "tst_guestmemory.moc"
