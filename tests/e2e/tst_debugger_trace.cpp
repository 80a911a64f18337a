#include "debugging/flagletters.h"
#include "debugging/debugbuild.h"
#include "debugging/debugsession.h"
#include "dosreference.h"
#include "mainfixture.h"
#include "realtools.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Programs stepped instruction by instruction in the debugger and traced
// with DEBUG's T in DOSBox: after every instruction both show the same
// registers and the same defined flags.
class TestDebuggerTrace : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsDebug_data();
    void sameAsDebug();
};

namespace {

const QString kSources = QStringLiteral(KORVANE_FIXTURES "/trace");

// The programs begin with twelve instructions that give every register a
// value of their own: DEBUG starts a program with its size in BX:CX and
// its own flags.
constexpr int kPrelude = 12;

constexpr quint16 OF = 0x800, DF = 0x400, IF = 0x200, SF = 0x80, ZF = 0x40, AF = 0x10, PF = 0x04, CF = 0x01;
constexpr quint16 kArithmetic = OF | SF | ZF | AF | PF | CF;

// What an instruction does to the flags the 8086 defines: the flags it
// sets, and those the processor leaves undefined (Intel's manual), which
// differ between processors and so between the machine and DOSBox until an
// instruction defines them again.
struct FlagEffect
{
    quint16 defines = 0, undefines = 0;
};

FlagEffect flagEffect(const QString &instruction)
{
    const QString mnemonic = instruction.section(u' ', 0, 0);
    const bool countOne = instruction.endsWith(QLatin1String(",1"));
    static const QHash<QString, FlagEffect> table = {
        {"ADD", {kArithmetic, 0}},
        {"ADC", {kArithmetic, 0}},
        {"SUB", {kArithmetic, 0}},
        {"SBB", {kArithmetic, 0}},
        {"CMP", {kArithmetic, 0}},
        {"NEG", {kArithmetic, 0}},
        {"CMPSB", {kArithmetic, 0}},
        {"SCASB", {kArithmetic, 0}},
        {"INC", {OF | SF | ZF | AF | PF, 0}},
        {"DEC", {OF | SF | ZF | AF | PF, 0}},
        // Logic: AF undefined.
        {"AND", {OF | SF | ZF | PF | CF, AF}},
        {"OR", {OF | SF | ZF | PF | CF, AF}},
        {"XOR", {OF | SF | ZF | PF | CF, AF}},
        {"TEST", {OF | SF | ZF | PF | CF, AF}},
        // Multiply: only CF and OF say something (the upper half in use).
        {"MUL", {OF | CF, SF | ZF | AF | PF}},
        {"IMUL", {OF | CF, SF | ZF | AF | PF}},
        // Divide: every flag undefined.
        {"DIV", {0, kArithmetic}},
        {"IDIV", {0, kArithmetic}},
        {"DAA", {SF | ZF | AF | PF | CF, OF}},
        {"DAS", {SF | ZF | AF | PF | CF, OF}},
        {"AAA", {AF | CF, OF | SF | ZF | PF}},
        {"AAS", {AF | CF, OF | SF | ZF | PF}},
        {"AAM", {SF | ZF | PF, OF | AF | CF}},
        {"AAD", {SF | ZF | PF, OF | AF | CF}},
        {"SAHF", {SF | ZF | AF | PF | CF, 0}},
        {"POPF", {kArithmetic | DF, 0}},
        {"CLC", {CF, 0}},
        {"STC", {CF, 0}},
        {"CMC", {CF, 0}},
        {"CLD", {DF, 0}},
        {"STD", {DF, 0}},
    };
    // Shifts: AF undefined; OF only defined for a count of one.
    if (QStringList{"SHL", "SAL", "SHR", "SAR"}.contains(mnemonic))
        return countOne ? FlagEffect{kArithmetic & ~AF, AF}
                        : FlagEffect{SF | ZF | PF | CF, AF | OF};
    if (QStringList{"ROL", "ROR", "RCL", "RCR"}.contains(mnemonic))
        return countOne ? FlagEffect{OF | CF, 0} : FlagEffect{CF, OF};
    return table.value(mnemonic);
}

struct Step
{
    QMap<QString, quint16> registers; // segments relative to the PSP
    quint16 flags = 0;
    QString next; // the instruction about to run, as DEBUG writes it
    // The instruction about to run repeats (REP MOVSB ...): the debugger
    // steps over all of it, DEBUG's T takes one round (and this DEBUG has no
    // P), so DEBUG is told to go to the instruction after it.
    bool repeats = false;
    // DEBUG's own words for the flags ("NV UP EI PL NZ NA PO NC").
    QString letters;
};

// DEBUG's R display after each T: two lines of registers and flags, then
// the next instruction.
QList<Step> parseDebug(const QByteArray &output)
{
    static const QRegularExpression pair(QStringLiteral("([A-Z]{2})=([0-9A-F]{4})"));
    static const QHash<QString, quint16> flagNames = {
        {"OV", OF}, {"DN", DF}, {"EI", IF}, {"NG", SF}, {"ZR", ZF}, {"AC", AF}, {"PE", PF}, {"CY", CF}};
    QList<Step> steps;
    const QStringList lines = QString::fromLatin1(output).split(u'\n');
    for (qsizetype i = 0; i + 2 < lines.size(); ++i) {
        if (!lines[i].startsWith(QLatin1String("AX=")))
            continue;
        Step s;
        for (const QString &line : {lines[i], lines[i + 1]}) {
            auto it = pair.globalMatch(line);
            while (it.hasNext()) {
                const auto m = it.next();
                s.registers[m.captured(1)] = quint16(m.captured(2).toUInt(nullptr, 16));
            }
        }
        QStringList letters;
        for (const QString &word : lines[i + 1].split(u' ', Qt::SkipEmptyParts)) {
            s.flags |= flagNames.value(word);
            if (word.size() == 2)
                letters << word;
        }
        s.letters = letters.join(u' ');
        // "0B5F:0003 0500F0        ADD\tAX,F000": after the address and the bytes.
        s.next = lines[i + 2].mid(lines[i + 2].indexOf(u' ', 10)).simplified();
        steps << s;
    }
    return steps;
}

Step fromMachine(const Registers &r)
{
    Step s;
    s.registers = {{"AX", r.ax}, {"BX", r.bx}, {"CX", r.cx}, {"DX", r.dx}, {"SP", r.sp},
                   {"BP", r.bp}, {"SI", r.si}, {"DI", r.di}, {"DS", r.ds}, {"ES", r.es},
                   {"SS", r.ss}, {"CS", r.cs}, {"IP", r.ip}};
    s.flags = r.flags & (kArithmetic | DF);
    return s;
}

// Segments as paragraphs from the program's PSP (DS at its start): DEBUG
// loads the program elsewhere than DOS does.
void relativeSegments(QList<Step> &steps)
{
    const quint16 psp = steps.first().registers["DS"];
    for (Step &s : steps)
        for (const char *r : {"DS", "ES", "SS", "CS"})
            s.registers[r] = quint16(s.registers[r] - psp);
}

QTemporaryDir *work;
QHash<QString, QList<Step>> machineSteps;
QHash<QString, QString> machineFailures;
QString dosboxFailure;

QStringList programNames()
{
    QStringList names;
    for (const QString &f : QDir(kSources).entryList({QStringLiteral("*.ASM")}, QDir::Files))
        names << f.chopped(4);
    return names;
}

// Steps the program into its last instruction (INT 21h to end it), the
// registers before the first step and after each.
QString traceOnMachine(const QString &name, QList<Step> *steps)
{
    const QString folder = work->filePath(QStringLiteral("machine/") + name);
    DebugBuildRequest request;
    request.masm = realToolsFolder() + QStringLiteral("/MASM.EXE");
    request.link = realToolsFolder() + QStringLiteral("/LINK.EXE");
    request.sourceBytes = fileBytes(kSources + u'/' + name + QStringLiteral(".ASM"));
    request.sourcePath = folder + u'/' + name + QStringLiteral(".ASM");
    request.runFolder = folder;
    DebugBuild build(request);
    QSignalSpy built(&build, &DebugBuild::finished);
    if (!built.wait(60000) || !built.at(0).at(0).toBool())
        return QStringLiteral("the debugger's build failed");
    std::unique_ptr<DebugSession> session = build.takeSession();
    QSignalSpy stops(session.get(), &DebugSession::stopped);
    for (int i = 0; i < 1000; ++i) {
        const DebugView view = session->view();
        steps->append(fromMachine(view.registers));
        const quint32 at = linear(view.registers.cs, view.registers.ip);
        const quint8 op = quint8(view.memory[at]);
        if (op == 0xCD && quint8(view.memory[at + 1]) == 0x21)
            return {};
        steps->last().repeats = op == 0xF2 || op == 0xF3;
        const qsizetype before = stops.size();
        session->stepInto();
        if (stops.size() == before && !stops.wait(20000))
            return QStringLiteral("a step did not end");
        if (stops.last().at(0).value<DebugStop>().kind != DebugStop::Stepped)
            return QStringLiteral("a step stopped: ") +
                   stops.last().at(0).value<DebugStop>().message;
    }
    return QStringLiteral("no end after 1000 steps");
}

} // namespace

