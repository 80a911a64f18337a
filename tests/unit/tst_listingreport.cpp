#include "toolchain/listingreport.h"

#include <QFile>
#include <QTest>

class TestListingReport : public QObject
{
    Q_OBJECT
private slots:
    void fixtureReport_data();
    void fixtureReport();
    void fixtureCleanedListing_data();
    void fixtureCleanedListing();
    void rules_data();
    void rules();
    void diagnosticLocation_data();
    void diagnosticLocation();
    void diagnosticsPointAtTheirSourceLines_data();
    void diagnosticsPointAtTheirSourceLines();
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
    return {QString::number(lines) + " Source  Lines",
            QString::number(lines) + " Total   Lines",
            QString::number(symbols) + " Symbols",
            "",
            free + " Bytes symbol space free",
            "",
            "0 Warning Errors",
            QString::number(severe) + " Severe  Errors"};
}

void TestListingReport::fixtureReport_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("clean listing: header and summary only")
        << "CLEAN.LST"
        << "CLEAN.asm"
        << header + summaryHeading + indented("    ", summary(35, 11, "47530 + 463825", 0));
    QTest::newRow("four diagnostics in order, then the summary")
        << "ERRS.LST"
        << "ERRS.ASM"
        << header +
               indented("    ", {"ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
                                 "ERRS.ASM(34): error A2105: Expected: instruction, directive, "
                                 "or label",
                                 "ERRS.ASM(35): error A2050: Value out of range",
                                 "ERRS.ASM(36): error A2009: Symbol not defined: NOWHERE"}) +
               summaryHeading + indented("    ", summary(42, 13, "47488 + 461819", 4));
    QTest::newRow("source name matched in any case")
        << "ERRS.LST"
        << "errs.asm"
        << header +
               indented("    ", {"ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
                                 "ERRS.ASM(34): error A2105: Expected: instruction, directive, "
                                 "or label",
                                 "ERRS.ASM(35): error A2050: Value out of range",
                                 "ERRS.ASM(36): error A2009: Symbol not defined: NOWHERE"}) +
               summaryHeading + indented("    ", summary(42, 13, "47488 + 461819", 4));
    QTest::newRow("diagnostic on a late page of fourteen")
        << "LONG.LST"
        << "LONG.ASM"
        << header + indented("    ", {"LONG.ASM(298): error A2009: Symbol not defined: QQQ"}) +
               summaryHeading + indented("    ", summary(304, 12, "47512 + 449505", 1));
    QTest::newRow("lines naming another source are no diagnostics")
        << "ERRS.LST"
        << "Temp_F.asm"
        << header + summaryHeading + indented("    ", summary(42, 13, "47488 + 461819", 4));
}

void TestListingReport::fixtureReport()
{
    QFETCH(QString, listing);
    QFETCH(QString, sourceName);
    QFETCH(QString, expected);
    QCOMPARE(buildListingReport(fixture(listing), sourceName).report, expected);
}

void TestListingReport::fixtureCleanedListing_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("summaryLines");

    QTest::newRow("clean listing, two pages")
        << "CLEAN.LST"
        << "CLEAN.ASM" << 2
        << QStringList{"  Page     1-1", "  1 0000\t\t\t\tSTACK SEGMENT PARA STACK 'STACK'",
                       "  \t\t\t\t\t************************", "  Symbols-1"}
        << summary(35, 11, "47530 + 463825", 0);
    QTest::newRow("diagnostics stay in the cleaned listing")
        << "ERRS.LST"
        << "ERRS.ASM" << 3
        << QStringList{"  ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
                       "  ERRS.ASM(36): error A2009: Symbol not defined: NOWHERE"}
        << summary(42, 13, "47488 + 461819", 4);
    QTest::newRow("fourteen page headings removed")
        << "LONG.LST"
        << "LONG.ASM" << 14
        << QStringList{"  Page     1-2", "  56 0028  0004[\t\t\t        DB 4 DUP(0) ;filler 10",
                       "  LONG.ASM(298): error A2009: Symbol not defined: QQQ"}
        << summary(304, 12, "47512 + 449505", 1);
}

