#include "debugging/speakersound.h"

#include "debugging/squarewave.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

SpeakerSound::SpeakerSound(QObject *parent) : QObject(parent), wave_(new SquareWave(this)) {}

SpeakerSound::~SpeakerSound()
{
    if (sink_)
        sink_->stop();
}

int SpeakerSound::tone() const
{
    return wave_->frequency();
}

void SpeakerSound::setTone(int hz)
{
    if (hz == wave_->frequency())
        return;
    wave_->setFrequency(hz);
    if (hz == 0) {
        if (sink_)
            sink_->suspend();
        return;
    }
    if (!sink_ && !unavailable_) {
        unavailable_ = true; // until a sink has started
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;
        QAudioFormat format;
        format.setSampleRate(SquareWave::sampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return;
        sink_ = new QAudioSink(device, format, this);
        // Short, so that a note starts and stops when the program says.
        sink_->setBufferSize(SquareWave::sampleRate / 20 * 2);
        sink_->start(wave_);
        unavailable_ = false;
        return;
    }
    if (sink_)
        sink_->resume();
}
