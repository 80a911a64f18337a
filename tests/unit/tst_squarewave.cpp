#include "debugging/squarewave.h"

#include <QTest>
#include <QtEndian>

// The speaker's sound as the audio output reads it: a wave of the timer's
// frequency, silence at 0 Hz, and no jump where the tone changes.
class TestSquareWave : public QObject
{
    Q_OBJECT
private slots:
    void frequency_data();
    void frequency();
    void changeKeepsThePhase();
};

static QList<qint16> samples(SquareWave &wave, int count)
{
    QByteArray bytes(count * 2, 0);
    if (wave.read(bytes.data(), bytes.size()) != bytes.size())
        qWarning("the wave gave fewer samples than asked for");
    QList<qint16> out;
    for (int i = 0; i < count; ++i)
        out << qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return out;
}

static int risingEdges(const QList<qint16> &s)
{
    int edges = 0;
    for (qsizetype i = 1; i < s.size(); ++i)
        edges += s[i - 1] < 0 && s[i] > 0;
    return edges;
}

void TestSquareWave::frequency_data()
{
    QTest::addColumn<int>("hz");
    QTest::newRow("the BIOS's beep, 896 Hz") << 896;
    QTest::newRow("middle C, 262 Hz") << 262;
    QTest::newRow("A, 440 Hz") << 440;
    QTest::newRow("a high 4 kHz") << 4000;
    QTest::newRow("silent") << 0;
    QTest::newRow("above what the output can play: silent") << 30000;
}

void TestSquareWave::frequency()
{
    QFETCH(int, hz);
    SquareWave wave;
    wave.setFrequency(hz);
    // One second of sound has the frequency's number of periods.
    const QList<qint16> second = samples(wave, SquareWave::sampleRate);
    const int expected = hz < SquareWave::sampleRate / 2 ? hz : 0;
    QVERIFY2(qAbs(risingEdges(second) - expected) <= 1, qPrintable(QString::number(risingEdges(second))));
    if (expected == 0)
        QVERIFY(std::all_of(second.begin(), second.end(), [](qint16 v) { return v == 0; }));
}

void TestSquareWave::changeKeepsThePhase()
{
    SquareWave wave;
    wave.setFrequency(440);
    const QList<qint16> before = samples(wave, 1000);
    wave.setFrequency(880);
    const QList<qint16> after = samples(wave, SquareWave::sampleRate - 1000);
    // The new tone goes on from where the old one was: both halves add up.
    QVERIFY(qAbs(risingEdges(before + after) - (440 * 1000 + 880 * (SquareWave::sampleRate - 1000)) /
                                                    SquareWave::sampleRate) <= 1);
}

QTEST_MAIN(TestSquareWave)
#include "tst_squarewave.moc"
