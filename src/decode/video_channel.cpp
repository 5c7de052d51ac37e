#include "decode/video_channel.h"

#include "base/log_text.h"
#include "base/thread_reaper.h"
#include "decode/clip_decoder.h"
#include "decode/frame_pace.h"
#include "decode/sound_timeline.h"

#include "base/operator_log.h"
#include "files/media_open.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace tv {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> volume{100};

// Told once for the whole program, so that the log does not repeat it for
// every clip.
void sayOnce(const QString& line)
{
    static std::mutex mutex;
    static QStringList said;
    const std::lock_guard lock(mutex);
    if (said.contains(line))
        return;
    said << line;
    writeLogLine(escapedForLog(line));
}

QAudioFormat soundFormat()
{
    QAudioFormat format;
    format.setSampleRate(ClipDecoder::kSoundRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// Whether clips should decode their sound: there is an output, and the sound
// is not turned off.
bool soundWanted()
{
    if (volume.load() <= 0)
        return false;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        sayOnce(QStringLiteral("no sound output: clips play silent"));
        return false;
    }
    if (!output.isFormatSupported(soundFormat())) {
        sayOnce(QStringLiteral("the sound output %1 takes no 48 kHz stereo: clips play silent")
                    .arg(output.description()));
        return false;
    }
    return true;
}

// What the channel wants played; the decoder catches up with the latest.
struct Wish {
    quint64 ticket = 0;
    QString playPath;
    bool loop = false;
    QString preparePath;
    bool stopped = true;
};

} // namespace

struct VideoChannel::Shared : std::enable_shared_from_this<VideoChannel::Shared> {
    std::mutex mutex;
    std::condition_variable wake;
    VideoChannel* receiver = nullptr; // null once the channel ended
    std::atomic<bool> quit{false};

    Wish wish;
    quint64 version = 0; // counts the changes of the wish
    DrawnSize drawn;

    std::atomic<bool> withSound{false};
    QByteArray sound; // decoded, not yet handed to the output
    SoundTimeline timeline{ClipDecoder::kSoundBytesPerSecond};
    // Where the clip's sound was heard, and when; frames keep to it while
    // there is sound to hear. A sound output takes a while to start (a
    // sound server's sink may hold the first of it for two seconds), so the
    // position is known only once it has moved.
    struct Heard {
        bool known = false;
        double seconds = 0;
        Clock::time_point at;
        bool written = false; // this playing's sound reached the output
    } heard;

    QImage converted;
    quint64 convertedTicket = 0;
    bool notified = false;
    quint64 dropped = 0;

    // Hands `call` to the channel on its own thread, unless it ended. The
    // caller holds the mutex.
    // A call already queued when the channel ends finds it gone and does
    // nothing: the channel's destructor may process events (a sound sink's
    // does), and a call into a half-destroyed channel is undefined.
    template <typename Call> void post(Call call)
    {
        if (receiver)
            QMetaObject::invokeMethod(
                receiver,
                [shared = shared_from_this(), call] {
                    VideoChannel* channel = nullptr;
                    {
                        const std::lock_guard lock(shared->mutex);
                        channel = shared->receiver;
                    }
                    if (channel)
                        call(channel);
                },
                Qt::QueuedConnection);
    }

    template <typename Call> void tell(Call call)
    {
        const std::lock_guard lock(mutex);
        post(call);
    }

    void run();
};

namespace {

// The decoder's own loop, on its thread.
class Decoding {
public:
    explicit Decoding(VideoChannel::Shared& shared) : s_(shared) {}

    void run()
    {
        while (!s_.quit.load()) {
            follow(readWish());
            if (!current_) {
                std::unique_lock lock(s_.mutex);
                s_.wake.wait(lock, [this] { return s_.quit.load() || s_.version != seen_; });
                continue;
            }
            step();
        }
    }

private:
    Wish readWish()
    {
        const std::lock_guard lock(s_.mutex);
        seen_ = s_.version;
        drawn_ = s_.drawn;
        return s_.wish;
    }

