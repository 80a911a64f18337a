#include "machine/machine.h"
#include "machine/toolrun.h"
#include "mainfixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// DOS programs assembled with nasm, run on the machine: what they may reach,
// how each kind of run ends, what reaches the console file, and the controls
// a debugger drives.
class TestMachine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hostileProgram();
    void linksLeadingOut_data();
    void linksLeadingOut();
    void ends_data();
    void ends();
    void cancel();
    void consoleCapture();
    void lineInput_data();
    void lineInput();
    void steppingAndKeys();
    void flagsImage_data();
    void flagsImage();
    void watchedWrites_data();
    void watchedWrites();
};

static QTemporaryDir *workDir;

void TestMachine::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty())
        QSKIP("nasm is not installed");
}

// A fresh folder for C: ("c") and D: ("d").
static void freshFolders()
{
    delete workDir;
    workDir = new QTemporaryDir;
    QDir().mkpath(workDir->filePath("c"));
    QDir().mkpath(workDir->filePath("d"));
}

// A .COM program in C:, or an empty name when nasm refused it.
static QString assemble(const QByteArray &source, const QStringList &defines = {})
{
    if (!workDir)
        freshFolders();
    const QString asmFile = workDir->filePath("prog.asm");
    if (!writeFile(asmFile, "org 100h\n" + source + "\n"))
        return {};
    QProcess nasm;
    nasm.start("nasm",
               QStringList{"-f", "bin", asmFile, "-o", workDir->filePath("c/PROG.COM")} + defines);
    if (!nasm.waitForFinished() || nasm.exitCode() != 0) {
        qWarning() << nasm.readAllStandardError();
        return {};
    }
    return workDir->filePath("c/PROG.COM");
}

static ToolRunOutcome runTool(ToolRunRequest request)
{
    request.toolFolder = workDir->filePath("c");
    request.sourceFolder = workDir->filePath("d");
    ToolRun run(request);
    if (!QTest::qWaitFor([&] { return run.finished(); }, 30000))
        qWarning("the run did not finish");
    return run.outcome();
}

// Each attempt's AX and carry flag go into RESULT.BIN; the program then
// fills the disk.
static const char hostileSource[] = R"(
%macro try 3
  mov ax, %1
  mov dx, %2
  mov di, %3
  int 21h
  pushf
  mov [si], ax
  pop ax
  and ax, 1
  mov [si+2], ax
  add si, 4
%endmacro
  mov si, results
  try 3D02h, up, 0
  try 3D02h, c_up, 0
  try 3D00h, host, 0
  try 3D00h, e_drive, 0
  try 3D02h, via_link, 0
  try 3D01h, file_link, 0
  try 4100h, up, 0
  try 4100h, host, 0
  try 4100h, file_link, 0
  try 5600h, d_src, up_moved
  try 5600h, d_src, c_moved
  try 3C00h, up_new, 0
  try 3B00h, dotdot, 0
  try 3C00h, link_new, 0
  mov ah, 3Ch
  xor cx, cx
  mov dx, result
  int 21h
  mov bx, ax
  mov ah, 40h
  mov cx, si
  sub cx, results
  mov dx, results
  int 21h
  mov ah, 3Eh
  int 21h
  mov ah, 3Ch
  xor cx, cx
  mov dx, big
  int 21h
  mov bx, ax
fill:
  mov ah, 40h
  mov cx, 8000h
  xor dx, dx
  int 21h
  cmp ax, cx
  je fill
  mov ax, 4C01h
  int 21h
up db '..\CANARY.TXT', 0
c_up db 'C:\..\CANARY.TXT', 0
host db HOSTPATH, 0
e_drive db 'E:\CANARY.TXT', 0
via_link db 'OUTLINK\CANARY.TXT', 0
file_link db 'CANLINK.TXT', 0
d_src db 'D:\SRC.TXT', 0
up_moved db '..\MOVED.TXT', 0
c_moved db 'C:MOVED.TXT', 0
up_new db '..\NEW.TXT', 0
dotdot db '..', 0
link_new db 'OUTLINK\NEW.TXT', 0
result db 'RESULT.BIN', 0
big db 'BIG.BIN', 0
results:
)";

