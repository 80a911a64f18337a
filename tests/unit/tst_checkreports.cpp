#include "checking/checkreports.h"
#include "checking/resultjson.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <utility>

// Each student's case verdicts, in case order: what every report must agree on.
using Verdicts = QMap<QString, QStringList>;

Q_DECLARE_METATYPE(ClassResult)

static const QString tagged = QStringLiteral("<b>x</b>&");
static const QString quoted = QStringLiteral("王五, \"小王\"");
static const QString plain = QStringLiteral("张三");
static const QString notDefined =
    QStringLiteral("MAIN.ASM(3): error A2009: Symbol not defined: <script>");

static CaseResult ran(const QString &name, CaseVerdict verdict, double points, double max)
{
    CaseResult c;
    c.name = name;
    c.verdict = verdict;
    c.points = points;
    c.maxPoints = max;
    c.instructions = 1234;
    c.milliseconds = 7;
    c.exitCode = 0;
    return c;
}

// Three students, in the order a merge sorts them: signs, then pinyin.
static ClassResult wholeClass()
{
    ClassResult r;
    r.title = QStringLiteral("求和");
    r.caseNames = {QStringLiteral("一加一"), QStringLiteral("大数")};

    SubmissionResult x{tagged,
                       tagged + ".asm",
                       BuildVerdict::NotAssembled,
                       notDefined,
                       notDefined + "\n1 Severe Errors",
                       {},
                       {},
                       40};
    x.cases = {ran(r.caseNames[0], CaseVerdict::NotRun, 0, 1),
               ran(r.caseNames[1], CaseVerdict::NotRun, 0, 2)};

    SubmissionResult w{quoted,
                       quoted + "/MAIN.ASM",
                       BuildVerdict::Built,
                       {},
                       "0 Severe Errors",
                       "LINK : warning L4021: no stack segment",
                       {},
                       950};
    CaseResult wrong = ran(r.caseNames[0], CaseVerdict::WrongOutput, 0, 1);
    wrong.reason = QStringLiteral("第 1 行：期望 2，实际 3");
    wrong.expected = "2\r\n";
    wrong.actual = "3\a\x1b[0m\r\n"; // a bell and an escape: no report may break on them
    CaseResult hung = ran(r.caseNames[1], CaseVerdict::Hung, 0, 2);
    hung.reason = QStringLiteral("执行了 50000000 条指令仍未结束");
    hung.screen = "C:\\>";
    hung.exitCode = -1;
    w.cases = {wrong, hung};

    SubmissionResult z{plain, plain + ".asm", BuildVerdict::Built, {}, {}, {}, {}, 30};
    z.cases = {ran(r.caseNames[0], CaseVerdict::Passed, 1, 1),
               ran(r.caseNames[1], CaseVerdict::Passed, 2, 2)};

    r.submissions = {x, w, z};
    r.similarChecked = true;
    r.similar = {SimilarPair{plain, tagged, 0.8, {{3, 5, {"MOV AX, <i>"}, {"MOV AX, <i>"}}}}};
    return r;
}

static const Verdicts expectedVerdicts{{tagged, {"not-run", "not-run"}},
                                       {quoted, {"wrong-output", "hung"}},
                                       {plain, {"passed", "passed"}}};

// RFC 4180 rows.
static QList<QStringList> csvRows(const QString &text)
{
    QList<QStringList> rows{{}};
    QString cell;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes && c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
            cell += c;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && c == u',') {
            rows.last() << std::exchange(cell, {});
        } else if (!inQuotes && c == u'\r' && text.mid(i, 2) == "\r\n") {
            rows.last() << std::exchange(cell, {});
            rows << QStringList();
            ++i;
        } else {
            cell += c;
        }
    }
    rows.removeLast();
    return rows;
}

static Verdicts fromCsv(const QByteArray &csv)
{
    if (!csv.startsWith("\xEF\xBB\xBF"))
        return {};
    const QList<QStringList> rows = csvRows(QString::fromUtf8(csv.mid(3)));
    Verdicts v;
    for (const QStringList &row : rows.mid(1)) {
        if (row.size() != rows[0].size())
            return {};
        v[row[0]] << row[4];
        if (row[2] != "built" && row[7] != notDefined)
            return {};
    }
    return v;
}

static Verdicts fromJunit(const QByteArray &xml)
{
    Verdicts v;
    QXmlStreamReader r(xml);
    QString student;
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = r.attributes();
        if (r.name() == u"testsuite") {
            student = a.value("name").toString();
        } else if (r.name() == u"testcase") {
            if (a.value("classname") != student)
                return {};
            v[student] << "passed";
        } else if (r.name() == u"failure") {
            v[student].last() = a.value("type").toString();
        } else if (r.name() == u"error") {
            // Not run: the type says why.
            v[student].last() = a.value("type") == u"not-assembled" ? "not-run" : "?";
        }
    }
    return r.hasError() ? Verdicts() : v;
}