void TestListingReport::fixtureCleanedListing()
{
    QFETCH(QString, listing);
    QFETCH(QString, sourceName);
    QFETCH(int, pages);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, summaryLines);

    const QString original = fixture(listing);
    const QString cleaned = cleanedListingFileText(buildListingReport(original, sourceName));
    QCOMPARE(original.count(u'\f'), pages);

    QVERIFY(cleaned.endsWith(summaryHeading + indented("  ", summaryLines) + "\r\n"));
    QVERIFY(!cleaned.contains("Microsoft"));
    QVERIFY(!cleaned.contains(u'\f'));
    QStringList lines = cleaned.split("\r\n");
    QCOMPARE(lines.takeLast(), QString()); // the file ends with a line break
    // One line per listing line, less the headings, plus the summary heading's two.
    QCOMPARE(lines.size(), original.count("\r\n") - pages + 2 + 1);
    for (const QString &line : kept)
        QVERIFY2(lines.contains(line), qPrintable(line));
}

void TestListingReport::rules_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("cleanedFile");

    QTest::newRow("no summary line: header and diagnostics only")
        << "  1 MOV AX,Q\r\nTEMP_F.ASM(1): error A2009: Symbol not defined: Q\r\n"
        << header + "    TEMP_F.ASM(1): error A2009: Symbol not defined: Q\r\n"
        << "  1 MOV AX,Q\r\n  TEMP_F.ASM(1): error A2009: Symbol not defined: Q\r\n\r\n";
    QTest::newRow("every line a diagnostic: four blanks in the report, two in the listing")
        << "Temp_F.asm(1): a\r\ntemp_f.ASM(2): b\r\n"
        << header + "    Temp_F.asm(1): a\r\n    temp_f.ASM(2): b\r\n"
        << "  Temp_F.asm(1): a\r\n  temp_f.ASM(2): b\r\n\r\n";
    QTest::newRow("heading text from character 1 is kept")
        << "Microsoft (R) Macro Assembler\r\n"
        << header << "  Microsoft (R) Macro Assembler\r\n\r\n";
    QTest::newRow("heading text from character 3 is dropped")
        << "xyMicrosoft (R) Macro Assembler\r\nA\r\n"
        << header << "  A\r\n\r\n";
    QTest::newRow("blanks before a heading are trimmed before the test")
        << "   \f\bMicrosoft (R) Macro Assembler\r\nA\r\n"
        << header << "  A\r\n\r\n";
    QTest::newRow("tabs are not trimmed") << "\t\tX  \r\n" << header << "  \t\tX\r\n\r\n";
    QTest::newRow("summary starts at the line ending in Source  Lines")
        << "  A  \r\n   7 Source  Lines  \r\n  Temp_F.asm(9): late\r\n\r\n   0 Severe  Errors\r\n"
        << header + summaryHeading +
               "    7 Source  Lines\r\n    Temp_F.asm(9): late\r\n    \r\n    0 Severe  Errors\r\n"
        << "  A\r\n" + summaryHeading +
               "  7 Source  Lines\r\n  Temp_F.asm(9): late\r\n  \r\n  0 Severe  Errors\r\n\r\n";
    QTest::newRow("a diagnostic ending in Source  Lines does not start the summary")
        << "TEMP_F.ASM(3): x Source  Lines\r\n"
        << header + "    TEMP_F.ASM(3): x Source  Lines\r\n"
        << "  TEMP_F.ASM(3): x Source  Lines\r\n\r\n";
    QTest::newRow("page headings inside the summary stay")
        << "1 Source  Lines\r\n\f\bMicrosoft (R) x\r\n"
        << header + summaryHeading + "    1 Source  Lines\r\n    \f\bMicrosoft (R) x\r\n"
        << summaryHeading + "  1 Source  Lines\r\n  \f\bMicrosoft (R) x\r\n\r\n";
    QTest::newRow("last line without a line break is read")
        << "A\r\nTemp_F.asm(2): e" << header + "    Temp_F.asm(2): e\r\n"
        << "  A\r\n  Temp_F.asm(2): e\r\n\r\n";
    QTest::newRow("line feeds alone end lines too") << "A\nTemp_F.asm(2): e\n"
                                                    << header + "    Temp_F.asm(2): e\r\n"
                                                    << "  A\r\n  Temp_F.asm(2): e\r\n\r\n";
    QTest::newRow("empty lines are kept") << "A\r\n\r\nB\r\n"
                                          << header << "  A\r\n  \r\n  B\r\n\r\n";
    QTest::newRow("empty listing") << "" << header << "\r\n";
}