void TestMachine::hostileProgram()
{
    freshFolders();
    const QString root = workDir->path();
    const QString canary = root + "/CANARY.TXT";
    QVERIFY(writeFile(canary, "do not touch"));
    QVERIFY(QDir().mkpath(root + "/out"));
    QVERIFY(QFile::link(root + "/out", root + "/c/OUTLINK"));
    QVERIFY(QFile::link(canary, root + "/c/CANLINK.TXT"));
    QVERIFY(writeFile(root + "/d/SRC.TXT", "source"));
    ToolRunRequest request;
    request.program = assemble(hostileSource, {"-dHOSTPATH='" + canary + "'"});
    QVERIFY(!request.program.isEmpty());
    request.fileSizeLimit = 100000;
    const ToolRunOutcome outcome = runTool(request);
    QCOMPARE(outcome.end, ToolRunEnd::OutputLimit);
    QCOMPARE(outcome.fileSize, 100000);
    QCOMPARE(QFileInfo(root + "/c/BIG.BIN").size(), 100000);

    const QByteArray got = fileBytes(root + "/c/RESULT.BIN");
    QList<int> errors;
    for (int i = 0; i + 4 <= got.size(); i += 4)
        errors << (got[i + 2] ? quint8(got[i]) : 0);
    // path not found for .., host paths and other drives; access denied
    // through links; "not the same device" across drives.
    QCOMPARE(errors, (QList<int>{3, 3, 3, 3, 5, 5, 3, 3, 5, 3, 0x11, 3, 3, 5}));
    QCOMPARE(fileBytes(canary), QByteArray("do not touch"));
    QVERIFY(QDir(root + "/out").isEmpty());
    QVERIFY(QFile::exists(root + "/d/SRC.TXT"));
    QCOMPARE(QDir(root).entryList(QDir::Files), QStringList{"CANARY.TXT"} << "prog.asm");
}

// A name in C: or D: that is a symbolic link leading out of both folders,
// dangling or not, is refused whatever the program does with it, and
// nothing outside changes.
void TestMachine::linksLeadingOut_data()
{
    QTest::addColumn<QByteArray>("call"); // AX of the INT 21h call
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("newName"); // ES:DI of a rename
    for (const char *drive : {"C:", "D:"}) {
        const QByteArray d(drive);
        auto row = [&](const char *what, const char *call, const char *name, const char *to = "") {
            QTest::addRow("%s %s", drive, what) << QByteArray(call) << d + name << d + to;
        };
        row("create through a dangling link", "3C00h", "DANGLE.TXT");
        row("create new through a dangling link", "5B00h", "DANGLE.TXT");
        row("create through a link to a file outside", "3C00h", "CANLINK.TXT");
        row("open for writing through a link", "3D01h", "CANLINK.TXT");
        row("open for reading and writing through a link", "3D02h", "CANLINK.TXT");
        row("open for reading through a link", "3D00h", "CANLINK.TXT");
        row("open for reading through a dangling link", "3D00h", "DANGLE.TXT");
        row("open through a linked folder", "3D00h", "OUTLINK\\CANARY.TXT");
        row("create in a linked folder", "3C00h", "OUTLINK\\NEW.TXT");
        row("delete a link", "4100h", "CANLINK.TXT");
        row("delete a dangling link", "4100h", "DANGLE.TXT");
        row("rename a link", "5600h", "CANLINK.TXT", "MOVED.TXT");
        row("rename onto a dangling link", "5600h", "OWN.TXT", "DANGLE.TXT");
        row("attributes through a link", "4301h", "CANLINK.TXT");
    }
}

