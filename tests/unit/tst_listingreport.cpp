#include "toolchain/listingreport.h"

#include <QFile>
#include <QTest>

class TestListingReport : public QObject
{
    Q_OBJECT
private slots:
    void fixtures_data();
    void fixtures();
    void rules_data();
    void rules();
    void diagnosticLocation_data();
    void diagnosticLocation();
};

static QString fixture(const QString &name)
{
    QFile f(QStringLiteral(KORVANE_FIXTURES "/masm510/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    // The listings are plain ASCII apart from the heading's control characters.
    return QString::fromLatin1(f.readAll());
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

static QStringList summary(int lines, int symbols, const QString &free, int severe)
{
    return QStringLiteral("%1 Source  Lines|%1 Total   Lines|%2 Symbols||%3 Bytes symbol space "
                          "free||0 Warning Errors|%4 Severe  Errors")
        .arg(QString::number(lines), QString::number(symbols), free, QString::number(severe))
        .split('|');
}

void TestListingReport::fixtures_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QStringList>("diagnostics");
    QTest::addColumn<QStringList>("pointsAt"); // text on the source line of each diagnostic
    QTest::addColumn<QStringList>("summaryLines");
    QTest::addColumn<QStringList>("kept"); // lines of the cleaned listing

    const QStringList errs{"ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
                           "ERRS.ASM(34): error A2105: Expected: instruction, directive, or label",
                           "ERRS.ASM(35): error A2050: Value out of range",
                           "ERRS.ASM(36): error A2009: Symbol not defined: NOWHERE"};
    const QStringList errsSummary = summary(42, 13, "47488 + 461819", 4);
    const QStringList errsKept{"  " + errs[0], "  " + errs[3]};

    QTest::newRow("clean listing: header and summary only")
        << "CLEAN.LST" << 2 << "CLEAN.asm" << QStringList() << QStringList()
        << summary(35, 11, "47530 + 463825", 0)
        << QStringList{"  Page     1-1", "  1 0000\t\t\t\tSTACK SEGMENT PARA STACK 'STACK'",
                       "  \t\t\t\t\t************************", "  Symbols-1"};
    QTest::newRow("four diagnostics in order, kept in the cleaned listing")
        << "ERRS.LST" << 3 << "ERRS.ASM" << errs << QStringList{"CNTX", "MOVX", "300", "NOWHERE"}
        << errsSummary << errsKept;
    QTest::newRow("diagnostic on a late page of fourteen")
        << "LONG.LST" << 14 << "LONG.ASM"
        << QStringList{"LONG.ASM(298): error A2009: Symbol not defined: QQQ"} << QStringList()
        << summary(304, 12, "47512 + 449505", 1)
        << QStringList{"  Page     1-2", "  56 0028  0004[\t\t\t        DB 4 DUP(0) ;filler 10",
                       "  LONG.ASM(298): error A2009: Symbol not defined: QQQ"};
}

void TestListingReport::fixtures()
{
    QFETCH(QString, listing);
    QFETCH(int, pages);
    QFETCH(QString, sourceName);
    QFETCH(QStringList, diagnostics);
    QFETCH(QStringList, pointsAt);
    QFETCH(QStringList, summaryLines);
    QFETCH(QStringList, kept);

    const QString original = fixture(listing);
    const ListingReport r = buildListingReport(original, sourceName);
    QCOMPARE(r.report, header + indented("    ", diagnostics) + summaryHeading +
                           indented("    ", summaryLines));

    // The numbers in the report are source lines, not the listing's counter.
    const QStringList reportLines = r.report.split("\r\n");
    for (int i = 0; i < pointsAt.size(); ++i) {
        const DiagnosticLocation at = ::diagnosticLocation(reportLines.at(1 + i)).value();
        QVERIFY(fixture(at.fileName).split("\r\n").at(at.line - 1).contains(pointsAt[i]));
    }

    const QString cleaned = cleanedListingFileText(r);
    QCOMPARE(original.count(u'\f'), pages);
    QVERIFY(cleaned.endsWith(summaryHeading + indented("  ", summaryLines) + "\r\n"));
    QVERIFY(!cleaned.contains(u'\f'));
    QStringList lines = cleaned.split("\r\n");
    QCOMPARE(lines.takeLast(), QString()); // the file ends with a line break
    // One line per listing line, less the headings, plus the summary heading's two.
    QCOMPARE(lines.size(), original.count("\r\n") - pages + 2 + 1);
    for (const QString &line : kept)
        QVERIFY2(lines.contains(line), qPrintable(line));
}

// reportBody: the report after its header line.
static void rulesRow(const char *name, const char *listing, const QString &reportBody,
                     const QString &cleanedFile, const char *console = "")
{
    QTest::newRow(name) << QString::fromUtf8(listing) << reportBody << cleanedFile
                        << QString::fromUtf8(console);
}

void TestListingReport::rules_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("reportBody");
    QTest::addColumn<QString>("cleanedFile");
    QTest::addColumn<QString>("console"); // what the assembler printed

    rulesRow("no summary line: diagnostics only, the name in any case, blanks trimmed",
             "  1 MOV AX,Q  \r\nTemp_F.asm(1): a\r\ntemp_f.ASM(2): b\r\n",
             "    Temp_F.asm(1): a\r\n    temp_f.ASM(2): b\r\n",
             "  1 MOV AX,Q\r\n  Temp_F.asm(1): a\r\n  temp_f.ASM(2): b\r\n\r\n");
    rulesRow("lines naming another source are no diagnostics", "ERRS.ASM(1): e\r\n", "",
             "  ERRS.ASM(1): e\r\n\r\n");
    rulesRow("tabs are not trimmed", "\t\tX  \r\n", "", "  \t\tX\r\n\r\n");
    rulesRow("a heading is Microsoft from the third character, after leading blanks",
             "Microsoft (R) 1\r\nxyMicrosoft (R) 2\r\n   \f\bMicrosoft (R) 3\r\nA\r\n", "",
             "  Microsoft (R) 1\r\n  A\r\n\r\n");
    rulesRow("summary starts at the line ending in Source  Lines, and takes every line after it",
             "A\r\n 7 Source  Lines \r\nTemp_F.asm(9): x\r\n\r\n",
             summaryHeading + "    7 Source  Lines\r\n    Temp_F.asm(9): x\r\n    \r\n",
             "  A\r\n" + summaryHeading + "  7 Source  Lines\r\n  Temp_F.asm(9): x\r\n  \r\n\r\n");
    rulesRow("a diagnostic ending in Source  Lines does not start the summary",
             "TEMP_F.ASM(3): x Source  Lines\r\n", "    TEMP_F.ASM(3): x Source  Lines\r\n",
             "  TEMP_F.ASM(3): x Source  Lines\r\n\r\n");
    rulesRow("page headings inside the summary stay", "1 Source  Lines\r\n\f\bMicrosoft (R) x\r\n",
             summaryHeading + "    1 Source  Lines\r\n    \f\bMicrosoft (R) x\r\n",
             summaryHeading + "  1 Source  Lines\r\n  \f\bMicrosoft (R) x\r\n\r\n");
    rulesRow("lone line feeds end lines, empty lines kept, last line read without a break",
             "A\n\nTemp_F.asm(3): e", "    Temp_F.asm(3): e\r\n",
             "  A\r\n  \r\n  Temp_F.asm(3): e\r\n\r\n");
    rulesRow("empty listing", "", "", "\r\n");
    rulesRow("printed lines the listing lacks follow the diagnostics, once, without the banner",
             "Temp_F.asm(1): a\r\n      0 Source  Lines\r\n      0 Severe  Errors\r\n",
             "    Temp_F.asm(1): a\r\n    End of file encountered on input file\r\n" +
                 summaryHeading + "    0 Source  Lines\r\n    0 Severe  Errors\r\n",
             "  Temp_F.asm(1): a\r\n" + summaryHeading +
                 "  0 Source  Lines\r\n  0 Severe  Errors\r\n\r\n",
             "Microsoft (R) Macro Assembler Version 5.10 \r\nCopyright (C) Microsoft Corp "
             "1981, 1988.  All rights reserved.\r\n\r\nTemp_F.asm(1): a\r\nEnd of file "
             "encountered on input file\r\nEnd of file encountered on input file\r\n\r\n"
             "      0 Severe  Errors\r\n");
}

void TestListingReport::rules()
{
    QFETCH(QString, listing);
    QFETCH(QString, reportBody);
    QFETCH(QString, cleanedFile);
    QFETCH(QString, console);
    const ListingReport r = buildListingReport(listing, QStringLiteral("Temp_F.asm"),
                                               consoleOnlyLines(console, listing));
    QCOMPARE(r.report, header + reportBody);
    QCOMPARE(cleanedListingFileText(r), cleanedFile);
}

void TestListingReport::diagnosticLocation_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("location"); // file:line, empty when the line is no diagnostic

    QTest::newRow("warning with a four-digit line")
        << "  TEMP_F.ASM(1024): warning A4001: Extra characters"
        << QStringLiteral("TEMP_F.ASM:1024");
    QTest::newRow("summary line") << "    42 Source  Lines" << QString();
    QTest::newRow("not a number") << "ERRS.ASM(3a): error" << QString();
    QTest::newRow("signed number") << "ERRS.ASM(-3): error" << QString();
    QTest::newRow("line zero") << "ERRS.ASM(0): error" << QString();
    QTest::newRow("no file name") << "(12): error" << QString();
    QTest::newRow("no colon after the number") << "ERRS.ASM(12) error" << QString();
}

void TestListingReport::diagnosticLocation()
{
    QFETCH(QString, line);
    QFETCH(QString, location);
    const auto found = ::diagnosticLocation(line);
    QCOMPARE(found ? found->fileName + ':' + QString::number(found->line) : QString(), location);
}

QTEST_APPLESS_MAIN(TestListingReport)
#include "tst_listingreport.moc"