    void follow(const Wish& wish)
    {
        if (wish.stopped) {
            current_.reset();
            playing_ = 0;
        } else if (wish.ticket != playing_) {
            playing_ = wish.ticket;
            loop_ = wish.loop;
            started_ = false;
            soundAwaited_ = false;
            framesThisLoop_ = 0;
            offset_ = 0;
            {
                const std::lock_guard lock(s_.mutex);
                s_.sound.clear(); // the clip before is cut where it was
                s_.timeline.restart();
                s_.timeline.startsAt(offset_);
                s_.heard = {};
            }
            if (spare_ && spare_->path() == wish.playPath) {
                current_ = std::move(spare_);
            } else {
                current_.reset();
                QString why;
                current_ = ClipDecoder::open(wish.playPath, s_.quit, &why, s_.withSound);
                if (!current_)
                    fail(why);
            }
            if (current_ && !current_->soundRefused().isEmpty())
                sayOnce(current_->fileName() + QStringLiteral(": ") + current_->soundRefused() +
                        QStringLiteral(": played silent"));
            if (current_)
                pace_ = FramePace(current_->frameSeconds());
        }
        const bool held = (spare_ && spare_->path() == wish.preparePath) ||
                          (current_ && loop_ && current_->path() == wish.preparePath);
        if (!wish.preparePath.isEmpty() && !held) {
            QString why;
            // One that cannot be opened fails when it is played.
            spare_ = ClipDecoder::open(wish.preparePath, s_.quit, &why, s_.withSound);
        }
    }

    void fail(const QString& why)
    {
        current_.reset();
        const QString reason = why.isEmpty() ? QStringLiteral("cannot be played") : why;
        s_.tell([ticket = playing_, reason](VideoChannel* channel) {
            emit channel->failed(ticket, reason);
        });
    }

    void step()
    {
        // Each frame is decoded first; how late it is then decides whether
        // it is converted (see FramePace).
        ClipDecoder::Frame frame;
        QString why;
        const ClipDecoder::Step result = current_->next(drawn_, false, &frame, &why);
        if (current_ && s_.withSound)
            handOnSound(current_->takeSound());
        switch (result) {
        case ClipDecoder::Step::Failed:
            return fail(why);
        case ClipDecoder::Step::Sound:
            return paceSound(frame.seconds);
        case ClipDecoder::Step::End: {
            if (loop_ && framesThisLoop_ == 1 && !current_->hasSound() && !spare_) {
                // A clip of one frame that loops is a still: it stays on the
                // screen without being decoded again and again.
                std::unique_lock lock(s_.mutex);
                s_.wake.wait(lock, [this] { return s_.quit.load() || s_.version != seen_; });
                return;
            }
            const int frames = std::exchange(framesThisLoop_, 0);
            if (loop_) {
                // A clip that loops goes back to its start without a gap,
                // or on to its file written anew, opened ahead meanwhile.
                offset_ += last_ + current_->frameSeconds();
                {
                    const std::lock_guard lock(s_.mutex);
                    s_.timeline.startsAt(offset_);
                }
                if (spare_)
                    current_ = std::move(spare_);
                else if (!current_->rewind())
                    return fail(QStringLiteral("cannot go back to its start"));
                last_ = -current_->frameSeconds();
                return;
            }
            // Sound decoded ahead of the picture it plays with (a song's
            // cover) ends when its last is heard, not when it is decoded.
            if (frames <= 1 && current_->hasSound() && !waitUntil(dueAt(last_)))
                return;
            current_.reset();
            s_.tell([ticket = playing_](VideoChannel* channel) { emit channel->ended(ticket); });
            return;
        }
        case ClipDecoder::Step::Frame:
            break;
        }
        last_ = frame.seconds;
        ++framesThisLoop_;
        const bool first = !started_;
        if (first) {
            // The first frame shows at once; the rest keep to its time.
            started_ = true;
            origin_ = Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(offset_ + frame.seconds));
        }
        if (!first && !awaitSound())
            return;
        keepToSound();
        const double behind = seconds(Clock::now() - dueAt(frame.seconds));
        const FramePace::Decision pace = pace_.decide(behind, seconds(Clock::now() - lastShown_));
        current_->skipNonReference(pace.skipNonReference);
        if (pace.convert && !current_->convert(drawn_, &frame.image, &why))
            return fail(why);
        if (frame.image.isNull() || !waitUntil(dueAt(frame.seconds))) {
            const std::lock_guard lock(s_.mutex);
            ++s_.dropped;
            return;
        }
        const std::lock_guard lock(s_.mutex);
        if (!s_.converted.isNull())
            ++s_.dropped;
        s_.converted = std::move(frame.image);
        s_.convertedTicket = playing_;
        lastShown_ = Clock::now();
        if (!std::exchange(s_.notified, true))
            s_.post([](VideoChannel* channel) { emit channel->frameReady(); });
    }

