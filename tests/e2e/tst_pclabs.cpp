#include "dosreference.h"
#include "machine/machine.h"
#include "mainfixture.h"
#include "realtools.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// Lab programs of an 8086 course, as students write them: the clock chip,
// the timer's tick and INT 1Ch, the speaker, the keyboard read through
// INT 16h and through a handler of their own, the text screen written
// directly, the graphics modes, a routine of their own behind a vector, a
// resident program, and INT 0. Built by the real MASM and LINK on the
// machine, each runs on the machine and in one hidden DOSBox; what it left
// (the screen or the pixels it saved, its standard output, any other file)
// must be the same byte for byte. The labs make what they save independent
// of how fast time passes: they count ticks rather than read a stopwatch,
// and the clock lab blanks the digits it showed once it has checked them.
class TestPcLabs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsDosbox_data();
    void sameAsDosbox();
    void ownKeyboardHandler();
};

namespace {

const QString kLabs = QStringLiteral(KORVANE_FIXTURES "/labs/");
// The machine's clock for every run: the clock lab must read this back.
const QDateTime kStart(QDate(2024, 3, 5), QTime(9, 41, 27));

constexpr quint16 kUp = 0x4800, kDown = 0x5000, kLeft = 0x4B00, kEsc = 0x011B;

// Scan code and character, as INT 16h 00h returns them.
QList<quint16> typed(const QByteArray &text)
{
    static const QHash<char, quint8> scan = {{'L', 0x26}, {'i', 0x17},  {' ', 0x39}, {'e', 0x12},
                                             {'y', 0x15}, {'\r', 0x1C}, {'a', 0x1E}, {'s', 0x1F},
                                             {'d', 0x20}, {'1', 0x02},  {'x', 0x2D}};
    QList<quint16> keys;
    for (const char c : text)
        keys << quint16(scan.value(c) << 8 | quint8(c));
    return keys;
}

struct Lab
{
    QString name, row;
    QList<quint16> keys = {}; // read through INT 16h: typed before it starts
    QList<int> tones = {};    // what the machine's speaker plays, in Hz
    // Files whose bytes depend on the moment of the run: what the machine's
    // must hold; DOSBox's are not compared.
    QMap<QString, QByteArray> ownTime = {};
    bool resident = false;
    // Standard output goes to the screen, not to OUT.TXT: the lab is about
    // what the console shows.
    bool onScreen = false;
};

// What timing leaves in a result: the clock lab compares the clock chip's
// date, hour and minute with DOS's, not the second (DOSBox's DOS time comes
// from its tick count, its clock chip from the host), reading both again
// once if a minute turned between them; it blanks the digits it showed, and
// only the machine's TIME.TXT, read from a clock started at kStart, is
// checked. The tick labs wait for counts of ticks, so their results hold
// whatever the speed of the clock: DOTS's 45 needs only that its polling
// loop sees every tick, which it does many times over.
const QList<Lab> &labs()
{
    static const QList<Lab> list = {
        {"CMOSCLK",
         "the clock chip's date and time through 70h/71h agree with DOS's",
         {},
         {},
         {{"TIME.TXT", "TIME 09:41:27 DATE 2024-03-05\r\n"}}},
        {"INT7CH", "a routine copied to 0000:0200 behind INT 7Ch makes strings upper case"},
        {"TICKCLK", "a stopwatch on INT 1Ch shows 00:05.0 after 91 ticks"},
        {"DOTS", "a dot every 9 ticks of 0040:006C, five times"},
        {"MUSIC",
         "a tune on timer 2 and the speaker gate, timed by ticks",
         {},
         {262, 262, 392, 392, 440, 440, 392}},
        {"WALKER", "a game loop polls INT 16h 01h and turns on the arrows",
         QList<quint16>{kUp, kUp, kLeft, kLeft, kLeft, kDown} + typed("x") + QList{kEsc}},
        {"BANNER", "a framed banner and the attribute chart written to B800:0000"},
        {"PALETTE", "mode 13h bands with the DAC set and turned through 3C8h/3C9h"},
        {"CIRCLE", "a circle and an XOR line of INT 10h 0Ch pixels in mode 12h"},
        {"DIVZERO", "INT 0 of the program's own catches a zero divisor and an 8-bit overflow"},
        // On the screen: DOSBox echoes 01h's character to the screen even when
        // standard output goes to a file, where DOS (and the machine) echo it
        // to standard output.
        {"INPUT",
         "a name read by INT 21h 0Ah and an answer by 01h, on the screen",
         typed("Li Lei\ry"),
         {},
         {},
         false,
         true},
        // Last in DOSBox: it stays there, turning its spinner, until DOSBox ends.
        {"SPINNER", "a resident spinner on INT 1Ch left by INT 21h 31h", {}, {}, {}, true, false},
    };
    return list;
}

QTemporaryDir *work;
QString dosboxFailure; // empty when DOSBox ran the labs

QString folder(const QString &side, const QString &lab)
{
    return work->filePath(side + u'/' + lab);
}

// Every file the lab left in its folder, but what was put there for it.
QMap<QString, QByteArray> filesLeft(const QString &dir, const QString &lab)
{
    QMap<QString, QByteArray> files;
    const QStringList given = {lab + QStringLiteral(".EXE"), QStringLiteral("STUFF.EXE"),
                               QStringLiteral("KEYS.BIN")};
    for (const QString &name : QDir(dir).entryList(QDir::Files))
        if (!given.contains(name))
            files[name] = fileBytes(dir + u'/' + name);
    return files;
}

struct MachineRun
{
    MachineStop stop;
    QList<int> tones; // each tone the speaker started, in Hz
    bool resident = false;
    quint32 vector9Before = 0, vector9After = 0;
};

quint32 vector(const Machine &machine, int number)
{
    const QByteArray v = machine.readMemory(quint32(4 * number), 4);
    return qFromLittleEndian<quint32>(v.constData());
}

// Runs the lab on time counted in instructions, so that every run is the
// same. Keys typed before the start wait in the BIOS's buffer, as DOSBox's
// do after STUFF; keys typed while it runs come one by one, each after the
// program has had 20,000 instructions to take the last.
MachineRun runOnMachine(const QString &lab, const QList<quint16> &before,
                        QList<quint16> whileRunning = {}, bool onScreen = false)
{
    const QString dir = folder(QStringLiteral("machine"), lab);
    Machine::Setup setup;
    setup.toolFolder = dir;
    if (!onScreen)
        setup.consoleFile = dir + QStringLiteral("/OUT.TXT");
    setup.clock = MachineClock::Kind::Instructions;
    setup.clockStart = kStart;
    Machine machine(setup);
    MachineRun run;
    QString error;
    if (!machine.load(dir + u'/' + lab + QStringLiteral(".EXE"), "", &error)) {
        run.stop.detail = error;
        return run;
    }
    run.vector9Before = vector(machine, 9);
    for (const quint16 k : before)
        machine.pushKey(k);
    int heard = 0;
    for (int slice = 0; slice < 10000; ++slice) {
        run.stop = machine.run({0, 20000});
        const int hz = machine.speakerHz();
        if (hz != heard && hz != 0)
            run.tones << hz;
        heard = hz;
        if (run.stop.reason != StopReason::BudgetSpent)
            break;
        if (!whileRunning.isEmpty())
            machine.pushKey(whileRunning.takeFirst());
    }
    run.resident = !machine.residentVectors().isEmpty();
    run.vector9After = vector(machine, 9);
    return run;
}

} // namespace