void TestDebuggerTrace::initTestCase()
{
    REQUIRE_DOSBOX();
    REQUIRE_REAL_TOOLS();
    work = new QTemporaryDir;
    const QString build = work->filePath(QStringLiteral("build"));
    QVERIFY(QDir().mkpath(build));
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + u'/' + tool, build + u'/' + tool));
    QList<DosboxJob> jobs;
    for (const QString &name : programNames()) {
        QList<Step> steps;
        const QString why = traceOnMachine(name, &steps);
        if (!why.isEmpty()) {
            machineFailures[name] = why;
            continue;
        }
        machineSteps[name] = steps;
        QVERIFY(QFile::copy(kSources + u'/' + name + QStringLiteral(".ASM"),
                            build + u'/' + name + QStringLiteral(".ASM")));
        QString buildWhy;
        const QString exe = buildOnMachine(build, name, &buildWhy);
        QVERIFY2(!exe.isEmpty(), qPrintable(buildWhy));
        const QString c = work->filePath(QStringLiteral("dosbox/") + name);
        QVERIFY(QDir().mkpath(c));
        QVERIFY(QFile::copy(exe, c + QStringLiteral("/PROG.EXE")));
        QVERIFY(QFile::copy(realToolsFolder() + QStringLiteral("/DEBUG.COM"),
                            c + QStringLiteral("/DEBUG.COM")));
        // R shows the start, each T (or G past a repeat) one instruction
        // more; Q before the INT.
        QByteArray commands = "R\r";
        for (qsizetype i = 0; i + 1 < steps.size(); ++i)
            commands += steps[i].repeats
                            ? "G " + QByteArray::number(steps[i + 1].registers["IP"], 16) + '\r'
                            : QByteArray("T\r");
        QVERIFY(writeFile(c + QStringLiteral("/CMDS.TXT"), commands + "Q\r"));
        jobs << DosboxJob{c, {}, {QStringLiteral("DEBUG PROG.EXE < CMDS.TXT > OUT.TXT")}};
    }
    if (!runDosbox(jobs, work->path(), &dosboxFailure))
        return;
}

