#pragma once

#include <QObject>

class QAudioSink;
class SquareWave;

// Plays the tone of the machine's speaker on the default audio output while
// it sounds. Where there is no audio device it stays silent, and nothing
// else changes.
class SpeakerSound : public QObject
{
    Q_OBJECT
public:
    explicit SpeakerSound(QObject *parent = nullptr);
    ~SpeakerSound() override;

    // 0 for silence.
    void setTone(int hz);
    int tone() const;

private:
    SquareWave *wave_;
    QAudioSink *sink_ = nullptr;
    bool unavailable_ = false;
};
