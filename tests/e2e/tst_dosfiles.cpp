#include "dosprogram.h"
#include "mainfixture.h"

#include <QTemporaryDir>
#include <QTest>

// What a program's file functions leave in its folder, on the machine and in
// DOSBox from the same program: the two folders must hold the same files
// with the same bytes.
class TestDosFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void leaves_data();
    void leaves();
};

// Each program starts with these.
static const QByteArray prelude = R"(
%macro create 1
  mov ah, 3Ch
  xor cx, cx
  mov dx, %1
  int 21h
  mov bx, ax
%endmacro
%macro open 2
  mov ax, 3D00h + %2
  mov dx, %1
  int 21h
  mov bx, ax
%endmacro
%macro write 2
  mov ah, 40h
  mov cx, %2
  mov dx, %1
  int 21h
%endmacro
%macro close 0
  mov ah, 3Eh
  int 21h
%endmacro
%macro seek 3
  mov ax, 4200h + %1
  mov cx, %2
  mov dx, %3
  int 21h
%endmacro
%macro exit 0
  mov ax, 4C00h
  int 21h
%endmacro
)";

Q_DECLARE_METATYPE(Files)

void TestDosFiles::initTestCase()
{
    if (!nasmFound())
        QSKIP("nasm is not installed");
}

void TestDosFiles::leaves_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<Files>("before");
    QTest::addColumn<Files>("after");
    // DOSBox leaves the same; where it does not, DOS does as the machine does.
    QTest::addColumn<bool>("asDosbox");

    const Files log{{"LOG.TXT", "first\r\n"}};
    const QByteArray append = R"(
  open name, ACCESS
  seek 2, 0, 0
  write line, 8
  close
  exit
name db 'LOG.TXT', 0
line db 'second', 13, 10
)";
    QTest::newRow("open write-only, seek to the end, append")
        << QByteArray(append).replace("ACCESS", "1") << log
        << Files{{"LOG.TXT", "first\r\nsecond\r\n"}} << true;
    QTest::newRow("open read-write, seek to the end, append")
        << QByteArray(append).replace("ACCESS", "2") << log
        << Files{{"LOG.TXT", "first\r\nsecond\r\n"}} << true;
    QTest::newRow("open write-only and write over the start")
        << QByteArray("open name, 1\nwrite line, 2\nclose\nexit\n"
                      "name db 'LOG.TXT', 0\nline db 'AB'\n")
        << log << Files{{"LOG.TXT", "ABrst\r\n"}} << true;
    QTest::newRow("create empties the file")
        << QByteArray("create name\nclose\nexit\nname db 'LOG.TXT', 0\n") << log
        << Files{{"LOG.TXT", ""}} << true;

    // Devices are found by their name alone, in any folder and with any
    // extension; what is written to them reaches no file.
    const QByteArray toDevice = "create name\nwrite name, 4\nclose\nexit\nname db 'NAME', 0\n";
    // DOSBox knows no CLOCK$, and COM2 to COM4 and LPT1 to LPT3 only without
    // an extension: it writes those as files, where DOS does not.
    const QList<QPair<const char *, bool>> devices = {
        {"NUL", true},       {"nul.txt", true}, {"CON.ASM", true},        {"AUX", true},
        {"PRN.LST", true},   {"COM1", true},    {"COM4.DAT", false},      {"LPT1", true},
        {"LPT3.TXT", false}, {"CLOCK$", false}, {"SUB\\LPT2.OUT", false}, {"C:\\SUB\\NUL", true}};
    for (const auto &[name, asDosbox] : devices)
        QTest::newRow(qPrintable(QStringLiteral("written to device %1").arg(name)))
            << QByteArray(toDevice).replace("NAME", name) << Files{{"SUB/KEEP", ""}}
            << Files{{"SUB/KEEP", ""}} << asDosbox;
    QTest::newRow("names that only begin like a device are files")
        << QByteArray("create a\nclose\ncreate b\nclose\ncreate c\nclose\nexit\n"
                      "a db 'COM5', 0\nb db 'LPT', 0\nc db 'NULL.TXT', 0\n")
        << Files{} << Files{{"COM5", ""}, {"LPT", ""}, {"NULL.TXT", ""}} << true;
    // What a read from each device returns: AX and the carry flag, kept in a file.
    const QByteArray readDevice = R"(
  open name, 2
  mov ah, 3Fh
  mov cx, 8
  mov dx, buffer
  int 21h
  pushf
  mov [result], ax
  pop ax
  and al, 1
  mov [result+2], al
  close
  create outname
  write result, 3
  close
  exit
name db 'NAME', 0
outname db 'RESULT.BIN', 0
result db 0, 0, 0
buffer times 8 db 0
)";
    // NUL and the printers are at their end at once, as in DOS; DOSBox
    // fills the buffer with zeros instead, so that a program reading to the
    // end never ends. The clock gives its six bytes of date and time.
    for (const char *name : {"NUL", "PRN", "LPT1"})
        QTest::newRow(qPrintable(QStringLiteral("read from %1").arg(name)))
            << QByteArray(readDevice).replace("NAME", name) << Files{}
            << Files{{"RESULT.BIN", QByteArray(3, '\0')}} << false;
    QTest::newRow("read from CLOCK$") << QByteArray(readDevice).replace("NAME", "CLOCK$") << Files{}
                                      << Files{{"RESULT.BIN", QByteArray("\6\0\0", 3)}} << false;
}

void TestDosFiles::leaves()
{
    QFETCH(QByteArray, source);
    QFETCH(Files, before);
    QFETCH(Files, after);
    QFETCH(bool, asDosbox);
    QTemporaryDir machineDir, dosboxDir;
    for (const QTemporaryDir *dir : {&machineDir, &dosboxDir}) {
        QVERIFY(assembleCom(prelude + source, dir->filePath("PROG.COM")));
        QVERIFY(putFiles(dir->path(), before));
    }
    const MachineStop stop = runOnMachine(machineDir.filePath("PROG.COM"));
    QVERIFY2(stop.reason == StopReason::Exited, qPrintable(stop.detail));
    QCOMPARE(filesIn(machineDir.path()), after);
    if (!asDosbox)
        return;
    if (!dosboxFound())
        QSKIP("dosbox is not installed: the machine was not compared with it");
    QVERIFY(runInDosbox(dosboxDir.filePath("PROG.COM")));
    QCOMPARE(filesIn(dosboxDir.path()), after);
}

QTEST_MAIN(TestDosFiles)
#include "tst_dosfiles.moc"