void TestMachine::linksLeadingOut()
{
    QFETCH(QByteArray, call);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, newName);
    freshFolders();
    const QString root = workDir->path();
    QVERIFY(writeFile(root + "/CANARY.TXT", "do not touch"));
    QVERIFY(QDir().mkpath(root + "/out"));
    QVERIFY(writeFile(root + "/out/CANARY.TXT", "do not touch"));
    for (const char *drive : {"c", "d"}) {
        const QString folder = root + '/' + drive;
        QVERIFY(QFile::link(root + "/CANARY.TXT", folder + "/CANLINK.TXT"));
        QVERIFY(QFile::link(root + "/out/NEW.TXT", folder + "/DANGLE.TXT"));
        QVERIFY(QFile::link(root + "/out", folder + "/OUTLINK"));
        QVERIFY(writeFile(folder + "/OWN.TXT", "own"));
    }
    const QString program = assemble("mov ax, " + call + R"(
  mov cx, 20h
  mov dx, name
  push ds
  pop es
  mov di, newname
  int 21h
  mov [result], ax
  mov byte [result+2], 0
  adc byte [result+2], 0
  mov ah, 3Ch
  xor cx, cx
  mov dx, resultname
  int 21h
  mov bx, ax
  mov ah, 40h
  mov cx, 3
  mov dx, result
  int 21h
  mov ax, 4C00h
  int 21h
name db ')" + name + R"(', 0
newname db ')" + newName + R"(', 0
resultname db 'C:\RESULT.BIN', 0
result db 0, 0, 0
)");
    QVERIFY(!program.isEmpty());
    ToolRunRequest request;
    request.program = program;
    request.idleBoundMs = 2000;
    QCOMPARE(runTool(request).end, ToolRunEnd::Exited);
    const QByteArray got = fileBytes(root + "/c/RESULT.BIN");
    QCOMPARE(got.size(), 3);
    QVERIFY2(got[2] == 1, "the call succeeded");
    QCOMPARE(quint8(got[0]), quint8(5)); // access denied
    QCOMPARE(fileBytes(root + "/CANARY.TXT"), QByteArray("do not touch"));
    QCOMPARE(fileBytes(root + "/out/CANARY.TXT"), QByteArray("do not touch"));
    QCOMPARE(QDir(root + "/out").entryList(QDir::Files), QStringList{"CANARY.TXT"});
    QCOMPARE(QDir(root).entryList(QDir::Files), (QStringList{"CANARY.TXT", "prog.asm"}));
    for (const char *drive : {"c", "d"})
        for (const char *link : {"/CANLINK.TXT", "/DANGLE.TXT", "/OUTLINK"})
            QVERIFY(QFileInfo(root + '/' + drive + link).isSymLink());
    QCOMPARE(QFileInfo(root + "/CANARY.TXT").permissions(),
             QFileInfo(root + "/out/CANARY.TXT").permissions());
}

void TestMachine::ends_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<ToolRunEnd>("end");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("exit code") << QByteArray("mov ax, 4C05h\nint 21h") << ToolRunEnd::Exited << ""
                               << 5;
    QTest::newRow("INT 20h") << QByteArray("int 20h") << ToolRunEnd::Exited << "" << 0;
    QTest::newRow("DOS function it lacks")
        << QByteArray("mov ah, 5Fh\nint 21h") << ToolRunEnd::Unsupported << "INT 21h, AH=5Fh" << 0;
    QTest::newRow("interrupt it lacks")
        << QByteArray("int 33h") << ToolRunEnd::Unsupported << "INT 33h" << 0;
    QTest::newRow("video mode it lacks")
        << QByteArray("mov ax, 0Fh\nint 10h") << ToolRunEnd::Unsupported
        << "INT 10h, AH=00h, AL=0Fh (video mode)" << 0;
    QTest::newRow("DOS extender") << QByteArray("mov ax, 1687h\nint 2Fh") << ToolRunEnd::Unsupported
                                  << "DOS extender" << 0;
    QTest::newRow("keyboard read")
        << QByteArray("mov ah, 1\nint 21h") << ToolRunEnd::InputWanted << "" << 0;
    QTest::newRow("BIOS key read")
        << QByteArray("mov ah, 0\nint 16h") << ToolRunEnd::InputWanted << "" << 0;
    QTest::newRow("standard input read")
        << QByteArray("mov ah, 3Fh\nxor bx, bx\nmov cx, 1\nmov dx, 200h\nint 21h")
        << ToolRunEnd::InputWanted << "" << 0;
    QTest::newRow("division overflow")
        << QByteArray("xor ax, ax\ndiv al") << ToolRunEnd::Fault << "division" << 0;
    QTest::newRow("invalid instruction")
        << QByteArray("db 0Fh, 0Bh") << ToolRunEnd::Fault << "invalid" << 0;
    QTest::newRow("a Linux program")
        << QByteArray("db 7Fh, 'ELF', 0") << ToolRunEnd::LoadFailed << "not a DOS program" << 0;
    QTest::newRow("a loop") << QByteArray("jmp $") << ToolRunEnd::Stalled << "" << 0;
    QTest::newRow("a loop polling the keyboard")
        << QByteArray("again: mov ah, 0Bh\nint 21h\njmp again") << ToolRunEnd::Stalled << "" << 0;
}

