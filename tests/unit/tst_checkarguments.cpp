#include "checking/checkoptions.h"
#include "checking/textcompare.h"

#include <QTest>

// The checker's command line as teachers and scripts type it, and what
// counts as the same output.
class TestCheckArguments : public QObject
{
    Q_OBJECT
private slots:
    void arguments_data();
    void arguments();
    void sameText_data();
    void sameText();
};

void TestCheckArguments::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");   // part of it; empty: read
    QTest::addColumn<QString>("summary"); // of what was read
    QTest::newRow("folder") << QStringList{"lab2", "--tests", "t.toml"} << ""
                            << "lab2 t.toml 0 1/1";
    QTest::newRow("values after =")
        << QStringList{"--tests=t.toml", "--jobs=3", "--shard=2/5", "a.asm"} << ""
        << "a.asm t.toml 3 2/5";
    QTest::newRow("no tests") << QStringList{"lab2"} << "--tests"
                              << "";
    QTest::newRow("no path") << QStringList{"--tests", "t.toml"} << "缺少"
                             << "";
    QTest::newRow("two paths") << QStringList{"a", "b", "--tests", "t"} << "b"
                               << "";
    QTest::newRow("shard past its count")
        << QStringList{"a", "--tests", "t", "--shard", "6/5"} << "6/5"
        << "";
    QTest::newRow("shard not a fraction")
        << QStringList{"a", "--tests", "t", "--shard", "2"} << "--shard"
        << "";
    QTest::newRow("no jobs") << QStringList{"a", "--tests", "t", "--jobs", "0"} << "--jobs"
                             << "";
    QTest::newRow("value missing") << QStringList{"a", "--csv"} << "--csv"
                                   << "";
    QTest::newRow("unknown option") << QStringList{"a", "--tset", "t"} << "--tset"
                                    << "";
    QTest::newRow("merge") << QStringList{"merge", "p1.json", "p2.json", "--csv", "c"} << ""
                           << "merge p1.json,p2.json";
    QTest::newRow("merge of nothing") << QStringList{"merge"} << "merge"
                                      << "";
    QTest::newRow("unknown option before help")
        << QStringList{"a", "--bogus", "--help"} << "--bogus"
        << "";
    QTest::newRow("help") << QStringList{"--help"} << ""
                          << "help";
}

void TestCheckArguments::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    QString why;
    const std::optional<CheckArguments> a = readCheckArguments(arguments, &why);
    if (!error.isEmpty()) {
        QVERIFY2(!a, qPrintable(summary));
        QVERIFY2(why.contains(error), qPrintable(why));
        return;
    }
    QVERIFY2(a, qPrintable(why));
    QString got;
    if (a->action == CheckArguments::Action::Help)
        got = "help";
    else if (a->action == CheckArguments::Action::Merge)
        got = "merge " + a->inputs.join(',');
    else
        got = QStringLiteral("%1 %2 %3 %4/%5")
                  .arg(a->path, a->tests)
                  .arg(a->jobs)
                  .arg(a->shard ? a->shard : 1)
                  .arg(a->shards);
    QCOMPARE(got, summary);
}

void TestCheckArguments::sameText_data()
{
    QTest::addColumn<bool>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<bool>("same");
    QTest::newRow("CR LF and LF") << false << "3\n***"
                                  << "3\r\n***" << true;
    QTest::newRow("trailing blanks and lines") << false << "Sum: 6\n"
                                               << "Sum: 6   \r\n\r\n"
                                               << true;
    QTest::newRow("leading blanks count") << false << "x"
                                          << " x" << false;
    QTest::newRow("a blank line inside counts") << false << "a\nb"
                                                << "a\n\nb" << false;
    QTest::newRow("a lone CR breaks the line") << false << "a\nb"
                                               << "a\rb" << true;
    QTest::newRow("pattern anywhere") << true << "Sum: *6"
                                      << "The Sum:   6\n"
                                      << true;
    QTest::newRow("pattern anchored") << true << "^6$"
                                      << "16" << false;
    QTest::newRow("Chinese") << false << "和是 6"
                             << "和是 6\r\n"
                             << true;
}

void TestCheckArguments::sameText()
{
    QFETCH(bool, pattern);
    QFETCH(QString, expected);
    QFETCH(QString, actual);
    const ExpectedText e{pattern ? ExpectedText::Match::Pattern : ExpectedText::Match::Exact,
                         expected};
    QTEST(textMatches(e, actual), "same");
}

QTEST_GUILESS_MAIN(TestCheckArguments)
#include "tst_checkarguments.moc"
