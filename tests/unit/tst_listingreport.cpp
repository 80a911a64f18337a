#include "mainfixture.h"
#include "rules/listingreport.h"

#include <QFile>
#include <QTest>

class TestListingReport : public QObject
{
    Q_OBJECT
private slots:
    void fixtures_data();
    void fixtures();
};

static QString fixture(const QString &name)
{
    return QString::fromLatin1(fileBytes(QStringLiteral(KORVANE_FIXTURES "/masm510/") + name));
}

// Lines, each with the given indent and CR LF.
static QString indented(const QString &indent, const QStringList &lines)
{
    QString s;
    for (const QString &line : lines)
        s += indent + line + "\r\n";
    return s;
}

static const QString header = QStringLiteral(" Assembling Report:\r\n");
static const QString summaryHeading = QStringLiteral("\r\n 汇编总结报告：\r\n");

void TestListingReport::fixtures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("diagnostics");
    QTest::addColumn<QStringList>("kept"); // lines of the cleaned listing
    const QStringList errs{"ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
                           "ERRS.ASM(34): error A2105: Expected: instruction, directive, or label",
                           "ERRS.ASM(35): error A2050: Value out of range",
                           "ERRS.ASM(36): error A2009: Symbol not defined: NOWHERE"};
    QTest::newRow("clean") << "CLEAN" << 2 << QStringList()
                           << QStringList{"  Page     1-1",
                                          "  1 0000\t\t\t\tSTACK SEGMENT PARA STACK 'STACK'"};
    QTest::newRow("four diagnostics, numbered by source line")
        << "ERRS" << 3 << errs << QStringList{"  " + errs[0], "  " + errs[3]};
    QTest::newRow("diagnostic on the last of fourteen pages")
        << "LONG" << 14 << QStringList{"LONG.ASM(298): error A2009: Symbol not defined: QQQ"}
        << QStringList{"  56 0028  0004[\t\t\t        DB 4 DUP(0) ;filler 10"};
}

// The report and the cleaned listing of the assembler's own listings.
void TestListingReport::fixtures()
{
    QFETCH(QString, name);
    QFETCH(int, pages);
    QFETCH(QStringList, diagnostics);
    QFETCH(QStringList, kept);
    const QString original = fixture(name + ".LST");
    const ListingReport r = buildListingReport(original, QString(name + ".ASM"));
    // The summary is the listing's last lines, from the source line count on.
    const qsizetype count = original.indexOf(" Source  Lines");
    QStringList summary = original.mid(original.lastIndexOf('\n', count) + 1).split("\r\n");
    summary.removeLast();
    for (QString &line : summary)
        line = line.trimmed();
    QCOMPARE(r.report,
             header + indented("    ", diagnostics) + summaryHeading + indented("    ", summary));
    QVERIFY(summary.size() == 8 && summary.last().endsWith(" Severe  Errors"));

    const QString cleaned = cleanedListingFileText(r);
    QCOMPARE(original.count(u'\f'), pages);
    QVERIFY(cleaned.endsWith(summaryHeading + indented("  ", summary) + "\r\n"));
    QVERIFY(!cleaned.contains(u'\f'));
    QStringList lines = cleaned.split("\r\n");
    QCOMPARE(lines.takeLast(), QString()); // the file ends with a line break
    // One line per listing line, less the headings, plus the summary heading's two.
    QCOMPARE(lines.size(), original.count("\r\n") - pages + 2 + 1);
    for (const QString &line : kept)
        QVERIFY2(lines.contains(line), qPrintable(line));
}

QTEST_APPLESS_MAIN(TestListingReport)
#include "tst_listingreport.moc"
