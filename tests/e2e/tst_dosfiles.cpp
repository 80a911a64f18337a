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
    void toolFolder_data();
    void toolFolder();
    void gbkNames();
    void limits_data();
    void limits();
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
    // Instructions that reach DOS's own vectors, an IRET each, let the
    // program go on, as does HLT while interrupts are enabled.
    const QByteArray result = "\ncreate outname\nwrite text, 2\nclose\nexit\n"
                              "outname db 'RESULT.BIN', 0\ntext db 'ok'\n";
    QTest::newRow("INT 3, INT 1 and INT 2 return at once")
        << "int3\nint 1\nint 2\nint 3" + result << Files{} << Files{{"RESULT.BIN", "ok"}} << true;
    QTest::newRow("INTO with overflow, INT 4 left to DOS")
        << "mov al, 7Fh\nadd al, 1\ninto" + result << Files{} << Files{{"RESULT.BIN", "ok"}}
        << true;
    QTest::newRow("HLT with interrupts enabled")
        << "sti\nhlt" + result << Files{} << Files{{"RESULT.BIN", "ok"}} << true;
    QTest::newRow("INTO calls the program's INT 4 only on overflow") << QByteArray(R"(
  mov ax, 2504h
  mov dx, handler
  int 21h
  xor ax, ax
  into
  mov al, 7Fh
  add al, 1
  into
  create outname
  write count, 1
  close
  exit
handler:
  inc byte [count]
  iret
count db '0'
outname db 'RESULT.BIN', 0
)") << Files{} << Files{{"RESULT.BIN", "1"}} << true;
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

using Writes = Drives::ToolFolderWrites;
Q_DECLARE_METATYPE(Writes)

void TestDosFiles::toolFolder_data()
{
    QTest::addColumn<Writes>("writes");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<int>("error");         // 0: done
    QTest::addColumn<QStringList>("added"); // to C:, by the operation
    const QList<std::tuple<const char *, const char *, int, QStringList>> student = {
        {"create a file", "create newfile", 5, {}},
        {"create over a tool", "create tool", 5, {}},
        {"create a new file", "mov ah, 5Bh\nxor cx, cx\nmov dx, newfile\nint 21h", 5, {}},
        {"open a tool write-only", "open tool, 1", 5, {}},
        {"open a tool to read and write", "open tool, 2", 5, {}},
        {"open a tool to read", "open tool, 0\nmov ax, 0", 0, {}},
        {"delete a tool", "mov ah, 41h\nmov dx, tool\nint 21h", 5, {}},
        {"rename a tool", "mov ah, 56h\nmov dx, tool\nmov di, newfile\nint 21h", 5, {}},
        {"make a folder", "mov ah, 39h\nmov dx, newfile\nint 21h", 5, {}},
        {"remove a folder", "mov ah, 3Ah\nmov dx, folder\nint 21h", 5, {}},
        {"create a file in D:", "create dfile", 0, {}},
    };
    for (const auto &[name, operation, error, added] : student)
        QTest::newRow(qPrintable(QStringLiteral("program beside the tools: %1").arg(name)))
            << Writes::None << QByteArray(operation) << error << added;
    const QList<std::tuple<const char *, const char *, int, QStringList>> ownFiles = {
        {"create a file of its own", "create datafile", 0, {"DATA.TXT"}},
        {"create a library", "create newfile", 5, {}},
        {"create over a tool", "create tool", 5, {}},
        {"create over the settings", "create settings", 5, {}},
        {"open a tool to read and write", "open tool, 2", 5, {}},
        {"open a tool to read", "open tool, 0\nmov ax, 0", 0, {}},
        {"delete a tool", "mov ah, 41h\nmov dx, tool\nint 21h", 5, {}},
        {"rename a tool", "mov ah, 56h\nmov dx, tool\nmov di, datafile\nint 21h", 5, {}},
        {"a tool's name in a folder of its own", "create inFolderTool", 0, {"OLD/MASM.EXE"}},
    };
    for (const auto &[name, operation, error, added] : ownFiles)
        QTest::newRow(qPrintable(QStringLiteral("student's program: %1").arg(name)))
            << Writes::ExceptTools << QByteArray(operation) << error << added;
    QTest::newRow("tool: its own output")
        << Writes::Outputs << QByteArray("create output") << 0 << QStringList{"TEMP_F.OBJ"};
    QTest::newRow("tool: over another tool")
        << Writes::Outputs << QByteArray("create tool") << 5 << QStringList{};
    QTest::newRow("tool: its output's name in a folder")
        << Writes::Outputs << QByteArray("create inFolder") << 5 << QStringList{};
    QTest::newRow("tool: another file")
        << Writes::Outputs << QByteArray("create newfile") << 5 << QStringList{};
    QTest::newRow("tool: delete another tool")
        << Writes::Outputs << QByteArray("mov ah, 41h\nmov dx, tool\nint 21h") << 5
        << QStringList{};
}

