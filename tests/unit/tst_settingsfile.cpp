#include "app/colors.h"
#include "app/settingsfile.h"

#include <QTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void encodeLayout();
    void decode_data();
    void decode();
};

void TestSettingsFile::encodeLayout()
{
    // What a run without a settings file leaves behind when no colour changed.
    const QByteArray bytes =
        encodeColorSettings({RGB(0, 0, 0), RGB(50, 200, 150), RGB(100, 0, 255)});
    QCOMPARE(bytes.toHex(' '), QByteArray("03 00 00 00 00 00 03 00 32 c8 96 00 03 00 64 00 ff 00"));
}

void TestSettingsFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<qint32>("code");
    QTest::addColumn<qint32>("comment");
    QTest::addColumn<qint32>("typing");

    const QByteArray good = encodeColorSettings({RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9)});
    QTest::newRow("three tagged records")
        << good << true << RGB(1, 2, 3) << RGB(4, 5, 6) << RGB(7, 8, 9);
    QTest::newRow("trailing bytes are ignored")
        << good + QByteArray("xyz") << true << RGB(1, 2, 3) << RGB(4, 5, 6) << RGB(7, 8, 9);
    QTest::newRow("one byte short") << good.left(17) << false << 0 << 0 << 0;
    QTest::newRow("empty file") << QByteArray() << false << 0 << 0 << 0;
    QByteArray wrongTag = good;
    wrongTag[12] = 2; // a 16-bit integer record instead of a 32-bit one
    QTest::newRow("third record with another tag") << wrongTag << false << 0 << 0 << 0;
    QByteArray highTag = good;
    highTag[1] = 1; // tag 0x0103
    QTest::newRow("tag with a high byte") << highTag << false << 0 << 0 << 0;
}

void TestSettingsFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    const auto decoded = decodeColorSettings(bytes);
    QCOMPARE(decoded.has_value(), readable);
    if (readable) {
        QFETCH(qint32, code);
        QFETCH(qint32, comment);
        QFETCH(qint32, typing);
        QCOMPARE(*decoded, (ColorSettings{code, comment, typing}));
    }
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
