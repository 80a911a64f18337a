#include "machine/video.h"

#include <QTest>

// The VGA's ports as programs drive them: the DAC written through 3C8h/3C9h
// (index, then red, green and blue in 6 bits) and read through 3C7h/3C9h,
// and the status port 3DAh whose retrace bit a program waits for.
class TestVideoPorts : public QObject
{
    Q_OBJECT
private slots:
    void dac_data();
    void dac();
    void retraceComesAndGoes();
    void otherPortsAreNotTheVideos();
};

void TestVideoPorts::dac_data()
{
    QTest::addColumn<QByteArray>("written"); // after the index 10h
    QTest::addColumn<QByteArray>("entries"); // read back from 10h on
    QTest::newRow("one colour") << QByteArray("\x3F\x20\x01") << QByteArray("\x3F\x20\x01");
    QTest::newRow("the index moves on after blue")
        << QByteArray("\x01\x02\x03\x04\x05\x06") << QByteArray("\x01\x02\x03\x04\x05\x06");
    QTest::newRow("only 6 bits are kept")
        << QByteArray("\xFF\x40\x7F") << QByteArray("\x3F\x00\x3F");
}

void TestVideoPorts::dac()
{
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, entries);
    VideoState video;
    QVERIFY(video.portOut(0x3C8, 0x10));
    for (const char b : written)
        QVERIFY(video.portOut(0x3C9, quint8(b)));
    QVERIFY(video.portOut(0x3C7, 0x10));
    QByteArray read;
    for (qsizetype i = 0; i < entries.size(); ++i)
        read += char(*video.portIn(0x3C9));
    QCOMPARE(read.toHex(' '), entries.toHex(' '));
}

void TestVideoPorts::retraceComesAndGoes()
{
    // A program waits for the retrace to end, then for it to begin.
    VideoState video;
    bool sawRetrace = false, sawPicture = false;
    for (int i = 0; i < 16; ++i) {
        const quint8 status = *video.portIn(0x3DA);
        (status & 0x08 ? sawRetrace : sawPicture) = true;
    }
    QVERIFY(sawRetrace && sawPicture);
}

void TestVideoPorts::otherPortsAreNotTheVideos()
{
    VideoState video;
    QVERIFY(!video.portOut(0x61, 3));
    QVERIFY(!video.portIn(0x378).has_value());
}

QTEST_APPLESS_MAIN(TestVideoPorts)
#include "tst_videoports.moc"