    void handOnSound(const QByteArray& sound)
    {
        if (sound.isEmpty())
            return;
        const std::lock_guard lock(s_.mutex);
        s_.sound += sound;
        s_.timeline.queued(sound.size());
        const qsizetype held =
            qsizetype(ClipDecoder::kHeldSoundSeconds) * ClipDecoder::kSoundBytesPerSecond;
        if (s_.sound.size() > held) {
            const qsizetype excess = (s_.sound.size() - held) / 4 * 4;
            s_.sound.remove(0, excess);
            s_.timeline.dropped(excess);
        }
    }

    // After a song's cover, its sound is decoded a little ahead of where it
    // is heard.
    void paceSound(double reaches)
    {
        last_ = reaches;
        if (reaches > kSoundAhead && !awaitSound())
            return;
        keepToSound();
        waitUntil(dueAt(reaches - kSoundAhead));
    }
    static constexpr double kSoundAhead = 0.5;

    // The first frame shows at once; the next waits for the clip's sound
    // to be heard, as long as a sound output may take to start, so that
    // neither runs ahead of the other and none of the sound is lost. False
    // when the clip is no longer wanted meanwhile.
    bool awaitSound()
    {
        if (soundAwaited_ || !s_.withSound.load() || !current_->hasSound())
            return true;
        const Clock::time_point deadline = origin_ + kLongestSoundStart;
        while (Clock::now() < deadline) {
            {
                const std::lock_guard lock(s_.mutex);
                if (s_.heard.known)
                    break;
            }
            using namespace std::chrono_literals;
            const quint64 before = playing_;
            if (!waitUntil(std::min(deadline, Clock::now() + 10ms)) || playing_ != before)
                return false;
        }
        soundAwaited_ = true;
        return true;
    }

    // While the clip's sound is heard, its frames keep to the sound: the
    // sound output's clock and the machine's drift apart, and the sound is
    // heard a little after it is handed on. A small difference is taken up
    // a little at a time, so that frames do not jerk; a large one (the
    // sound starting) at once.
    void keepToSound()
    {
        VideoChannel::Shared::Heard heard;
        {
            const std::lock_guard lock(s_.mutex);
            heard = s_.heard;
        }
        using namespace std::chrono_literals;
        if (!heard.known || Clock::now() - heard.at > 100ms)
            return;
        const Clock::time_point soundOrigin =
            heard.at - std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(heard.seconds));
        const Clock::duration gap = soundOrigin - origin_;
        if (gap > 100ms || gap < -100ms)
            origin_ = soundOrigin;
        else
            origin_ += gap / 8;
    }

    static double seconds(Clock::duration span)
    {
        return std::chrono::duration<double>(span).count();
    }

    Clock::time_point dueAt(double seconds) const
    {
        return origin_ + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(offset_ + seconds));
    }

    // Waits for a frame's moment; false when the clip is no longer wanted.
    // A clip asked to be opened ahead is opened meanwhile.
    bool waitUntil(Clock::time_point due)
    {
        while (true) {
            {
                std::unique_lock lock(s_.mutex);
                s_.wake.wait_until(lock, due,
                                   [this] { return s_.quit.load() || s_.version != seen_; });
                if (s_.quit.load())
                    return false;
                if (s_.version == seen_)
                    return true;
            }
            const quint64 before = playing_;
            follow(readWish());
            if (!current_ || playing_ != before)
                return false;
        }
    }

    VideoChannel::Shared& s_;
    quint64 seen_ = ~quint64(0);
    DrawnSize drawn_;
    std::unique_ptr<ClipDecoder> current_;
    std::unique_ptr<ClipDecoder> spare_;
    quint64 playing_ = 0;
    bool loop_ = false;
    bool started_ = false;
    Clock::time_point origin_;
    Clock::time_point lastShown_;
    FramePace pace_{0.04};
    static constexpr std::chrono::milliseconds kLongestSoundStart{3000};
    bool soundAwaited_ = false;
    int framesThisLoop_ = 0;
    double offset_ = 0; // seconds of the loops played before this one
    double last_ = 0;   // the last frame's moment in this loop
};

} // namespace

void VideoChannel::Shared::run()
{
    Decoding(*this).run();
}

