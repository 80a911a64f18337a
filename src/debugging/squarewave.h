#pragma once

#include <QIODevice>
#include <atomic>

// The PC speaker's sound: a square wave of the frequency timer 2 gives it,
// as 16-bit signed mono samples, silence at 0 Hz. Read by the audio output
// on its own schedule; the frequency may change from another thread.
class SquareWave : public QIODevice
{
    Q_OBJECT
public:
    static constexpr int sampleRate = 44100;

    explicit SquareWave(QObject *parent = nullptr);
    void setFrequency(int hz) { hz_ = hz; }
    int frequency() const { return hz_; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::atomic<int> hz_{0};
    // Where in its period the wave is, in samples times the frequency: a
    // change of tone goes on from the same point, without a click.
    qint64 phase_ = 0;
};