void TestDebuggerTrace::sameAsDebug_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : programNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestDebuggerTrace::sameAsDebug()
{
    QFETCH(QString, name);
    QVERIFY2(!machineFailures.contains(name), qPrintable(machineFailures.value(name)));
    QVERIFY2(dosboxFailure.isEmpty(), qPrintable(dosboxFailure));
    QList<Step> machine = machineSteps[name];
    QList<Step> debug = parseDebug(
        fileBytes(work->filePath(QStringLiteral("dosbox/") + name + QStringLiteral("/OUT.TXT"))));
    QCOMPARE(debug.size(), machine.size());
    relativeSegments(machine);
    relativeSegments(debug);
    quint16 undefined = 0;
    QStringList differences;
    for (qsizetype i = 1; i < debug.size(); ++i) {
        const QString ran = debug[i - 1].next;
        const FlagEffect effect = flagEffect(ran);
        undefined = quint16((undefined & ~effect.defines) | effect.undefines);
        if (i < kPrelude)
            continue;
        QStringList wrong;
        for (auto it = debug[i].registers.begin(); it != debug[i].registers.end(); ++it)
            if (machine[i].registers.value(it.key()) != it.value())
                wrong << QStringLiteral("%1 %2 (DEBUG %3)")
                             .arg(it.key())
                             .arg(machine[i].registers.value(it.key()), 4, 16, QLatin1Char('0'))
                             .arg(it.value(), 4, 16, QLatin1Char('0'));
        // The 标志 panel's words for DEBUG's flags are DEBUG's own.
        if (debugFlagLetters(debug[i].flags) != debug[i].letters)
            wrong << QStringLiteral("flag words %1 (DEBUG %2)")
                         .arg(debugFlagLetters(debug[i].flags), debug[i].letters);
        const quint16 compared = (kArithmetic | DF) & ~undefined;
        if ((machine[i].flags & compared) != (debug[i].flags & compared))
            wrong << QStringLiteral("flags %1 (DEBUG %2, compared %3)")
                         .arg(machine[i].flags, 4, 16, QLatin1Char('0'))
                         .arg(debug[i].flags, 4, 16, QLatin1Char('0'))
                         .arg(compared, 4, 16, QLatin1Char('0'));
        if (!wrong.isEmpty())
            differences
                << QStringLiteral("after %1 (step %2): %3").arg(ran).arg(i).arg(wrong.join(", "));
    }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestDebuggerTrace)
#include "tst_debugger_trace.moc"
