#include "dosreference.h"
#include "machine/machine.h"
#include "machine/servicelist.h"
#include "mainfixture.h"
#include "realtools.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Every DOS and BIOS service the machine gives a program, called by small
// programs of our own (built with the real MASM and LINK on the machine)
// with ordinary and edge arguments: what each program saw on the machine
// (registers, flags, bytes, screen cells, files written) must be what it
// saw in DOSBox, but for the differences listed with the reason Korvane
// keeps its own.
class TestMachineServices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyServiceHasARow();
    void sameAsDosbox_data();
    void sameAsDosbox();
};

namespace {

const QString kSources = QStringLiteral(KORVANE_FIXTURES "/services");

// A difference from DOSBox that Korvane keeps: on the machine, FIELD of the
// line TAG holds VALUE; DOSBox's value is not compared.
struct Kept
{
    QString tag, field, value, why;
};

struct Program
{
    QString name;
    QSet<int> covers;    // interrupt << 8 | function
    QList<quint16> keys; // scan code << 8 | character, typed before it starts
    QStringList files;   // fixture files put into its C: first
    QString input;       // one of them given as standard input ("< FILE")
};

QTemporaryDir *work;
QList<Program> programs;
QString failure; // why the programs could not be built or run

QList<Program> readPrograms()
{
    QList<Program> list;
    static const QRegularExpression covers(QStringLiteral("; covers:(.*)"));
    static const QRegularExpression keys(QStringLiteral("; keys:(.*)"));
    static const QRegularExpression files(QStringLiteral("; files:(.*)"));
    static const QRegularExpression input(QStringLiteral("; input: *(\\S+)"));
    for (const QString &file : QDir(kSources).entryList({QStringLiteral("*.ASM")}, QDir::Files)) {
        const QString text = QString::fromLatin1(fileBytes(kSources + u'/' + file));
        const QRegularExpressionMatch c = covers.match(text);
        if (!c.hasMatch())
            continue; // a helper, not a service program
        Program p;
        p.name = file.chopped(4);
        for (const QString &f : c.captured(1).split(u' ', Qt::SkipEmptyParts))
            p.covers.insert(f.section(u'/', 0, 0).toInt(nullptr, 16) << 8 |
                            f.section(u'/', 1, 1).toInt(nullptr, 16));
        for (const QString &k : keys.match(text).captured(1).split(u' ', Qt::SkipEmptyParts))
            p.keys << quint16(k.toUInt(nullptr, 16));
        p.files = files.match(text).captured(1).split(u' ', Qt::SkipEmptyParts);
        p.input = input.match(text).captured(1);
        list << p;
    }
    return list;
}

QString side(const QString &where, const Program &p, const QString &drive)
{
    return work->filePath(where + u'/' + p.name + u'/' + drive);
}

// Both sides start from the same folders: the program, the key stuffer and
// its keys (unused on the machine, which is given the keys directly) and the
// program's own files.
bool prepare(const Program &p, const QString &exe, const QString &stuffer)
{
    QByteArray keyBytes;
    for (const quint16 k : p.keys)
        keyBytes += char(k & 0xFF) + QByteArray(1, char(k >> 8));
    for (const QString &where : {QStringLiteral("machine"), QStringLiteral("dosbox")}) {
        const QString c = side(where, p, QStringLiteral("c")),
                      d = side(where, p, QStringLiteral("d"));
        if (!QDir().mkpath(c) || !QDir().mkpath(d) ||
            !QFile::copy(exe, c + u'/' + p.name + QStringLiteral(".EXE")) ||
            !QFile::copy(stuffer, c + QStringLiteral("/STUFF.EXE")) ||
            !writeFile(c + QStringLiteral("/KEYS.BIN"), keyBytes))
            return false;
        for (const QString &f : p.files)
            if (!QFile::copy(kSources + QStringLiteral("/files/") + f, c + u'/' + f))
                return false;
    }
    return true;
}

QString runOnMachine(const Program &p)
{
    Machine::Setup setup;
    setup.toolFolder = side(QStringLiteral("machine"), p, QStringLiteral("c"));
    setup.sourceFolder = side(QStringLiteral("machine"), p, QStringLiteral("d"));
    if (!p.input.isEmpty())
        setup.inputFile = setup.toolFolder + u'/' + p.input;
    Machine machine(setup);
    QString error;
    if (!machine.load(setup.toolFolder + u'/' + p.name + QStringLiteral(".EXE"), "", &error))
        return error;
    for (const quint16 k : p.keys)
        machine.pushKey(k);
    const MachineStop stop = machine.run({0, 100'000'000});
    if (stop.reason != StopReason::Exited)
        return QStringLiteral("the run stopped (%1): %2").arg(int(stop.reason)).arg(stop.detail);
    return {};
}

struct Log
{
    QStringList tags;
    QHash<QString, QMap<QString, QString>> fields;
    QStringList unordered; // lines of tags starting with '~', in any order
};

Log parse(const QByteArray &bytes)
{
    Log log;
    for (const QByteArray &line : bytes.split('\n')) {
        const QStringList words = QString::fromLatin1(line.trimmed()).split(u' ');
        if (words.first().isEmpty())
            continue;
        if (words.first().startsWith(u'~')) {
            log.unordered << words.join(u' ');
            continue;
        }
        log.tags << words.first();
        for (const QString &w : words.mid(1))
            log.fields[words.first()][w.section(u'=', 0, 0)] = w.section(u'=', 1);
    }
    log.unordered.sort();
    return log;
}

// Every file a program left in its folders, but its log.
QMap<QString, QByteArray> filesLeft(const QString &where, const Program &p)
{
    QMap<QString, QByteArray> files;
    const QString root = work->filePath(where + u'/' + p.name);
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        if (relative != QLatin1String("c/RESULT.LOG"))
            files[relative] = QFileInfo(path).isDir() ? "<folder>" : fileBytes(path);
    }
    return files;
}

} // namespace