// A student's program may read the tools but change nothing in C:, and a
// tool's run may write only its outputs; what is refused gets DOS's access
// denied, and D: stays the program's own.
void TestDosFiles::toolFolder()
{
    QFETCH(Writes, writes);
    QFETCH(QByteArray, operation);
    QFETCH(int, error);
    QFETCH(QStringList, added);
    QTemporaryDir c, d;
    const Files tools{{"MASM.EXE", "the assembler"}, {"OLD/KEEP", ""}, {"CL.DLL", "settings"}};
    QVERIFY(putFiles(c.path(), tools));
    QVERIFY(QFile::remove(c.filePath("OLD/KEEP")));
    QVERIFY(assembleCom(prelude + operation + R"(
  jnc done
  mov [result], ax
done:
  create resultfile
  write result, 2
  close
  exit
newfile db 'CL2.DLL', 0
tool db 'MASM.EXE', 0
settings db 'CL.DLL', 0
datafile db 'DATA.TXT', 0
inFolderTool db 'OLD\MASM.EXE', 0
folder db 'OLD', 0
dfile db 'D:\OUT.TXT', 0
output db 'TEMP_F.OBJ', 0
inFolder db 'OLD\TEMP_F.OBJ', 0
resultfile db 'D:\RESULT.BIN', 0
result dw 0
)",
                        c.filePath("PROG.COM")));
    Machine::Setup setup;
    setup.toolFolder = c.path();
    setup.sourceFolder = d.path();
    setup.toolFolderWrites = writes;
    setup.toolOutputs = {"TEMP_F.*"};
    const MachineStop stop = runOnMachine(c.filePath("PROG.COM"), setup);
    QVERIFY2(stop.reason == StopReason::Exited, qPrintable(stop.detail));
    QCOMPARE(fileBytes(d.filePath("RESULT.BIN")), QByteArray(1, char(error)) + '\0');
    Files expected{{"MASM.EXE", "the assembler"}, {"CL.DLL", "settings"}};
    for (const QString &name : added)
        expected.insert(name, "");
    QCOMPARE(filesIn(c.path()), expected);
    QCOMPARE(QDir(c.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"OLD"});
}

// Two names that differ only in their GBK bytes are two files, each opened
// again by its name; on the host they read as the Chinese names they are.
// DOSBox refuses these names (its create fails): a DOS with a Chinese code
// page, as a student writing GBK names has, takes them.
void TestDosFiles::gbkNames()
{
    const QByteArray source = prelude + R"(
  create first
  write one, 1
  close
  create second
  write two, 1
  close
  open first, 0
  mov ah, 3Fh
  mov cx, 1
  mov dx, got
  int 21h
  close
  create outname
  write got, 1
  close
  exit
first db 0B2h, 0E2h, 0CAh, 0D4h, '.TXT', 0
second db 0B2h, 0E2h, 0CAh, 0D5h, '.TXT', 0
outname db 'RESULT.BIN', 0
one db '1'
two db '2'
got db '?'
)";
    QTemporaryDir machineDir;
    QVERIFY(assembleCom(source, machineDir.filePath("PROG.COM")));
    const MachineStop stop = runOnMachine(machineDir.filePath("PROG.COM"));
    QVERIFY2(stop.reason == StopReason::Exited, qPrintable(stop.detail));
    QCOMPARE(filesIn(machineDir.path()),
             (Files{{"测试.TXT", "1"}, {"测收.TXT", "2"}, {"RESULT.BIN", "1"}}));
}

Q_DECLARE_METATYPE(StopReason)

void TestDosFiles::limits_data()
{
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<StopReason>("stop");
    QTest::addColumn<qint64>("size"); // of BIG.BIN afterwards
    QTest::newRow("seek to 2 GB, write a byte")
        << QByteArray("create big\nseek 0, 7FFFh, 0FFFFh\nwrite big, 1") << StopReason::OutputLimit
        << qint64(0);
    QTest::newRow("seek to 2 GB, write nothing: the file would grow to there")
        << QByteArray("create big\nseek 0, 7FFFh, 0FFFFh\nwrite big, 0") << StopReason::OutputLimit
        << qint64(0);
    QTest::newRow("seek to just under the limit, write nothing")
        << QByteArray("create big\nseek 0, 0Fh, 0\nwrite big, 0") << StopReason::Exited
        << qint64(0xF0000);
    QTest::newRow("an old file over the limit, read")
        << QByteArray("open old, 0\nclose") << StopReason::Exited << qint64(-1);
    QTest::newRow("an old file over the limit, a byte written at its start")
        << QByteArray("open old, 1\nwrite big, 1\nclose") << StopReason::Exited << qint64(-1);
}

// The size limit weighs what a file becomes, however few bytes make it so,
// and only files the run writes.
void TestDosFiles::limits()
{
    QFETCH(QByteArray, operation);
    QFETCH(StopReason, stop);
    QFETCH(qint64, size);
    QTemporaryDir c;
    const qint64 limit = 1024 * 1024;
    QFile old(c.filePath("OLD.BIN"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.resize(3 * limit));
    old.close();
    QVERIFY(assembleCom(prelude + operation + "\nexit\nbig db 'BIG.BIN', 0\nold db 'OLD.BIN', 0\n",
                        c.filePath("PROG.COM")));
    Machine::Setup setup;
    setup.toolFolder = c.path();
    setup.fileSizeLimit = limit;
    const MachineStop stopped = runOnMachine(c.filePath("PROG.COM"), setup);
    QVERIFY2(stopped.reason == stop, qPrintable(stopped.detail));
    QCOMPARE(QFileInfo(c.filePath("BIG.BIN")).exists() ? QFileInfo(c.filePath("BIG.BIN")).size()
                                                       : qint64(-1),
             size);
    QCOMPARE(QFileInfo(c.filePath("OLD.BIN")).size(), 3 * limit);
}

QTEST_MAIN(TestDosFiles)
#include "tst_dosfiles.moc"
