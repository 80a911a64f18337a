#include "debugging/memoryedit.h"

#include <QTest>

// Bytes typed for the debugged program's memory, as DEBUG's E and F take them.
class TestMemoryEdit : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestMemoryEdit::parse_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<uint>("address"); // linear, with DS=1000 and the bare segment 2000
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // part of it
    QTest::newRow("bytes") << "DS:10 41 42" << 0x10010u << QByteArray("AB") << "";
    QTest::newRow("text and bytes")
        << "ds:0 'OK' 0D,0A \"$\"" << 0x10000u << QByteArray("OK\r\n$") << "";
    QTest::newRow("Chinese as GBK") << "DS:0 '中'" << 0x10000u << QByteArray("\xD6\xD0") << "";
    QTest::newRow("a quote inside the other")
        << "DS:0 \"it's\"" << 0x10000u << QByteArray("it's") << "";
    QTest::newRow("bare offset") << "20 FF" << 0x20020u << QByteArray("\xFF") << "";
    QTest::newRow("fill by length") << "F DS:0 L 5 41 42" << 0x10000u << QByteArray("ABABA") << "";
    QTest::newRow("fill to an offset") << "f ds:2 4 0" << 0x10002u << QByteArray(3, '\0') << "";
    QTest::newRow("not a byte") << "DS:0 4G" << 0u << QByteArray() << "4G";
    QTest::newRow("a word is no byte") << "DS:0 1234" << 0u << QByteArray() << "1234";
    QTest::newRow("no value") << "DS:0" << 0u << QByteArray() << "缺少";
    QTest::newRow("open quote") << "DS:0 'OK" << 0u << QByteArray() << "引号";
    QTest::newRow("no address") << "XY:0 1" << 0u << QByteArray() << "XY:0";
    QTest::newRow("fill backwards") << "F DS:10 5 0" << 0u << QByteArray() << "范围";
}

void TestMemoryEdit::parse()
{
    QFETCH(QString, typed);
    QFETCH(QString, error);
    Registers r;
    r.ds = 0x1000;
    QString why;
    const std::optional<MemoryEdit> edit = parseMemoryEdit(typed, r, 0x2000, &why);
    if (!error.isEmpty()) {
        QVERIFY(!edit);
        QVERIFY2(why.contains(error), qPrintable(why));
        return;
    }
    QVERIFY2(edit, qPrintable(why));
    QTEST(uint(edit->address), "address");
    QTEST(edit->bytes, "bytes");
}

QTEST_GUILESS_MAIN(TestMemoryEdit)
#include "tst_memoryedit.moc"