void TestMachine::ends()
{
    QFETCH(QByteArray, code);
    QFETCH(ToolRunEnd, end);
    QFETCH(QString, detail);
    QFETCH(int, exitCode);
    freshFolders();
    ToolRunRequest request;
    request.program = assemble(code);
    request.idleBoundMs = 300;
    const ToolRunOutcome outcome = runTool(request);
    QCOMPARE(outcome.end, end);
    QVERIFY2(outcome.detail.contains(detail), qPrintable(outcome.detail));
    QCOMPARE(outcome.exitCode, exitCode);
}

void TestMachine::cancel()
{
    ToolRunRequest request;
    request.program = assemble("jmp $");
    request.toolFolder = workDir->filePath("c");
    ToolRun run(request);
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    run.cancel();
    QVERIFY2(clock.elapsed() < 5000, "cancel() waited for the idle bound");
    QVERIFY(run.finished());
    QCOMPARE(run.outcome().end, ToolRunEnd::Cancelled);
}

// As "prog > FILE" in DOS: standard output (handle 1 and the console
// functions) reaches the file; standard error, PRN and the BIOS reach no file.
void TestMachine::consoleCapture()
{
    const QString program = assemble(R"(
  mov ah, 9
  mov dx, dollar
  int 21h
  mov ah, 2
  mov dl, 'B'
  int 21h
  mov ah, 6
  mov dl, 'C'
  int 21h
  mov bx, 1
  call put
  mov bx, 2
  call put
  mov bx, 4
  call put
  mov ax, 0E47h
  int 10h
  mov ax, 4C00h
  int 21h
put:
  mov ah, 40h
  mov cx, 1
  mov dx, text
  int 21h
  inc byte [text]
  ret
dollar db 'A$'
text db 'D'
)");
    Machine::Setup setup;
    setup.toolFolder = workDir->filePath("c");
    setup.consoleFile = workDir->filePath("c/OUT.TXT");
    Machine machine(setup);
    QString error;
    QVERIFY(machine.load(program, "", &error));
    QCOMPARE(machine.run({}).reason, StopReason::Exited);
    QCOMPARE(fileBytes(setup.consoleFile), QByteArray("ABCD"));
    QCOMPARE(machine.screenCell(0, 0), quint16(0x0700 | 'E'));
    QCOMPARE(machine.screenCell(0, 1), quint16(0x0700 | 'G'));
    QCOMPARE(machine.cursorColumn(), 2);
}

// INT 21h 0Ah as DOS does it: the count is of the characters kept, without
// the Enter; a full buffer takes no more characters, only the Enter. (DOSBox
// rings the bell for each character refused and, without sound, hangs: this
// part is not held against it.)
void TestMachine::lineInput_data()
{
    QTest::addColumn<int>("room");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("buffer"); // count, characters, CR
    QTest::newRow("a short line") << 10 << QByteArray("hi\r") << QByteArray("\x02hi\r");
    QTest::newRow("an empty line") << 10 << QByteArray("\r") << QByteArray("\x00\r", 2);
    QTest::newRow("exactly full") << 3 << QByteArray("wx\r") << QByteArray("\x02wx\r");
    QTest::newRow("more than fits: the rest dropped")
        << 3 << QByteArray("wxyz\r") << QByteArray("\x02wx\r");
    QTest::newRow("a backspace takes a character back") << 10 << QByteArray("ab\bc\r")
                                                        << QByteArray("\x02"
                                                                      "ac\r");
}

void TestMachine::lineInput()
{
    QFETCH(int, room);
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, buffer);
    freshFolders();
    const QString program = assemble(R"(
  mov ah, 0Ah
  mov dx, line
  int 21h
  mov ah, 3Ch
  xor cx, cx
  mov dx, name
  int 21h
  mov bx, ax
  mov ah, 40h
  mov cx, 12
  mov dx, line + 1
  int 21h
  mov ax, 4C00h
  int 21h
name db 'LINE.BIN', 0
line db ROOM
  times 12 db 0
)",
                                     {"-dROOM=" + QString::number(room)});
    QVERIFY(!program.isEmpty());
    Machine::Setup setup;
    setup.toolFolder = workDir->filePath("c");
    Machine machine(setup);
    QString error;
    QVERIFY(machine.load(program, "", &error));
    for (const char c : typed)
        machine.pushKey(quint16(quint8(c)));
    QCOMPARE(machine.run({}).reason, StopReason::Exited);
    QCOMPARE(fileBytes(workDir->filePath("c/LINE.BIN")).left(buffer.size()), buffer);
}

