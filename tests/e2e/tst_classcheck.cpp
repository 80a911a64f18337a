// A class of generated submissions checked by the real program, with the
// real tools, as a teacher runs it: every verdict and reason, the reports
// agreeing with each other, and nothing outside the submissions' copies
// touched by what the hostile ones try.
#include "realtools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// The task: read a digit key, store it in COUNT, print a new line and that
// many stars. PRE runs first, DATA is added to the data segment.
QByteArray program(const QString &pre = {}, const QString &data = {},
                   const QString &star = QStringLiteral("'*'"), const QString &exitCode = "00",
                   bool store = true, const QString &head = {})
{
    return QStringLiteral("%6\r\n"
                          "DATA SEGMENT\r\n"
                          "COUNT DW 0\r\n"
                          "%2\r\n"
                          "DATA ENDS\r\n"
                          "STACK SEGMENT STACK\r\n"
                          "        DW 128 DUP(0)\r\n"
                          "STACK ENDS\r\n"
                          "CODE SEGMENT\r\n"
                          "        ASSUME CS:CODE,DS:DATA,SS:STACK\r\n"
                          "START:  MOV AX,DATA\r\n"
                          "        MOV DS,AX\r\n"
                          "%1\r\n"
                          "        MOV AH,1\r\n"
                          "        INT 21H\r\n"
                          "        SUB AL,'0'\r\n"
                          "        MOV AH,0\r\n"
                          "%5        MOV COUNT,AX\r\n"
                          "        MOV CX,AX\r\n"
                          "        MOV DL,13\r\n"
                          "        MOV AH,2\r\n"
                          "        INT 21H\r\n"
                          "        MOV DL,10\r\n"
                          "        INT 21H\r\n"
                          "        JCXZ DONE\r\n"
                          "AGAIN:  MOV DL,%3\r\n"
                          "        MOV AH,2\r\n"
                          "        INT 21H\r\n"
                          "        LOOP AGAIN\r\n"
                          "DONE:   MOV AX,4C%4H\r\n"
                          "        INT 21H\r\n"
                          "CODE ENDS\r\n"
                          "        END START\r\n")
        .arg(pre, data, star, exitCode, store ? QString() : QStringLiteral(";"), head)
        .toLocal8Bit();
}

const char *const suite = R"(title = "实验二：打印星号"
instructions = 2000000
output_bytes = 4096

[[case]]
name = "三颗"
keys = "3"
output = "3\n***"
exit = 0

[[case]]
name = "五颗"
keys = "5"
output = "5\n*****\n"
exit = 0
[case.labels]
COUNT = 5

[[case]]
name = "零颗"
keys = "0"
output_regex = "^0\\r?\\n$"
exit = 0
)";

struct Student
{
    QString file; // relative to the class folder
    QByteArray source;
    QString build;        // build verdict code
    QStringList verdicts; // per case
    QString reasonPart;   // found in the first failing case's reason, or the build's
};

// Opens a file name in the data segment and does something with it.
QString dosCall(int ah, const QString &label)
{
    return QStringLiteral("        MOV AH,%1H\r\n        MOV CX,0\r\n        MOV DX,OFFSET %2\r\n"
                          "        INT 21H\r\n")
        .arg(ah, 2, 16, QLatin1Char('0'))
        .arg(label)
        .toUpper();
}

