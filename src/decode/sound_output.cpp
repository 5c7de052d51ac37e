#include "decode/sound_output.h"

#include "base/message_tally.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace tv {

namespace {

QAudioFormat soundFormat()
{
    QAudioFormat format;
    format.setSampleRate(ClipDecoder::kSoundRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

void tell(MessageTally* messages, const QString& line)
{
    if (messages)
        messages->note(QString(), line);
}

} // namespace

bool SoundOutput::wanted(int volume, MessageTally* messages)
{
    if (volume <= 0)
        return false;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        tell(messages, QStringLiteral("no sound output: clips play silent"));
        return false;
    }
    if (!output.isFormatSupported(soundFormat())) {
        tell(messages,
             QStringLiteral("the sound output %1 takes no 48 kHz stereo: clips play silent")
                 .arg(output.description()));
        return false;
    }
    return true;
}

SoundOutput::SoundOutput(std::shared_ptr<SoundFeed> feed, int volume, MessageTally* messages,
                         QObject* parent)
    : QObject(parent), feed_(std::move(feed)), volume_(std::clamp(volume, 0, 100)),
      messages_(messages)
{
    pump_.setInterval(20);
    connect(&pump_, &QTimer::timeout, this, &SoundOutput::pump);
    pump_.start();
}

SoundOutput::~SoundOutput()
{
    // The sink goes while the output is whole, its signals cut first: its
    // destructor may process events.
    pump_.stop();
    if (sink_) {
        sink_->disconnect(this);
        delete std::exchange(sink_, nullptr);
    }
}

void SoundOutput::pump()
{
    if (!sink_) {
        {
            const std::lock_guard lock(feed_->mutex);
            if (feed_->sound.isEmpty())
                return;
        }
        // Opened with the first sound, at a latency of a fifth of a second.
        sink_ = new QAudioSink(QMediaDevices::defaultAudioOutput(), soundFormat(), this);
        sink_->setBufferSize(ClipDecoder::kSoundBytesPerSecond / 5);
        sink_->setVolume(volume_ / 100.0);
        connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError)
                drop(QStringLiteral("the sound output stopped"));
        });
        sinkInput_ = sink_->start();
        if (!sinkInput_)
            return drop(QStringLiteral("the sound output cannot be opened"));
    }
    const qsizetype room = qsizetype(sink_->bytesFree()) / 4 * 4;
    const qint64 held = qint64(sink_->bufferSize()) - sink_->bytesFree();
    QByteArray sound;
    {
        const std::lock_guard lock(feed_->mutex);
        sound = feed_->sound.first(std::min(room, feed_->sound.size()));
        feed_->sound.remove(0, sound.size());
        feed_->timeline.written(sound.size());
        // Only sound still to be heard tells the time: once a clip's sound
        // has run out, its frames go on by the machine's clock.
        const std::optional<double> heard =
            held + sound.size() > 0 ? feed_->timeline.heard(held + sound.size()) : std::nullopt;
        SoundFeed::Heard& before = feed_->heard;
        if (heard && (before.known || (before.written && *heard != before.seconds)))
            before = {true, *heard, SoundFeed::Clock::now(), true};
        else if (heard && !before.written)
            before = {false, *heard, SoundFeed::Clock::now(), true};
    }
    if (!sound.isEmpty())
        sinkInput_->write(sound);
}

void SoundOutput::drop(const QString& why)
{
    tell(messages_, why + QStringLiteral(": clips play silent"));
    pump_.stop();
    if (sink_)
        sink_->deleteLater();
    sink_ = nullptr;
    sinkInput_ = nullptr;
    feed_->wanted = false;
    const std::lock_guard lock(feed_->mutex);
    feed_->sound.clear();
}

} // namespace tv
