#include "debugging/squarewave.h"

#include <QtEndian>

SquareWave::SquareWave(QObject *parent) : QIODevice(parent)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 SquareWave::bytesAvailable() const
{
    // An endless source: as much as a tenth of a second at a time.
    return sampleRate / 10 * 2 + QIODevice::bytesAvailable();
}

qint64 SquareWave::readData(char *data, qint64 maxSize)
{
    const int hz = hz_;
    const qint64 samples = maxSize / 2;
    // A quiet level: the speaker was never loud, and the user did not ask.
    constexpr qint16 level = 6000;
    for (qint64 i = 0; i < samples; ++i) {
        qint16 v = 0;
        if (hz > 0 && hz < sampleRate / 2) {
            // High for the first half of each period.
            v = (phase_ % sampleRate) < sampleRate / 2 ? level : qint16(-level);
            phase_ = (phase_ + hz) % sampleRate;
        }
        qToLittleEndian(v, data + 2 * i);
    }
    return samples * 2;
}
