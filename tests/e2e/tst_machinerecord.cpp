#include "dosprogram.h"
#include "machine/machine.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <map>

// The machine's record: a program run forward with the record on, its
// state noted at each stop; then put back to each of those positions, from
// the last to the first, and run forward again; every state must be the one
// the forward run saw, to the bit.
class TestMachineRecord : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void backAndForth_data();
    void backAndForth();
    void filesWrittenAreNamed();
    void oldestForgotten();
};

namespace {

struct State
{
    Registers registers;
    QByteArray memory; // a digest of the whole megabyte
    QByteArray cells;
    int cursorRow = 0, cursorColumn = 0;
    int speakerHz = 0;
};

State stateOf(const Machine &machine)
{
    State s;
    s.registers = machine.registers();
    s.memory = QCryptographicHash::hash(machine.readMemory(0, 0x100000), QCryptographicHash::Md5);
    const ScreenPicture picture = machine.screenPicture();
    s.cells = picture.cells;
    s.cursorRow = picture.cursorRow;
    s.cursorColumn = picture.cursorColumn;
    s.speakerHz = machine.speakerHz();
    return s;
}

QString differences(const State &want, const State &got)
{
    const Registers &a = want.registers, &b = got.registers;
    QStringList out;
    const std::pair<const char *, std::pair<quint16, quint16>> regs[] = {
        {"AX", {a.ax, b.ax}}, {"BX", {a.bx, b.bx}},      {"CX", {a.cx, b.cx}}, {"DX", {a.dx, b.dx}},
        {"SI", {a.si, b.si}}, {"DI", {a.di, b.di}},      {"BP", {a.bp, b.bp}}, {"SP", {a.sp, b.sp}},
        {"CS", {a.cs, b.cs}}, {"DS", {a.ds, b.ds}},      {"ES", {a.es, b.es}}, {"SS", {a.ss, b.ss}},
        {"IP", {a.ip, b.ip}}, {"FL", {a.flags, b.flags}}};
    for (const auto &[name, values] : regs)
        if (values.first != values.second)
            out << QStringLiteral("%1 %2 != %3")
                       .arg(name)
                       .arg(values.first, 4, 16)
                       .arg(values.second, 4, 16);
    if (want.memory != got.memory)
        out << "memory";
    if (want.cells != got.cells)
        out << "screen";
    if (want.cursorRow != got.cursorRow || want.cursorColumn != got.cursorColumn)
        out << "cursor";
    if (want.speakerHz != got.speakerHz)
        out << "speaker";
    return out.join(", ");
}

// Chunks of instructions a user's steps and runs might make.
constexpr quint64 chunks[] = {1, 1, 2, 5, 1, 13, 1, 3, 40, 1, 2, 200, 1, 1000};

} // namespace

static QTemporaryDir *workDir;

void TestMachineRecord::initTestCase()
{
    if (!nasmFound())
        QSKIP("nasm is not installed");
    workDir = new QTemporaryDir;
}

void TestMachineRecord::backAndForth_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QList<quint16>>("keys");
    QTest::addColumn<bool>("wallClock");
    QTest::addColumn<bool>("repeats");

    const QByteArray sorting = R"(
  mov si, data
  mov cx, 40
fill:                      ; a table to sort, in falling order
  mov [si], cx
  add si, 2
  loop fill
  mov dx, 39
outer:
  mov cx, dx
  mov si, data
inner:
  mov ax, [si]
  cmp ax, [si+2]
  jbe inorder
  xchg ax, [si+2]
  mov [si], ax
inorder:
  add si, 2
  loop inner
  dec dx
  jnz outer
  pushf
  call copy
  popf
  mov ax, 4C00h
  int 21h
copy:
  push cs
  pop es
  mov si, data
  mov di, data + 100
  mov cx, 80
  cld
  rep movsb
  mov di, data + 200
  mov ax, 0E5E5h
  mov cx, 30
  rep stosw
  ret
data:
)";
    QTest::newRow("a sort, on the instruction clock")
        << sorting << QList<quint16>{} << false << true;
    QTest::newRow("a sort, on the wall clock") << sorting << QList<quint16>{} << true << true;

    const QByteArray services = R"(
  mov ah, 9
  mov dx, hello
  int 21h
  mov ah, 2              ; the cursor to row 5, column 10
  mov bh, 0
  mov dx, 050Ah
  int 10h
  mov cx, 5