// Where DOSBox puts a program, a read that waits for a key, a breakpoint and
// single steps.
void TestMachine::steppingAndKeys()
{
    const QString program = assemble(R"(
  mov ah, 0
  int 16h
  mov dl, al
  mov ah, 2
  int 21h
  mov cx, 3
again:
  inc bx
  loop again
  mov ax, 4C07h
  int 21h
)");
    Machine::Setup setup;
    setup.toolFolder = workDir->filePath("c");
    setup.sourceFolder = workDir->filePath("d");
    setup.consoleFile = workDir->filePath("c/OUT.TXT");
    Machine machine(setup);
    QString error;
    QVERIFY(machine.load(program, " a:x.asm", &error));
    QCOMPARE(machine.psp(), quint16(0x0193));
    const quint32 psp = machine.psp() * 16;
    QCOMPARE(machine.readMemory(psp + 2, 2), QByteArray("\xFF\x9F", 2));
    QCOMPARE(machine.readMemory(psp + 0x80, 10), QByteArray("\x08 a:x.asm\r"));

    QCOMPARE(machine.run({}).reason, StopReason::InputWanted);
    QCOMPARE(machine.registers().ip, quint16(0x102));
    machine.pushKey(0x1E61);
    QVERIFY(machine.addBreakpoint(psp + 0x10D));
    QCOMPARE(machine.run({}).reason, StopReason::Breakpoint);
    QCOMPARE(fileBytes(setup.consoleFile), QByteArray("a"));
    // The breakpoint in the loop stops every pass, before its instruction.
    QCOMPARE(machine.run({}).reason, StopReason::Breakpoint);
    Registers r = machine.registers();
    QCOMPARE(r.ip, quint16(0x10D));
    QCOMPARE(r.bx, quint16(1));
    QCOMPARE(machine.step().reason, StopReason::BudgetSpent);
    QCOMPARE(machine.registers().bx, quint16(2));
    QCOMPARE(machine.registers().ip, quint16(0x10E));
    // Registers set by the debugger: the loop ends at once.
    r = machine.registers();
    r.cx = 1;
    machine.setRegisters(r);
    const MachineStop stop = machine.run({});
    QCOMPARE(stop.reason, StopReason::Exited);
    QCOMPARE(stop.exitCode, 7);
    QCOMPARE(machine.registers().bx, quint16(2));
}

// PUSHF, and an interrupt, push the flags as an 8086 does (bits 12 to 15
// set), whether the program runs or is stepped, however often the code runs.
void TestMachine::flagsImage_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QList<quint16>>("pushed");
    // Each program leaves the words it saw at 400h.
    QTest::newRow("as the program starts")
        << QByteArray("pushf\npop ax\nmov [400h], ax") << QList<quint16>{0xF202};
    QTest::newRow("after POPF of nothing")
        << QByteArray("push word 0\npopf\npushf\npop ax\nmov [400h], ax")
        << QList<quint16>{0xF002};
    QTest::newRow("after POPF of every flag but TF")
        << QByteArray("push word 0FEFFh\npopf\npushf\npop ax\nmov [400h], ax")
        << QList<quint16>{0xFED7};
    QTest::newRow("each pass of a loop")
        << QByteArray("mov di, 400h\nmov cx, 3\nagain: pushf\npop ax\nstosw\nloop again")
        << QList<quint16>{0xF202, 0xF202, 0xF202};
    QTest::newRow("behind a segment prefix")
        << QByteArray("db 2Eh\npushf\npop ax\nmov [400h], ax") << QList<quint16>{0xF202};
    QTest::newRow("an interrupt's frame")
        << QByteArray("xor ax, ax\nmov es, ax\nmov word [es:180h], handler\n"
                      "mov [es:182h], cs\nstc\nint 60h\njmp done\n"
                      "handler: push bp\nmov bp, sp\nmov ax, [bp+6]\nmov [400h], ax\n"
                      "pop bp\niret\ndone:")
        << QList<quint16>{0xF247};
}