VideoChannel::VideoChannel(QObject* parent, bool silent)
    : QObject(parent), shared_(std::make_shared<Shared>())
{
    static const bool quiet = [] {
        quietenFfmpegLog();
        return true;
    }();
    Q_UNUSED(quiet);
    shared_->receiver = this;
    shared_->withSound = !silent && soundWanted();
    startOwnedThread([shared = shared_] { shared->run(); });
    if (shared_->withSound) {
        soundPump_.setInterval(20);
        connect(&soundPump_, &QTimer::timeout, this, &VideoChannel::pumpSound);
        soundPump_.start();
    }
    startWatch_.setSingleShot(true);
    connect(&startWatch_, &QTimer::timeout, this, [this] {
        {
            const std::lock_guard lock(shared_->mutex);
            shared_->wish.stopped = true;
            shared_->wish.preparePath.clear();
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
        const std::lock_guard lock(shared_->mutex);
        shared_->receiver = nullptr;
    }
    shared_->quit.store(true);
    shared_->wake.notify_all();
    // The sink goes while the channel is whole, its signals cut first: its
    // destructor may process events.
    soundPump_.stop();
    if (sink_) {
        sink_->disconnect(this);
        delete std::exchange(sink_, nullptr);
    }
}

void VideoChannel::pumpSound()
{
    if (!sink_) {
        {
            const std::lock_guard lock(shared_->mutex);
            if (shared_->sound.isEmpty())
                return;
        }
        // Opened with the first sound, at a latency of a fifth of a second.
        sink_ = new QAudioSink(QMediaDevices::defaultAudioOutput(), soundFormat(), this);
        sink_->setBufferSize(ClipDecoder::kSoundBytesPerSecond / 5);
        sink_->setVolume(volume.load() / 100.0);
        connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError)
                dropSound(QStringLiteral("the sound output stopped"));
        });
        sinkInput_ = sink_->start();
        if (!sinkInput_)
            return dropSound(QStringLiteral("the sound output cannot be opened"));
    }
    const qsizetype room = qsizetype(sink_->bytesFree()) / 4 * 4;
    const qint64 held = qint64(sink_->bufferSize()) - sink_->bytesFree();
    QByteArray sound;
    {
        const std::lock_guard lock(shared_->mutex);
        sound = shared_->sound.first(std::min(room, shared_->sound.size()));
        shared_->sound.remove(0, sound.size());
        shared_->timeline.written(sound.size());
        // Only sound still to be heard tells the time: once a clip's sound
        // has run out, its frames go on by the machine's clock.
        const std::optional<double> heard =
            held + sound.size() > 0 ? shared_->timeline.heard(held + sound.size()) : std::nullopt;
        VideoChannel::Shared::Heard& before = shared_->heard;
        if (heard && (before.known || (before.written && *heard != before.seconds)))
            before = {true, *heard, Clock::now(), true};
        else if (heard && !before.written)
            before = {false, *heard, Clock::now(), true};
    }
    if (!sound.isEmpty())
        sinkInput_->write(sound);
}

void VideoChannel::dropSound(const QString& why)
{
    sayOnce(why + QStringLiteral(": clips play silent"));
    soundPump_.stop();
    if (sink_)
        sink_->deleteLater();
    sink_ = nullptr;
    sinkInput_ = nullptr;
    const std::lock_guard lock(shared_->mutex);
    shared_->withSound = false;
    shared_->sound.clear();
}

void setSoundVolume(int level)
{
    volume.store(std::clamp(level, 0, 100));
}

void VideoChannel::changed()
{
    {
        const std::lock_guard lock(shared_->mutex);
        ++shared_->version;
    }
    shared_->wake.notify_all();
}

void VideoChannel::play(quint64 ticket, const QString& path, bool loop)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->wish.ticket = ticket;
        shared_->wish.playPath = path;
        shared_->wish.loop = loop;
        shared_->wish.stopped = false;
    }
    watchedTicket_ = ticket;
    startWatch_.start(kStartTimeoutMs);
    changed();
}

void VideoChannel::prepare(const QString& path)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->wish.preparePath = path;
    }
    changed();
}

void VideoChannel::stop()
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->wish.stopped = true;
    }
    startWatch_.stop();
    changed();
}

void VideoChannel::setDrawnSize(DrawnSize drawn)
{
    const std::lock_guard lock(shared_->mutex);
    shared_->drawn = drawn;
}

VideoChannel::Frame VideoChannel::takeFrame()
{
    const std::lock_guard lock(shared_->mutex);
    shared_->notified = false;
    Frame frame{shared_->convertedTicket, std::move(shared_->converted)};
    shared_->converted = QImage();
    if (!frame.image.isNull() && frame.ticket == watchedTicket_)
        startWatch_.stop();
    return frame;
}

quint64 VideoChannel::droppedFrames() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->dropped;
}

} // namespace tv