letters:
  mov ah, 0Eh
  mov al, 'A'
  add al, cl
  int 10h
  loop letters
  mov ah, 9              ; a character with its attribute, three times
  mov al, '*'
  mov bl, 1Eh
  mov cx, 3
  int 10h
  mov ax, 0B800h         ; straight into the text screen
  mov es, ax
  mov di, 160 * 10
  mov ax, 4F21h
  mov cx, 20
  rep stosw
  mov ax, 0601h          ; scroll a window up
  mov bh, 07h
  mov cx, 0000h
  mov dx, 0C4Fh
  int 10h
  mov ah, 2
  mov dl, 'Z'
  int 21h
  in al, 61h             ; the speaker on and off
  or al, 3
  out 61h, al
  mov al, 0B6h
  out 43h, al
  mov al, 0
  out 42h, al
  mov al, 10h
  out 42h, al
  and al, 0FCh
  mov al, 0Ah            ; CMOS's status register A
  out 70h, al
  in al, 71h
  mov ax, 4C00h
  int 21h
hello db 'Hello, record', 13, 10, '$'
)";
    QTest::newRow("DOS and BIOS services, ports") << services << QList<quint16>{} << false << true;
    QTest::newRow("DOS and BIOS services, on the wall clock")
        << services << QList<quint16>{} << true << true;

    const QByteArray keys = R"(
  mov cx, 3
next:
  mov ah, 0
  int 16h
  mov dl, al
  mov ah, 2
  int 21h
  mov bx, cx
  mov [keys + bx], al
  loop next
  mov ah, 1              ; DOS's read with echo
  int 21h
  mov [keys], al
  mov ax, 4C00h
  int 21h
keys:
)";
    QTest::newRow("keys read") << keys << QList<quint16>{0x1E61, 0x3062, 0x2E63, 0x2064} << false
                               << false;
}

void TestMachineRecord::backAndForth()
{
    QFETCH(QByteArray, source);
    QFETCH(QList<quint16>, keys);
    QFETCH(bool, wallClock);
    QFETCH(bool, repeats);
    const QString program = workDir->filePath("PROG.COM");
    QVERIFY(assembleCom(source, program));
    Machine::Setup setup;
    setup.toolFolder = workDir->path();
    setup.clock = wallClock ? MachineClock::Kind::Wall : MachineClock::Kind::Instructions;
    setup.clockStart = QDateTime(QDate(2024, 3, 1), QTime(10, 0));
    Machine machine(setup);
    machine.setRecording(true);
    QString error;
    QVERIFY2(machine.load(program, "", &error), qPrintable(error));

    // Forward, in chunks; keys as the program asks for them.
    std::map<quint64, State> seen;
    seen[machine.recordEnd()] = stateOf(machine);
    StopReason reason = StopReason::BudgetSpent;
    for (int i = 0; reason != StopReason::Exited; ++i) {
        QVERIFY2(i < 10000, "the program does not end");
        reason = machine.run({0, chunks[i % std::size(chunks)]}).reason;
        if (reason == StopReason::InputWanted) {
            QVERIFY(!keys.isEmpty());
            machine.pushKey(keys.takeFirst());
        } else {
            QVERIFY2(reason == StopReason::BudgetSpent || reason == StopReason::Exited,
                     qPrintable(machine.lastStop().detail));
        }
        seen[machine.recordEnd()] = stateOf(machine);
    }
    QVERIFY(seen.size() > 10);
    QCOMPARE(machine.recordStart(), seen.begin()->first);

    // A REP string instruction's repeats are marked as such.
    bool repeated = false;
    for (quint64 p = machine.recordStart() + 1; p < machine.recordEnd(); ++p) {
        if (machine.recordedRepeat(p)) {
            repeated = true;
            QCOMPARE(machine.recordedAddress(p), machine.recordedAddress(p - 1));
        }
    }
    QCOMPARE(repeated, repeats);

    // Back, from the end to the start.
    for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
        QVERIFY(machine.rewindTo(it->first).done);
        QCOMPARE(machine.recordEnd(), it->first);
        const QString diff = differences(it->second, stateOf(machine));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("at %1: %2").arg(it->first).arg(diff)));
    }
    if (wallClock)
        return; // the timer's ticks come when they will

    // Forward again to each position: the keys come by themselves.
    for (const auto &[position, state] : seen) {
        if (position == machine.recordEnd())
            continue;
        const MachineStop stop = machine.run({0, position - machine.recordEnd()});
        QVERIFY2(
            stop.reason == StopReason::BudgetSpent || stop.reason == StopReason::Exited,
            qPrintable(
                QStringLiteral("at %1: stop %2").arg(machine.recordEnd()).arg(int(stop.reason))));
        QCOMPARE(machine.recordEnd(), position);
        const QString diff = differences(state, stateOf(machine));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("at %1: %2").arg(position).arg(diff)));
    }
}