QList<Student> classOfThirty()
{
    const QStringList passed = {"passed", "passed", "passed"};
    const auto all = [](const QString &v) { return QStringList{v, v, v}; };
    QList<Student> c;
    // Right, in many shapes and names.
    c << Student{"ALICE.ASM", program(), "built", passed, {}};
    c << Student{"alice.asm", program().toLower(), "built", passed, {}};
    c << Student{"张三.asm", program(), "built", passed, {}};
    c << Student{"王 五.asm", program({}, {}, "2AH"), "built", passed, {}};
    c << Student{
        "a very long name of a student.asm", program({}, {}, "42", "00"), "built", passed, {}};
    c << Student{"李四/lab2.asm",
                 program({}, {}, "STAR", "00", true, "INCLUDE STAR.INC"),
                 "built",
                 passed,
                 {}};
    c << Student{"张三/作业.asm", program(), "built", passed, {}};
    c << Student{"com-like.asm", program("        NOP\r\n"), "built", passed, {}};
    // Wrong.
    c << Student{"hash.asm",
                 program({}, {}, "'#'"),
                 "built",
                 {"wrong-output", "wrong-output", "passed"},
                 "标准输出"};
    c << Student{
        "one more.asm", program("        ; one more star\r\n", {}, "'*'"), "built", passed, {}};
    c << Student{"exit1.asm", program({}, {}, "'*'", "01"), "built", all("wrong-exit-code"),
                 "返回码是 1"};
    c << Student{"nocount.asm",
                 program({}, {}, "'*'", "00", false),
                 "built",
                 {"passed", "wrong-label", "passed"},
                 "COUNT：期望 5，实际 0"};
    c << Student{"typo.asm", program("        MOVV AX,1\r\n"), "not-assembled", all("not-run"),
                 "error A2"};
    c << Student{"undefined.asm", program("        MOV AX,NOSUCH\r\n"), "not-assembled",
                 all("not-run"), "error A2"};
    c << Student{"extern.asm",
                 program("        CALL PRINTIT\r\n", {}, "'*'", "00", true, "EXTRN PRINTIT:NEAR"),
                 "not-linked", all("not-run"), "PRINTIT"};
    c << Student{"hang.asm", program("HANG:   JMP HANG\r\n"), "built", all("hung"), "2000000"};
    c << Student{"twokeys.asm", program("        MOV AH,1\r\n        INT 21H\r\n"), "built",
                 all("waited-for-keys"), "键盘"};
    c << Student{"chatty.asm",
                 program("TALK:   MOV DL,'x'\r\n        MOV AH,2\r\n        INT 21H\r\n"
                         "        JMP TALK\r\n"),
                 "built", all("too-much-output"), "上限"};
    c << Student{"mouse.asm", program("        MOV AX,0\r\n        INT 33H\r\n"), "built",
                 all("needs-dosbox"), "INT 33h"};
    c << Student{
        "divide.asm", program("        MOV BL,0\r\n        DIV BL\r\n"), "built", all("fault"), {}};
    // Hostile: each tries, then does the task right; the check sees a pass
    // and the host sees nothing.
    c << Student{"escape1.asm",
                 program(dosCall(0x3C, "EVIL"), "EVIL DB '..\\..\\ESCAPED.TXT',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"escape2.asm",
                 program(dosCall(0x3C, "EVIL"), "EVIL DB 'D:\\ESCAPED.TXT',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"escape3.asm",
                 program(dosCall(0x3C, "EVIL"), "EVIL DB 'C:\\..\\..\\ESCAPED.TXT',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"escape4.asm",
                 program(dosCall(0x39, "EVIL"), "EVIL DB '..\\NEWDIR',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"tools1.asm",
                 program(dosCall(0x41, "T1") + dosCall(0x41, "T2") + dosCall(0x41, "T3"),
                         "T1 DB 'C:\\MASM.EXE',0\r\nT2 DB '..\\LINK.EXE',0\r\n"
                         "T3 DB 'MAIN.EXE',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"fill.asm",
                 program(dosCall(0x3C, "BIG") +
                             "        MOV BX,AX\r\n"
                             "FILL:   MOV AH,40H\r\n        MOV CX,8000H\r\n"
                             "        MOV DX,0\r\n        INT 21H\r\n        JMP FILL\r\n",
                         "BIG DB 'BIG.DAT',0"),
                 "built", all("too-much-output"), "上限"};
    c << Student{"alloc.asm",
                 program("        MOV AH,48H\r\n        MOV BX,0FFFFH\r\n        INT 21H\r\n"
                         "        MOV AH,48H\r\n        INT 21H\r\n"
                         "        MOV AH,4AH\r\n        MOV BX,0FFFFH\r\n        INT 21H\r\n"),
                 "built",
                 passed,
                 {}};
    c << Student{"stack.asm",
                 program("        MOV SP,0\r\n        MOV AX,1\r\n        PUSH AX\r\n"
                         "        MOV SP,256\r\n"),
                 "built",
                 passed,
                 {}};
    c << Student{"rename.asm",
                 program(dosCall(0x3C, "MINE") +
                             "        MOV AH,56H\r\n        MOV DX,OFFSET MINE\r\n"
                             "        PUSH DS\r\n        POP ES\r\n"
                             "        MOV DI,OFFSET OUTSIDE\r\n        INT 21H\r\n",
                         "MINE DB 'MINE.TXT',0\r\nOUTSIDE DB '..\\..\\MOVED.TXT',0"),
                 "built",
                 passed,
                 {}};
    c << Student{"empty.asm", QByteArray(), "not-assembled", all("not-run"), {}};
    c << Student{"garbage.asm",
                 QByteArray("\x01\x02\xff\xfe hello\r\n", 10),
                 "not-assembled",
                 all("not-run"),
                 {}};
    return c;
}

// Every file under a folder with its bytes' digest: what "nothing changed" means.
QHash<QString, QByteArray> snapshot(const QString &folder)
{
    QHash<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(folder).relativeFilePath(path),
                     f.open(QIODevice::ReadOnly)
                         ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                         : QByteArray("folder"));
    }
    return files;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A CSV line's fields (RFC 4180 quoting).
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"')
                field += c, ++i;
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// The real program, as a teacher's script starts it: no display, no
// tools named in the environment.
int korvaneCheck(const QString &folder, const QStringList &arguments, QString *printed = nullptr)
{
    QProcess korvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "KORVANE_DOS_TOOLS"})
        env.remove(QString::fromLatin1(name));
    korvane.setProcessEnvironment(env);
    korvane.setWorkingDirectory(folder);
    korvane.start(QStringLiteral(KORVANE_PROGRAM), QStringList{"check"} + arguments);
    if (!korvane.waitForFinished(600000))
        return -1;
    if (printed)
        *printed =
            QString::fromUtf8(korvane.readAllStandardOutput() + korvane.readAllStandardError());
    return korvane.exitStatus() == QProcess::NormalExit ? korvane.exitCode() : -1;
}

// The CSV's rows without the time each took, which no two runs share.
QStringList rowsWithoutTimes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList rows;
    for (const QString &line : QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts))
        rows << line.section(u',', 0, -2);
    return rows;
}

} // namespace