Q_DECLARE_METATYPE(QList<Kept>)

void TestMachineServices::initTestCase()
{
    REQUIRE_DOSBOX();
    REQUIRE_REAL_TOOLS();
    programs = readPrograms();
    work = new QTemporaryDir;
    if (qEnvironmentVariableIsSet("KORVANE_KEEP_WORK")) {
        work->setAutoRemove(false);
        qInfo("programs and logs kept in %s", qPrintable(work->path()));
    }
    const QString build = work->filePath(QStringLiteral("build"));
    QVERIFY(QDir().mkpath(build));
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + u'/' + tool, build + u'/' + tool));
    for (const QString &f :
         QDir(kSources).entryList({QStringLiteral("*.ASM"), QStringLiteral("*.INC")}))
        QVERIFY(QFile::copy(kSources + u'/' + f, build + u'/' + f));
    QString why;
    const QString stuffer = buildOnMachine(build, QStringLiteral("STUFF"), &why);
    QVERIFY2(!stuffer.isEmpty(), qPrintable(why));
    QList<DosboxJob> jobs;
    for (const Program &p : std::as_const(programs)) {
        const QString exe = buildOnMachine(build, p.name, &why);
        QVERIFY2(!exe.isEmpty(), qPrintable(p.name + u' ' + why));
        QVERIFY(prepare(p, exe, stuffer));
        jobs << DosboxJob{side(QStringLiteral("dosbox"), p, QStringLiteral("c")),
                          side(QStringLiteral("dosbox"), p, QStringLiteral("d")),
                          {QStringLiteral("STUFF"),
                           p.input.isEmpty() ? p.name : p.name + QStringLiteral(" < ") + p.input}};
    }
    if (!runDosbox(jobs, work->path(), &why))
        failure = why;
}

void TestMachineServices::everyServiceHasARow()
{
    QSet<int> covered;
    for (const Program &p : std::as_const(programs))
        covered += p.covers;
    QStringList missing;
    for (const quint16 s : providedServices())
        if (!covered.contains(s))
            missing << QStringLiteral("INT %1h AH=%2h")
                           .arg(s >> 8, 2, 16, QLatin1Char('0'))
                           .arg(s & 0xFF, 2, 16, QLatin1Char('0'))
                           .toUpper();
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("no program calls ") + missing.join(", ")));
}