// Files are not put back: going back over a write says so.
void TestMachineRecord::filesWrittenAreNamed()
{
    const QString program = workDir->filePath("PROG.COM");
    QVERIFY(assembleCom(R"(
  mov cx, 50
spin:
  loop spin
  mov ah, 3Ch
  xor cx, cx
  mov dx, name
  int 21h
  mov bx, ax
  mov ah, 40h
  mov cx, 5
  mov dx, name
  int 21h
  mov ah, 3Eh
  int 21h
  mov cx, 500
spin2:
  loop spin2
  mov ax, 4C00h
  int 21h
name db 'OUT.TXT', 0
)",
                        program));
    Machine::Setup setup;
    setup.toolFolder = workDir->path();
    setup.clock = MachineClock::Kind::Instructions;
    Machine machine(setup);
    machine.setRecording(true);
    QString error;
    QVERIFY(machine.load(program, "", &error));
    QCOMPARE(machine.run({0, 20}).reason, StopReason::BudgetSpent);
    const quint64 beforeFile = machine.recordEnd();
    QCOMPARE(machine.run({0, 100}).reason, StopReason::BudgetSpent);
    const quint64 afterFile = machine.recordEnd();
    QCOMPARE(machine.run({}).reason, StopReason::Exited);
    QVERIFY(QFile::exists(workDir->filePath("OUT.TXT")));

    const Machine::Rewound notOverFile = machine.rewindTo(afterFile);
    QVERIFY(notOverFile.done);
    QVERIFY(!notOverFile.filesChanged);
    const Machine::Rewound overFile = machine.rewindTo(beforeFile);
    QVERIFY(overFile.done);
    QVERIFY(overFile.filesChanged);
    QVERIFY(QFile::exists(workDir->filePath("OUT.TXT")));
    // Nowhere to go past the record.
    QVERIFY(!machine.rewindTo(machine.recordEnd() + 1).done);
}

// A long run keeps the last instructions, not all of them, and can go back
// to the oldest it kept.
void TestMachineRecord::oldestForgotten()
{
    const QString program = workDir->filePath("PROG.COM");
    QVERIFY(assembleCom(R"(
  mov dx, 40
outer:
  mov cx, 0FFFFh
spin:
  mov [200h], cx
  loop spin
  dec dx
  jnz outer
  mov ax, 4C00h
  int 21h
)",
                        program));
    Machine::Setup setup;
    setup.toolFolder = workDir->path();
    setup.clock = MachineClock::Kind::Instructions;
    setup.clockStart = QDateTime(QDate(2024, 3, 1), QTime(10, 0));
    Machine machine(setup);
    machine.setRecording(true);
    QString error;
    QVERIFY(machine.load(program, "", &error));
    QCOMPARE(machine.run({}).reason, StopReason::Exited);
    const quint64 end = machine.recordEnd();
    QVERIFY(end > 5000000);
    QVERIFY(machine.recordStart() > 0);
    QVERIFY(end - machine.recordStart() >= 1000000);
    QVERIFY(end - machine.recordStart() <= 2000000);
    QVERIFY(!machine.rewindTo(machine.recordStart() - 1).done);
    QVERIFY(machine.rewindTo(end - 1000000).done);
    QCOMPARE(machine.recordEnd(), end - 1000000);

    // The same program run as far without a record.
    Machine plain(setup);
    QVERIFY(plain.load(program, "", &error));
    QCOMPARE(plain.run({0, end - 1000000}).reason, StopReason::BudgetSpent);
    const QString diff = differences(stateOf(plain), stateOf(machine));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

QTEST_GUILESS_MAIN(TestMachineRecord)
#include "tst_machinerecord.moc"