class TestClassCheck : public QObject
{
    Q_OBJECT
private slots:
    void classOfThirtyWithTheRealTools();
    void dosboxOnlyWhenAllowed();
};

void TestClassCheck::classOfThirtyWithTheRealTools()
{
    REQUIRE_REAL_TOOLS();
    // The house: the tools, the tests and the class side by side, and the
    // reports in a folder of their own; a hostile program may try any of them.
    QTemporaryDir house;
    QVERIFY(house.isValid());
    const QDir root(house.path());
    const QString tools = root.filePath("tools"), klass = root.filePath("class/lab2"),
                  reports = root.filePath("reports");
    QDir().mkpath(tools);
    QDir().mkpath(reports);
    for (const QString &name : QDir(realToolsFolder()).entryList(QDir::Files))
        QVERIFY(QFile::copy(QDir(realToolsFolder()).filePath(name), QDir(tools).filePath(name)));
    QVERIFY(write(root.filePath("lab2.toml"), suite));
    const QList<Student> students = classOfThirty();
    QVERIFY(students.size() >= 30);
    for (const Student &s : students)
        QVERIFY(write(QDir(klass).filePath(s.file), s.source));
    QVERIFY(write(QDir(klass).filePath("李四/STAR.INC"), "STAR EQU '*'\r\n"));
    const QHash<QString, QByteArray> before = snapshot(house.path());

    QString said;
    const int status = korvaneCheck(house.path(),
                                    {klass, "--tests", root.filePath("lab2.toml"), "--tools", tools,
                                     "--csv", QDir(reports).filePath("lab2.csv"), "--junit",
                                     QDir(reports).filePath("lab2.xml"), "--html",
                                     QDir(reports).filePath("lab2.html"), "--jobs", "2"},
                                    &said);
    QVERIFY2(status == 1, qPrintable(said));

    // One program alone, every case passed: the only status that says so.
    QCOMPARE(korvaneCheck(house.path(), {QDir(klass).filePath("ALICE.ASM"), "--tests",
                                         root.filePath("lab2.toml"), "--tools", tools, "--quiet"}),
             0);

    // A class split in two, each part checked on its own and joined again,
    // gives the same report.
    for (const QString &part : {"1", "2"})
        QCOMPARE(
            korvaneCheck(house.path(), {klass, "--tests", root.filePath("lab2.toml"), "--tools",
                                        tools, "--quiet", "--shard", part + "/2", "--json",
                                        QDir(reports).filePath("part" + part + ".json")}),
            1);
    QCOMPARE(korvaneCheck(house.path(), {"merge", QDir(reports).filePath("part1.json"),
                                         QDir(reports).filePath("part2.json"), "--quiet", "--csv",
                                         QDir(reports).filePath("merged.csv")}),
             1);
    QCOMPARE(rowsWithoutTimes(QDir(reports).filePath("merged.csv")),
             rowsWithoutTimes(QDir(reports).filePath("lab2.csv")));
    // A part with no student in it (more parts than students) ends at once.
    QCOMPARE(korvaneCheck(house.path(), {klass, "--tests", root.filePath("lab2.toml"), "--tools",
                                         tools, "--quiet", "--shard", "40/40"}),
             0);

    // Nothing outside the reports changed, nothing new appeared.
    QHash<QString, QByteArray> after = snapshot(house.path());
    for (auto it = after.begin(); it != after.end();) {
        if (it.key().startsWith(QLatin1String("reports/")))
            it = after.erase(it);
        else
            ++it;
    }
    QCOMPARE(after.keys().size(), before.keys().size());
    QCOMPARE(after, before);
    QVERIFY(!QFile::exists(QDir::temp().filePath("ESCAPED.TXT")));

    // The CSV: one row per student per case.
    QFile csvFile(QDir(reports).filePath("lab2.csv"));
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(csvFile.readAll())
                            .remove(QChar(0xFEFF))
                            .split("\r\n", Qt::SkipEmptyParts);
    const QStringList header = csvFields(lines.takeFirst());
    const int sourceColumn = header.indexOf("源程序"), buildColumn = header.indexOf("生成"),
              verdictColumn = header.indexOf("结果"), reasonColumn = header.indexOf("原因");
    QVERIFY2(sourceColumn >= 0 && verdictColumn >= 0 && reasonColumn >= 0,
             qPrintable(header.join(',')));
    QHash<QString, QStringList> csvVerdicts, csvReasons;
    QHash<QString, QString> csvBuild;
    for (const QString &line : lines) {
        const QStringList f = csvFields(line);
        csvVerdicts[f.at(sourceColumn)] << f.at(verdictColumn);
        csvReasons[f.at(sourceColumn)] << f.at(reasonColumn);
        csvBuild[f.at(sourceColumn)] = f.at(buildColumn);
    }

    // JUnit: valid against its schema, and the same verdicts.
    const QString xsd = QStringLiteral(KORVANE_FIXTURES "/junit.xsd");
    QProcess xmllint;
    xmllint.start("xmllint", {"--noout", "--schema", xsd, QDir(reports).filePath("lab2.xml")});
    if (xmllint.waitForStarted(10000)) {
        QVERIFY(xmllint.waitForFinished(60000));
        QVERIFY2(xmllint.exitCode() == 0, xmllint.readAllStandardError().constData());
    }
    QFile junitFile(QDir(reports).filePath("lab2.xml"));
    QVERIFY(junitFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&junitFile);
    int failedCases = 0, junitCases = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("testcase"))
            ++junitCases;
        if (xml.isStartElement() &&
            (xml.name() == QLatin1String("failure") || xml.name() == QLatin1String("error") ||
             xml.name() == QLatin1String("skipped")))
            ++failedCases;
    }
    QVERIFY(!xml.hasError());

    QFile htmlFile(QDir(reports).filePath("lab2.html"));
    QVERIFY(htmlFile.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(htmlFile.readAll());

    int expectedFailures = 0, cases = 0;
    for (const Student &s : students) {
        const QString source = QDir::fromNativeSeparators(s.file);
        QVERIFY2(csvVerdicts.contains(source), qPrintable(source));
        QCOMPARE(csvBuild.value(source), s.build);
        QCOMPARE(csvVerdicts.value(source), s.verdicts);
        if (!s.reasonPart.isEmpty()) {
            const QString reasons = csvReasons.value(source).join(' ');
            QVERIFY2(reasons.contains(s.reasonPart), qPrintable(source + ": " + reasons));
        }
        for (const QString &v : s.verdicts) {
            ++cases;
            expectedFailures += v != "passed";
        }
        QVERIFY2(html.contains(source.toHtmlEscaped()), qPrintable(source));
    }
    QCOMPARE(junitCases, cases);
    QCOMPARE(failedCases, expectedFailures);
    // The summary on the terminal names every student.
    QVERIFY(said.contains("王 五"));
}