void TestListingReport::rules()
{
    QFETCH(QString, listing);
    QFETCH(QString, report);
    QFETCH(QString, cleanedFile);
    const ListingReport r = buildListingReport(listing, QStringLiteral("Temp_F.asm"));
    QCOMPARE(r.report, report);
    QCOMPARE(cleanedListingFileText(r), cleanedFile);
}

void TestListingReport::diagnosticLocation_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("lineNumber");

    QTest::newRow("report line with its four blanks")
        << "    ERRS.ASM(33): error A2009: Symbol not defined: CNTX" << true << "ERRS.ASM" << 33;
    QTest::newRow("name as typed on the command line")
        << "Bad.asm(32): error A2105: Expected: instruction, directive, or label" << true
        << "Bad.asm" << 32;
    QTest::newRow("warning") << "  TEMP_F.ASM(1024): warning A4001: Extra characters on line"
                             << true << "TEMP_F.ASM" << 1024;
    QTest::newRow("summary line") << "    42 Source  Lines" << false << "" << 0;
    QTest::newRow("report header") << " Assembling Report:" << false << "" << 0;
    QTest::newRow("no number") << "ERRS.ASM(): error" << false << "" << 0;
    QTest::newRow("not a number") << "ERRS.ASM(3a): error" << false << "" << 0;
    QTest::newRow("signed number") << "ERRS.ASM(-3): error" << false << "" << 0;
    QTest::newRow("line zero") << "ERRS.ASM(0): error" << false << "" << 0;
    QTest::newRow("no file name") << "(12): error" << false << "" << 0;
    QTest::newRow("no colon after the number") << "ERRS.ASM(12) error" << false << "" << 0;
    QTest::newRow("empty") << "" << false << "" << 0;
}

void TestListingReport::diagnosticLocation()
{
    QFETCH(QString, line);
    QFETCH(bool, found);
    QFETCH(QString, fileName);
    QFETCH(int, lineNumber);
    const auto location = ::diagnosticLocation(line);
    QCOMPARE(location.has_value(), found);
    if (found)
        QCOMPARE(*location, (DiagnosticLocation{fileName, lineNumber}));
}

void TestListingReport::diagnosticsPointAtTheirSourceLines_data()
{
    QTest::addColumn<int>("diagnostic");
    QTest::addColumn<QString>("sourceText");
    QTest::newRow("undefined CNTX") << 0 << "CNTX";
    QTest::newRow("unknown instruction MOVX") << 1 << "MOVX";
    QTest::newRow("300 out of range") << 2 << "300";
    QTest::newRow("undefined NOWHERE") << 3 << "NOWHERE";
}

// The numbers in the report are source lines, not the listing's counter.
void TestListingReport::diagnosticsPointAtTheirSourceLines()
{
    QFETCH(int, diagnostic);
    QFETCH(QString, sourceText);
    const QStringList report =
        buildListingReport(fixture("ERRS.LST"), QStringLiteral("ERRS.ASM")).report.split("\r\n");
    const auto location = ::diagnosticLocation(report.at(1 + diagnostic));
    QVERIFY(location);
    QCOMPARE(location->fileName, QStringLiteral("ERRS.ASM"));
    const QStringList source = fixture(location->fileName).split("\r\n");
    QVERIFY(source.at(location->line - 1).contains(sourceText));
}

QTEST_APPLESS_MAIN(TestListingReport)
#include "tst_listingreport.moc"