void TestPcLabs::initTestCase()
{
    REQUIRE_REAL_TOOLS();
    work = new QTemporaryDir;
    if (qEnvironmentVariableIsSet("KORVANE_KEEP_WORK")) {
        work->setAutoRemove(false);
        qInfo("labs and what they left kept in %s", qPrintable(work->path()));
    }
    const QString build = work->filePath(QStringLiteral("build"));
    QVERIFY(QDir().mkpath(build));
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + u'/' + tool, build + u'/' + tool));
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_FIXTURES "/services/STUFF.ASM"),
                        build + QStringLiteral("/STUFF.ASM")));
    QString why;
    const QString stuffer = buildOnMachine(build, QStringLiteral("STUFF"), &why);
    QVERIFY2(!stuffer.isEmpty(), qPrintable(why));
    QList<Lab> all = labs();
    all << Lab{QStringLiteral("KEYHOOK"), {}};
    QList<DosboxJob> jobs;
    for (const Lab &lab : std::as_const(all)) {
        QVERIFY(QFile::copy(kLabs + lab.name + QStringLiteral(".ASM"),
                            build + u'/' + lab.name + QStringLiteral(".ASM")));
        const QString exe = buildOnMachine(build, lab.name, &why);
        QVERIFY2(!exe.isEmpty(), qPrintable(lab.name + u' ' + why));
        QByteArray keys;
        for (const quint16 k : lab.keys)
            keys += char(k & 0xFF) + QByteArray(1, char(k >> 8));
        for (const QString &side : {QStringLiteral("machine"), QStringLiteral("dosbox")}) {
            const QString dir = folder(side, lab.name);
            QVERIFY(QDir().mkpath(dir));
            QVERIFY(QFile::copy(exe, dir + u'/' + lab.name + QStringLiteral(".EXE")));
            QVERIFY(QFile::copy(stuffer, dir + QStringLiteral("/STUFF.EXE")));
            QVERIFY(writeFile(dir + QStringLiteral("/KEYS.BIN"), keys));
        }
        // DOSBox cannot send scan codes to a program's own INT 9 from a
        // script, so the keyboard handler lab is held against the screen it
        // must show instead (ownKeyboardHandler).
        if (lab.name != QLatin1String("KEYHOOK"))
            jobs << DosboxJob{folder(QStringLiteral("dosbox"), lab.name),
                              {},
                              {QStringLiteral("STUFF"),
                               lab.name + (lab.onScreen ? "" : QStringLiteral(" > OUT.TXT"))}};
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty() &&
        !runDosbox(jobs, work->path(), &dosboxFailure) && dosboxFailure.isEmpty())
        dosboxFailure = QStringLiteral("DOSBox did not run the labs");
}

