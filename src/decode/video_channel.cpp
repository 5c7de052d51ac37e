#include "decode/video_channel.h"

#include "decode/channel_state.h"
#include "decode/clip_loop.h"
#include "decode/sound_output.h"

#include <QMetaObject>

namespace tv {

void ChannelState::post(std::function<void(VideoChannel&)> call)
{
    // A call already queued when the channel ends finds it gone and does
    // nothing: the channel's destructor may process events (a sound sink's
    // does), and a call into a half-destroyed channel is undefined.
    if (receiver)
        QMetaObject::invokeMethod(
            receiver,
            [state = shared_from_this(), call = std::move(call)] {
                VideoChannel* channel = nullptr;
                {
                    const std::lock_guard lock(state->mutex);
                    channel = state->receiver;
                }
                if (channel)
                    call(*channel);
            },
            Qt::QueuedConnection);
}

VideoChannel::VideoChannel(const DecodeSettings& settings, QObject* parent)
    : QObject(parent), state_(std::make_shared<ChannelState>()),
      feed_(std::make_shared<SoundFeed>())
{
    static const bool quiet = [] {
        quietenFfmpegLog();
        return true;
    }();
    Q_UNUSED(quiet);
    state_->receiver = this;
    feed_->wanted = SoundOutput::wanted(settings.volume, settings.messages);
    if (feed_->wanted)
        sound_ = new SoundOutput(feed_, settings.volume, settings.messages, this);
    const ClipDecoder::Options options{false, settings.hardwareDecoding, settings.messages};
    thread_ = std::thread(
        [state = state_, feed = feed_, options] { ClipLoop(*state, *feed, options).run(); });
    startWatch_.setSingleShot(true);
    connect(&startWatch_, &QTimer::timeout, this, [this] {
        {
            const std::lock_guard lock(state_->mutex);
            state_->wish.stopped = true;
            state_->wish.preparePath.clear();
        }
        changed();
        emit failed(watchedTicket_,
                    QStringLiteral("did not start within %1 s").arg(kStartTimeoutMs / 1000));
    });
    connect(this, &VideoChannel::ended, &startWatch_, &QTimer::stop);
    connect(this, &VideoChannel::failed, &startWatch_, &QTimer::stop);
}

VideoChannel::~VideoChannel()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->receiver = nullptr;
    }
    state_->quit.store(true);
    state_->wake.notify_all();
    thread_.join();
    // The sound output goes while the channel is whole: its sink's
    // destructor may process events.
    delete std::exchange(sound_, nullptr);
}

void VideoChannel::changed()
{
    {
        const std::lock_guard lock(state_->mutex);
        ++state_->version;
    }
    state_->wake.notify_all();
}

void VideoChannel::play(quint64 ticket, const QString& path, bool loop)
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->wish.ticket = ticket;
        state_->wish.playPath = path;
        state_->wish.loop = loop;
        state_->wish.stopped = false;
    }
    watchedTicket_ = ticket;
    startWatch_.start(kStartTimeoutMs);
    changed();
}

void VideoChannel::prepare(const QString& path)
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->wish.preparePath = path;
    }
    changed();
}

void VideoChannel::stop()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->wish.stopped = true;
    }
    startWatch_.stop();
    changed();
}

void VideoChannel::setDrawnSize(DrawnSize drawn)
{
    const std::lock_guard lock(state_->mutex);
    state_->drawn = drawn;
}

VideoChannel::Frame VideoChannel::takeFrame()
{
    const std::lock_guard lock(state_->mutex);
    state_->notified = false;
    Frame frame{state_->convertedTicket, std::move(state_->converted)};
    state_->converted = QImage();
    if (!frame.image.isNull() && frame.ticket == watchedTicket_)
        startWatch_.stop();
    return frame;
}

quint64 VideoChannel::droppedFrames() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->dropped;
}

} // namespace tv