static Verdicts fromHtml(const QByteArray &html)
{
    Verdicts v;
    static const QRegularExpression row(R"(<tr><td><a href="#s\d+">(.*?)</a></td>(.*?)</tr>)");
    static const QRegularExpression cell(R"re(<td class="v-([a-z-]+)")re");
    for (const auto &m : row.globalMatch(QString::fromUtf8(html))) {
        QString name = m.captured(1);
        name.replace("&lt;", "<")
            .replace("&gt;", ">")
            .replace("&quot;", "\"")
            .replace("&amp;", "&");
        for (const auto &c : cell.globalMatch(m.captured(2)))
            v[name] << c.captured(1);
    }
    return v;
}

class TestCheckReports : public QObject
{
    Q_OBJECT
private slots:
    void reportsAgree_data();
    void reportsAgree();
    void htmlEscapes();
    void junitValidates_data();
    void junitValidates();
    void summaryAligns_data();
    void summaryAligns();
    void jsonRoundTrip();
    void jsonFaults_data();
    void jsonFaults();
    void merge_data();
    void merge();
    void csvCells_data();
    void csvCells();
};

void TestCheckReports::reportsAgree_data()
{
    QTest::addColumn<QString>("report");
    QTest::newRow("csv") << "csv";
    QTest::newRow("junit") << "junit";
    QTest::newRow("html") << "html";
}

// Same students, same verdicts per case, read back out of each report.
void TestCheckReports::reportsAgree()
{
    QFETCH(QString, report);
    const ClassResult r = wholeClass();
    const Verdicts v = report == "csv"     ? fromCsv(csvReport(r))
                       : report == "junit" ? fromJunit(junitReport(r))
                                           : fromHtml(htmlReport(r));
    QCOMPARE(v, expectedVerdicts);
}

void TestCheckReports::htmlEscapes()
{
    const QString html = QString::fromUtf8(htmlReport(wholeClass()));
    QVERIFY(html.contains("&lt;b&gt;x&lt;/b&gt;&amp;"));
    QVERIFY(html.contains("王五, &quot;小王&quot;"));
    QVERIFY(html.contains("MOV AX, &lt;i&gt;"));
    QVERIFY(html.contains("<html lang=\"zh-CN\">"));
    for (const char *raw : {"<b>x", "<script", "<i>", "http:", "https:", "src="})
        QVERIFY2(!html.contains(raw, Qt::CaseInsensitive), raw);
    QVERIFY(!html.contains(QChar(0x1b)));
    QVERIFY(html.contains("相似的程序"));
}

void TestCheckReports::junitValidates_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("valid");
    QTest::newRow("as written") << ""
                                << "" << true;
    QTest::newRow("a time with a decimal comma") << "time=\"0.007\""
                                                 << "time=\"0,007\"" << false;
    QTest::newRow("a testcase without a name") << "<testcase name=\"大数\""
                                               << "<testcase" << false;
}

void TestCheckReports::junitValidates()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, valid);
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty())
        QSKIP("xmllint is not installed");
    QString xml = QString::fromUtf8(junitReport(wholeClass()));
    QVERIFY(from.isEmpty() || xml.contains(from));
    xml.replace(from, to);

    QTemporaryDir dir;
    QFile file(dir.filePath("junit.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(xml.toUtf8());
    file.close();
    QProcess p;
    p.start(xmllint, {"--noout", "--schema", KORVANE_FIXTURES "/junit.xsd", file.fileName()});
    QVERIFY(p.waitForFinished());
    QVERIFY2((p.exitCode() == 0) == valid, p.readAllStandardError().constData());
}

void TestCheckReports::summaryAligns_data()
{
    QTest::addColumn<QString>("student");
    QTest::addColumn<int>("width"); // in terminal columns
    QTest::addColumn<QString>("rest");
    // The widest name, 王五, "小王", takes 12 columns; points and counts are
    // right-aligned under 得分 and 通过 (4 columns each).
    QTest::newRow("signs") << tagged << 9 << "0/3   0/2  汇编失败：" + notDefined;
    QTest::newRow("CJK with a comma and quotes")
        << quoted << 12 << QStringLiteral("0/3   0/2  一加一：输出不符，第 1 行：期望 2，实际 3");
    QTest::newRow("all passed") << plain << 4 << "3/3   2/2";
}

void TestCheckReports::summaryAligns()
{
    QFETCH(QString, student);
    QFETCH(int, width);
    QFETCH(QString, rest);
    const QStringList lines = summaryTable(wholeClass()).split('\n');
    const QString line = student + QString(12 - width + 3, u' ') + rest;
    QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
}

void TestCheckReports::jsonRoundTrip()
{
    const ClassResult r = wholeClass();
    QString error;
    const std::optional<ClassResult> back = resultFromJson(resultToJson(r), &error);
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(csvReport(*back), csvReport(r));
    QCOMPARE(junitReport(*back), junitReport(r));
    QCOMPARE(htmlReport(*back), htmlReport(r));
    QCOMPARE(summaryTable(*back), summaryTable(r));
    QCOMPARE(resultToJson(*back), resultToJson(r));
}

void TestCheckReports::jsonFaults_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("said");
    QTest::newRow("not JSON") << "{"
                              << "["
                              << "不是 JSON";
    QTest::newRow("another program's file") << "korvane-check-result"
                                            << "other"
                                            << "不是检查结果";
    QTest::newRow("a newer version") << "\"version\": 1"
                                     << "\"version\": 2"
                                     << "更新";
    QTest::newRow("an unknown verdict") << "\"hung\""
                                        << "\"slow\""
                                        << "submissions[1].cases[1].verdict";
    QTest::newRow("a fractional count") << "\"instructions\": 1234"
                                        << "\"instructions\": 1.5"
                                        << "submissions[0].cases[0].instructions";
}