void TestMachine::flagsImage()
{
    QFETCH(QByteArray, code);
    QFETCH(QList<quint16>, pushed);
    const QString program = assemble(code + "\nmov ax, 4C00h\nint 21h");
    QVERIFY(!program.isEmpty());
    for (const bool stepped : {false, true}) {
        Machine::Setup setup;
        setup.toolFolder = workDir->filePath("c");
        Machine machine(setup);
        QString error;
        QVERIFY(machine.load(program, {}, &error));
        MachineStop stop;
        if (stepped) {
            for (int i = 0; i < 1000 && (stop = machine.step()).reason == StopReason::BudgetSpent; ++i) {
            }
        } else {
            stop = machine.run({});
        }
        QCOMPARE(stop.reason, StopReason::Exited);
        const QByteArray seen = machine.readMemory(machine.psp() * 16 + 0x400, int(pushed.size()) * 2);
        for (int i = 0; i < pushed.size(); ++i) {
            const quint16 word = quint8(seen[2 * i]) | quint8(seen[2 * i + 1]) << 8;
            QVERIFY2(word == pushed[i], qPrintable(QString("%1: %2 instead of %3")
                                                       .arg(stepped ? "stepped" : "run")
                                                       .arg(word, 4, 16, QChar('0'))
                                                       .arg(pushed[i], 4, 16, QChar('0'))));
        }
    }
}

QTEST_MAIN(TestMachine)

void TestMachine::watchedWrites_data()
{
    // The program's first instruction (or the INT named) writes; the bytes
    // at 200h-201h of its segment are watched.
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("input"); // standard input; empty: the keyboard
    QTest::addColumn<bool>("stops");
    QTest::addColumn<int>("ip");     // where the run stopped
    QTest::addColumn<int>("writer"); // the instruction that wrote
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("a word moved there") << QByteArray("mov word [200h], 1234h")
                                        << QByteArray() << true << 0x106 << 0x100
                                        << QByteArray("\x34\x12", 2);
    QTest::newRow("the byte beside it") << QByteArray("mov byte [202h], 1") << QByteArray()
                                        << false << 0 << 0 << QByteArray(2, '\0');
    QTest::newRow("the same value again") << QByteArray("mov word [200h], 0") << QByteArray()
                                          << false << 0 << 0 << QByteArray(2, '\0');
    QTest::newRow("one pass of REP STOSB")
        << QByteArray("mov di, 200h\nmov cx, 4\nmov al, 7\nrep stosb") << QByteArray() << true
        << 0x108 << 0x108 << QByteArray("\x07\x00", 2);
    QTest::newRow("DOS reads a line into it")
        << QByteArray("mov byte [1FEh], 5\nmov dx, 1FEh\nmov ah, 0Ah\nint 21h")
        << QByteArray("hi\r\n") << true << 0x10C << 0x10A << QByteArray("hi");
}

// Writes to watched bytes stop the run right after the instruction or the
// service that changed them; writes beside them, or of what was there, do not.
void TestMachine::watchedWrites()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, input);
    QFETCH(bool, stops);
    QFETCH(int, ip);
    QFETCH(int, writer);
    QFETCH(QByteArray, after);
    freshFolders();
    const QString program = assemble(source + "\nmov ax, 4C00h\nint 21h");
    QVERIFY(!program.isEmpty());
    Machine::Setup setup;
    setup.toolFolder = workDir->filePath("c");
    setup.consoleFile = workDir->filePath("c/OUT.TXT");
    if (!input.isEmpty()) {
        setup.inputFile = workDir->filePath("c/IN.TXT");
        QVERIFY(writeFile(setup.inputFile, input));
    }
    Machine machine(setup);
    QString error;
    QVERIFY2(machine.load(program, "", &error), qPrintable(error));
    const quint32 base = machine.psp() * 16;
    machine.watchWrites({{base + 0x200, base + 0x201}});
    const MachineStop stop = machine.run({});
    QCOMPARE(machine.readMemory(base + 0x200, 2), after);
    if (!stops) {
        QCOMPARE(stop.reason, StopReason::Exited);
        return;
    }
    QCOMPARE(stop.reason, StopReason::DataWritten);
    QCOMPARE(machine.registers().ip, quint16(ip));
    const Cpu::WriteSeen &seen = machine.lastWrite();
    QCOMPARE(seen.first, base + 0x200);
    QCOMPARE(seen.last, base + 0x201);
    QCOMPARE(seen.writer, base + quint32(writer));
    QCOMPARE(seen.before, QByteArray(2, '\0'));
    QCOMPARE(seen.after, after);
    // Watched no more, the program runs to its end.
    machine.watchWrites({});
    QCOMPARE(machine.run({}).reason, StopReason::Exited);
}

#include "tst_machine.moc"