void TestPcLabs::sameAsDosbox_data()
{
    QTest::addColumn<QString>("name");
    for (const Lab &lab : labs())
        QTest::newRow(qPrintable(lab.row)) << lab.name;
}

void TestPcLabs::sameAsDosbox()
{
    QFETCH(QString, name);
    const Lab lab =
        *std::find_if(labs().begin(), labs().end(), [&](const Lab &l) { return l.name == name; });
    const MachineRun run = runOnMachine(name, lab.keys, {}, lab.onScreen);
    QVERIFY2(run.stop.reason == StopReason::Exited,
             qPrintable(QStringLiteral("the run stopped (%1): %2")
                            .arg(int(run.stop.reason))
                            .arg(run.stop.detail)));
    QCOMPARE(run.stop.exitCode, 0);
    QCOMPARE(run.tones, lab.tones);
    // Only the resident lab leaves its routine in a vector the timer calls.
    QCOMPARE(run.resident, lab.resident);
    const QString machineDir = folder(QStringLiteral("machine"), name);
    QMap<QString, QByteArray> machine = filesLeft(machineDir, name);
    for (auto it = lab.ownTime.begin(); it != lab.ownTime.end(); ++it)
        QCOMPARE(machine.take(it.key()), it.value());
    QCOMPARE(machine.contains(QStringLiteral("OUT.TXT")), !lab.onScreen);

    if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
        QSKIP("real DOS tools unavailable: dosbox is not installed (the machine's run alone "
              "was checked)");
    QVERIFY2(dosboxFailure.isEmpty(), qPrintable(dosboxFailure));
    QMap<QString, QByteArray> dosbox = filesLeft(folder(QStringLiteral("dosbox"), name), name);
    for (auto it = lab.ownTime.begin(); it != lab.ownTime.end(); ++it)
        QVERIFY2(dosbox.remove(it.key()), qPrintable(it.key() + " missing in DOSBox"));
    QCOMPARE(machine.keys(), dosbox.keys());
    for (auto it = machine.begin(); it != machine.end(); ++it) {
        const QByteArray &ours = it.value(), &theirs = dosbox[it.key()];
        qsizetype at = 0;
        while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at])
            ++at;
        QVERIFY2(at == ours.size() && at == theirs.size(),
                 qPrintable(QStringLiteral("%1 (%2 bytes here, %3 in DOSBox) differs first at "
                                           "byte %4: %5 here, %6 in DOSBox")
                                .arg(it.key())
                                .arg(ours.size())
                                .arg(theirs.size())
                                .arg(at)
                                .arg(QString(ours.mid(at, 16).toHex(' ')),
                                     QString(theirs.mid(at, 16).toHex(' ')))));
    }
}

// The lab's own INT 9 sees each key (make and break) as the keyboard sends
// it and passes it on to the BIOS's; it shows the make codes in row 2 in
// alternating colours, which the top left cell follows, and after Esc puts
// the old vector back and writes the keys the BIOS buffered. The keys come
// while it runs, through the keyboard controller and IRQ 1; DOSBox is not
// asked, as no script can make it send scan codes to a program's INT 9.
void TestPcLabs::ownKeyboardHandler()
{
    const MachineRun run =
        runOnMachine(QStringLiteral("KEYHOOK"), {}, typed("asd1") + QList<quint16>{kEsc});
    QVERIFY2(run.stop.reason == StopReason::Exited, qPrintable(run.stop.detail));
    QCOMPARE(run.vector9After, run.vector9Before);
    QVERIFY(!run.resident);
    const QString dir = folder(QStringLiteral("machine"), QStringLiteral("KEYHOOK"));
    QCOMPARE(fileBytes(dir + QStringLiteral("/OUT.TXT")), QByteArray("asd1\r\n"));

    QByteArray screen;
    for (int i = 0; i < 2000; ++i)
        screen += QByteArray("\x20\x07", 2);
    auto put = [&](int row, int column, const QByteArray &text, char attribute) {
        for (int i = 0; i < text.size(); ++i) {
            screen[2 * (row * 80 + column + i)] = text[i];
            screen[2 * (row * 80 + column + i) + 1] = attribute;
        }
    };
    put(0, 0, "INT 9 demo: press keys, Esc quits", 0x1E);
    const QList<QByteArray> codes = {"1E", "1F", "20", "02", "01"};
    for (int i = 0; i < codes.size(); ++i)
        put(2, 3 * i, codes[i], i % 2 ? 0x4E : 0x1F);
    screen[1] = 0x1F; // the colour of the last key
    const QByteArray saved = fileBytes(dir + QStringLiteral("/SCREEN.BIN"));
    QCOMPARE(saved.size(), screen.size());
    for (int row = 0; row < 25; ++row)
        QVERIFY2(saved.mid(row * 160, 160) == screen.mid(row * 160, 160),
                 qPrintable(QStringLiteral("row %1: %2")
                                .arg(row)
                                .arg(QString(saved.mid(row * 160, 160).toHex(' ')))));
}

QTEST_GUILESS_MAIN(TestPcLabs)
#include "tst_pclabs.moc"