void TestCheckReports::jsonFaults()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, said);
    QString json = QString::fromUtf8(resultToJson(wholeClass()));
    QVERIFY(json.contains(from));
    json.replace(json.indexOf(from), from.size(), to);
    QString error;
    QVERIFY(!resultFromJson(json.toUtf8(), &error));
    QVERIFY2(error.contains(said), qPrintable(error));
}

// The whole class's submissions at the indexes given.
static ClassResult shard(const QList<int> &indexes, bool withSimilar)
{
    ClassResult r = wholeClass();
    QList<SubmissionResult> chosen;
    for (int i : indexes)
        chosen << r.submissions[i];
    r.submissions = chosen;
    r.similarChecked = withSimilar;
    if (!withSimilar)
        r.similar.clear();
    return r;
}

void TestCheckReports::merge_data()
{
    QTest::addColumn<QList<ClassResult>>("shards");
    QTest::addColumn<QString>("said"); // empty: it equals the whole class
    QTest::newRow("two shards, out of order")
        << QList<ClassResult>{shard({2, 0}, true), shard({1}, false)} << "";
    ClassResult otherTitle = shard({1}, false);
    otherTitle.title = QStringLiteral("求差");
    QTest::newRow("different titles")
        << QList<ClassResult>{shard({2, 0}, true), otherTitle} << "「求差」与第 1 份的「求和」";
    ClassResult otherCases = shard({1}, false);
    otherCases.caseNames.removeLast();
    QTest::newRow("different cases") << QList<ClassResult>{shard({0}, true), otherCases} << "用例";
    QTest::newRow("a shard joined twice")
        << QList<ClassResult>{shard({2, 0}, true), shard({2}, false)} << plain;
}

void TestCheckReports::merge()
{
    QFETCH(QList<ClassResult>, shards);
    QFETCH(QString, said);
    QString error;
    const std::optional<ClassResult> merged = mergeResults(shards, &error);
    if (!said.isEmpty()) {
        QVERIFY(!merged);
        QVERIFY2(error.contains(said), qPrintable(error));
        return;
    }
    QVERIFY2(merged, qPrintable(error));
    QCOMPARE(resultToJson(*merged), resultToJson(wholeClass()));
}

// A student's name as the CSV's first cell: never a formula when a
// spreadsheet opens it, quoted where a comma, a quote or a line end is in it.
void TestCheckReports::csvCells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain") << QStringLiteral("张三") << QStringLiteral("张三");
    QTest::newRow("a formula") << QStringLiteral("=HYPERLINK(1)") << QStringLiteral("'=HYPERLINK(1)");
    QTest::newRow("a sum") << QStringLiteral("+1+1") << QStringLiteral("'+1+1");
    QTest::newRow("a minus") << QStringLiteral("-2") << QStringLiteral("'-2");
    QTest::newRow("an at") << QStringLiteral("@SUM(A1)") << QStringLiteral("'@SUM(A1)");
    QTest::newRow("a comma") << QStringLiteral("李,四") << QStringLiteral("\"李,四\"");
    QTest::newRow("a quote") << QStringLiteral("王\"五") << QStringLiteral("\"王\"\"五\"");
    QTest::newRow("formula and comma") << QStringLiteral("=1,2") << QStringLiteral("\"'=1,2\"");
}

void TestCheckReports::csvCells()
{
    QFETCH(QString, name);
    QFETCH(QString, cell);
    ClassResult r;
    r.title = QStringLiteral("t");
    SubmissionResult s{name, name + ".asm", BuildVerdict::Built, {}, {}, {}, {}, 1};
    r.submissions = {s};
    const QString csv = QString::fromUtf8(csvReport(r));
    const QString row = csv.section(QLatin1String("\r\n"), 1, 1);
    QVERIFY2(row.startsWith(cell + u','), qPrintable(row));
}

QTEST_GUILESS_MAIN(TestCheckReports)
#include "tst_checkreports.moc"
