#include "checking/checksuite.h"

#include <QFile>
#include <QTest>

// The teacher's test file, read into cases, and the faults a hand-written
// one has, each told in Chinese at its line.
class TestCheckSuite : public QObject
{
    Q_OBJECT
private slots:
    void example();
    void faults_data();
    void faults();
};

void TestCheckSuite::example()
{
    QFile file(QStringLiteral(KORVANE_FIXTURES "/check/example.toml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    const std::optional<CheckSuite> suite = readCheckSuite(file.readAll(), &error);
    QVERIFY2(suite, qPrintable(error));
    QCOMPARE(suite->title, QStringLiteral("实验三：数组求和"));
    QCOMPARE(suite->instructions, 20000000u);
    QCOMPARE(suite->outputBytes, 1024 * 1024); // left out: the default
    QCOMPARE(suite->cases.size(), 2);

    const CheckCase &first = suite->cases[0];
    QCOMPARE(first.name, QStringLiteral("三个数"));
    QCOMPARE(first.keys, QStringLiteral("12 34\n"));
    QVERIFY(!first.input && !first.screen);
    QCOMPARE(first.output->match, ExpectedText::Match::Exact);
    QCOMPARE(first.output->text, QStringLiteral("Sum: 46\n"));
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.points, 2.0);
    QCOMPARE(first.instructions, 0u);
    QCOMPARE(first.labels.size(), 3);
    QCOMPARE(first.labels[0].name, QStringLiteral("ARR"));
    QCOMPARE(first.labels[0].kind, ExpectedLabel::Kind::Words);
    QCOMPARE(first.labels[0].numbers, (QList<qint64>{12, 34, -1}));
    QCOMPARE(first.labels[1].kind, ExpectedLabel::Kind::Words);
    QCOMPARE(first.labels[1].numbers, QList<qint64>{46});
    QCOMPARE(first.labels[2].kind, ExpectedLabel::Kind::Text);
    QCOMPARE(first.labels[2].text, QStringLiteral("hello"));

    const CheckCase &second = suite->cases[1];
    QCOMPARE(second.name, QStringLiteral("用例 2"));
    QCOMPARE(second.input, QStringLiteral("1 2 3\n"));
    QCOMPARE(second.tail, QStringLiteral("/A"));
    QCOMPARE(second.output->match, ExpectedText::Match::Pattern);
    QCOMPARE(second.output->text, QStringLiteral("Sum: *6"));
    QCOMPARE(second.screen->text, QStringLiteral("结果：6"));
    QVERIFY(!second.exitCode);
    QCOMPARE(second.points, 0.5);
    QCOMPARE(second.instructions, 1000000u);
    QCOMPARE(second.labels[0].kind, ExpectedLabel::Kind::Bytes);
    QCOMPARE(second.labels[0].numbers, (QList<qint64>{255, -128}));
    QCOMPARE(second.labels[1].kind, ExpectedLabel::Kind::Dwords);
    QCOMPARE(second.labels[1].numbers, QList<qint64>{4294967295});
    QCOMPARE(second.files.size(), 3);
    QCOMPARE(second.files[0].name, QStringLiteral("OUT.TXT"));
    QCOMPARE(second.files[0].contents->text, QStringLiteral("6\n"));
    QCOMPARE(second.files[1].contents->match, ExpectedText::Match::Pattern);
    QVERIFY(!second.files[2].contents);
}

void TestCheckSuite::faults_data()
{
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<QString>("message"); // how the message starts
    const QByteArray head = "[[case]]\nname = \"甲\"\n";
    QTest::newRow("TOML syntax") << QByteArray("title = \"a\"\n[[case]\n")
                                 << "第 2 行：TOML 写法有误：";
    QTest::newRow("a GBK file") << QByteArray("title = \"a\"\n[[case]]\nname = \"\xd5\xc5\"\n")
                                << "第 3 行：测试文件应以 UTF-8 编码保存";
    QTest::newRow("no case") << QByteArray("title = \"a\"\n")
                             << "测试文件里没有用例（每个用例以 [[case]] 开头）";
    QTest::newRow("one bracket pair")
        << QByteArray("[case]\noutput = \"a\"\n") << "第 1 行：用例应写作 [[case]]（两层方括号）";
    QTest::newRow("a misspelt key") << head + "ouput = \"46\"\n"
                                    << "第 3 行：用例“甲”中有不认识的键 ouput（是不是 output？）";
    QTest::newRow("a misspelt top key")
        << QByteArray("titel = \"a\"\n") + head << "第 1 行：有不认识的键 titel（是不是 title？）";
    QTest::newRow("an unnamed case's unknown key")
        << QByteArray("[[case]]\noutput = \"a\"\n[[case]]\nbogus = 1\n")
        << "第 4 行：用例“用例 2”中有不认识的键 bogus";
    QTest::newRow("an invalid regex") << head + "output_regex = \"Sum: (\"\n"
                                      << "第 3 行：output_regex 不是有效的正则表达式：";
    QTest::newRow("text and regex") << head + "screen = \"a\"\nscreen_regex = \"b\"\n"
                                    << "第 4 行：screen 与 screen_regex 只能写一个";
    QTest::newRow("negative points") << head + "points = -1\n"
                                     << "第 3 行：points 不能是负数";
    QTest::newRow("points as text") << head + "points = \"2\"\n"
                                    << "第 3 行：points 应是数";
    QTest::newRow("exit code past a byte") << head + "exit = 256\n"
                                           << "第 3 行：exit 应在 0 到 255 之间";
    QTest::newRow("a word too big")
        << head + "[case.labels]\nARR = { words = [1, 65536] }\n"
        << "第 4 行：ARR.words 的 65536 超出一个字的范围（-32768～65535）";
    QTest::newRow("a bare number below a word") << head + "[case.labels]\nN = -32769\n"
                                                << "第 4 行：N 的 -32769 超出一个字的范围";
    QTest::newRow("a byte too small") << head + "[case.labels]\nB = { bytes = [-129] }\n"
                                      << "第 4 行：B.bytes 的 -129 超出一个字节的范围（-128～255）";
    QTest::newRow("two kinds for a label")
        << head + "[case.labels]\nB = { bytes = [1], words = [2] }\n"
        << "第 4 行：标号 B 应只写 bytes、words、dwords、text 中的一个";
    QTest::newRow("not a label's name") << head + "[case.labels]\n\"ARR[2]\" = 5\n"
                                        << "第 4 行：ARR[2] 不是标号名";
    QTest::newRow("not a DOS file name") << head + "[case.files]\n\"结果.txt\" = \"1\"\n"
                                         << "第 4 行：文件名 结果.txt 不是 DOS 的 8.3 文件名";
    QTest::newRow("a file that must not exist") << head + "[case.files]\nA = { exists = false }\n"
                                                << "第 4 行：A.exists 只能是 true";
    QTest::newRow("two cases of one name")
        << head + head << "第 3 行：用例名“甲”与第 1 行的用例重复";
}

void TestCheckSuite::faults()
{
    QFETCH(QByteArray, toml);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!readCheckSuite(toml, &error));
    QVERIFY2(error.startsWith(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestCheckSuite)
#include "tst_checksuite.moc"