void TestMachineServices::sameAsDosbox_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<Kept>>("kept");
    // Where the machine keeps a behaviour of its own: the line and field,
    // the machine's value, and why.
    const QString undefined = QStringLiteral(
        "DOS defines only CF (and the error in AX) after this call; the machine leaves AX as "
        "the program had it, DOSBox leaves a value of its own there");
    const QMap<QString, QList<Kept>> kept = {
        {"CONSOLE",
         {{"PUTS", "AX", "0924",
           "DOS returns with AL = '$' after 09h and programs written on DOS rely on it; DOSBox "
           "leaves AL alone"}}},
        {"DATETIME",
         {{"SETDATE", "AX", "2BFF",
           "the host's clock is not the program's to set: the machine refuses as DOS refuses an "
           "invalid date; DOSBox sets its own clock"},
          {"SETTIME", "AX", "2DFF", "as for the date"}}},
        {"FILES",
         {{"SEEKBAD", "AX", "0001",
           "DOS answers an unknown origin with 01h (invalid function); DOSBox with 08h"},
          {"FORCEDUP", "AX", "46AA", undefined},
          {"SETATTR", "AX", "4301", undefined},
          {"OPENMODE", "AX", "000C",
           "DOS answers an access code above 2 with 0Ch (invalid access code); DOSBox with 05h"},
          {"RENMISS", "AX", "0002",
           "DOS answers a rename of a missing file with 02h (file not found); DOSBox with 05h"},
          {"FREE", "BX", "FFF0",
           "DOSBox counts the host disk's free space; the machine reports the same fixed "
           "figures for every folder, so that runs repeat"},
          {"FREE", "DX", "FFF0", "as for BX"}}},
        {"VECTORS", {{"SHRINK", "AX", "4AAA", undefined}, {"GROW", "AX", "4AAA", undefined}}},
        {"VERSION",
         {{"STRAT", "FL", "0000", "DOS clears CF when 5800h succeeds; DOSBox leaves it"},
          {"SETCP", "FL", "0000",
           "DOS clears CF when 6602h chooses code page 437 again; DOSBox does not serve "
           "6602h and leaves CF as it was"},
          {"VER1", "BX", "FF00",
           "DOS 5 gives its OEM number FFh in BH for AL=01h too; DOSBox's 10h (DOS in the "
           "HMA) tells of a memory layout the machine does not have"}}},
    };
    for (const Program &p : std::as_const(programs))
        QTest::newRow(qPrintable(p.name)) << p.name << kept.value(p.name);
}

void TestMachineServices::sameAsDosbox()
{
    QFETCH(QString, name);
    QFETCH(QList<Kept>, kept);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const Program p = *std::find_if(programs.begin(), programs.end(),
                                    [&](const Program &q) { return q.name == name; });
    const QString error = runOnMachine(p);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString logName = QStringLiteral("c/RESULT.LOG");
    const QByteArray dosboxBytes = fileBytes(work->filePath("dosbox/" + name + u'/' + logName));
    QVERIFY2(!dosboxBytes.isEmpty(), "the program left no log in DOSBox");
    const Log m = parse(fileBytes(work->filePath("machine/" + name + u'/' + logName)));
    const Log b = parse(dosboxBytes);
    QCOMPARE(m.tags, b.tags);
    QStringList differences;
    for (const QString &tag : b.tags) {
        const auto &mf = m.fields[tag];
        const auto &bf = b.fields[tag];
        for (auto it = bf.begin(); it != bf.end(); ++it) {
            const auto k = std::find_if(kept.begin(), kept.end(), [&](const Kept &x) {
                return x.tag == tag && x.field == it.key();
            });
            const QString expected = k != kept.end() ? k->value : it.value();
            if (mf.value(it.key()) != expected)
                differences << QStringLiteral("%1 %2: machine %3, %4 %5")
                                   .arg(tag, it.key(), mf.value(it.key()),
                                        k != kept.end() ? QStringLiteral("kept")
                                                        : QStringLiteral("DOSBox"),
                                        expected);
        }
    }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    QCOMPARE(m.unordered, b.unordered);
    QCOMPARE(filesLeft(QStringLiteral("machine"), p), filesLeft(QStringLiteral("dosbox"), p));
}

QTEST_GUILESS_MAIN(TestMachineServices)
#include "tst_machine_services.moc"