// A program that needs what the built-in PC lacks (the mouse driver) is
// reported as such; with --allow-dosbox the cases DOSBox can judge (output
// and files, no keys) are run there.
void TestClassCheck::dosboxOnlyWhenAllowed()
{
    REQUIRE_REAL_TOOLS();
    if (QStandardPaths::findExecutable("dosbox").isEmpty())
        QSKIP("real DOS tools unavailable: dosbox is not installed");
    QTemporaryDir house;
    const QDir root(house.path());
    QVERIFY(write(root.filePath("class/mouse.asm"),
                  "CODE SEGMENT\r\n        ASSUME CS:CODE,DS:CODE\r\n"
                  "START:  MOV AX,CS\r\n        MOV DS,AX\r\n        MOV AX,3\r\n"
                  "        INT 33H\r\n        MOV AH,9\r\n        MOV DX,OFFSET HELLO\r\n"
                  "        INT 21H\r\n        MOV AX,4C00H\r\n        INT 21H\r\n"
                  "HELLO   DB 'HELLO$'\r\nCODE ENDS\r\n        END START\r\n"));
    QVERIFY(write(root.filePath("t.toml"), "[[case]]\nname = \"out\"\noutput = \"HELLO\"\n"
                                           "[[case]]\nname = \"keys\"\nkeys = \"x\"\n"
                                           "output = \"HELLO\"\n"));
    const QStringList check = {root.filePath("class"),
                               "--tests",
                               root.filePath("t.toml"),
                               "--tools",
                               realToolsFolder(),
                               "--quiet",
                               "--csv",
                               root.filePath("r.csv")};
    const auto verdicts = [&] {
        QStringList v;
        for (const QString &row : rowsWithoutTimes(root.filePath("r.csv")).mid(1))
            v << csvFields(row).at(4) + u' ' + csvFields(row).at(7);
        return v;
    };
    QCOMPARE(korvaneCheck(house.path(), check), 1);
    QStringList v = verdicts();
    QCOMPARE(v.size(), 2);
    QVERIFY2(v.at(0).startsWith("needs-dosbox") && v.at(0).contains("INT 33h"),
             qPrintable(v.at(0)));
    QCOMPARE(korvaneCheck(house.path(), check + QStringList{"--allow-dosbox"}), 1);
    v = verdicts();
    QCOMPARE(v.at(0), QStringLiteral("passed "));
    QVERIFY2(v.at(1).startsWith("needs-dosbox") && v.at(1).contains("按键"), qPrintable(v.at(1)));
}

QTEST_GUILESS_MAIN(TestClassCheck)
#include "tst_classcheck.moc"
