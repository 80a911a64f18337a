#include "help/usagetext.h"

#include <QTest>

class TestUsageText : public QObject
{
    Q_OBJECT
private slots:
    void fixedLines_data();
    void fixedLines();
    void ownLines();
    void joinedText();
};

void TestUsageText::fixedLines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 heading with its trailing blank") << 1 << QStringLiteral("使用说明： ");
    QTest::newRow("2 tool folder, indented")
        << 2 << QStringLiteral("    安装后把masm.exe和link.exe存放在安装目录下，");
    QTest::newRow("3 half-width semicolon") << 3 << QStringLiteral("即当前软件所在的文件夹;");
    QTest::newRow("4 debugger") << 4
                                << QStringLiteral(
                                       "如果需要调试功能，请把debug.exe也存放在安装目录下；");
    QTest::newRow("5 renaming, half-width comma")
        << 5
        << QStringLiteral("    如果你只有Tasm.exe和Tlink.exe,请分别改名为masm.exe和link.exe，");
    QTest::newRow("6 no guarantee") << 6 << QStringLiteral("由于版本的各式各样，不能保证都可行；");
    QTest::newRow("9 thanks with its trailing blank") << 9 << QStringLiteral("谢谢使用! ");
}

void TestUsageText::fixedLines()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    const QStringList lines = usageLines();
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines.at(line - 1), text);
}

void TestUsageText::ownLines()
{
    const QStringList lines = usageLines();
    QCOMPARE(lines.size(), 9);
    for (int i : {6, 7}) {
        QVERIFY2(lines.at(i).startsWith(QStringLiteral("    ")) &&
                     !lines.at(i).startsWith(QStringLiteral("     ")),
                 qPrintable(lines.at(i)));
        QVERIFY(!lines.at(i).contains(QLatin1Char('\r')) &&
                !lines.at(i).contains(QLatin1Char('\n')));
    }
    QVERIFY(lines.at(6).contains(QStringLiteral("sudo apt-get install dosbox")));
    QVERIFY(lines.at(7).contains(QLatin1Char('@')));
}

void TestUsageText::joinedText()
{
    const QString text = usageText();
    QVERIFY(text.startsWith(QStringLiteral("使用说明： \r\n    安装后")));
    QVERIFY(text.endsWith(QStringLiteral("\r\n谢谢使用! ")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 8);
    QCOMPARE(text.count(QLatin1Char('\n')), 8);
    QCOMPARE(text.split(QStringLiteral("\r\n")), usageLines());
}

QTEST_APPLESS_MAIN(TestUsageText)
#include "tst_usagetext.moc"
