#include "player/video_channel.h"

#include "player/clip_decoder.h"
#include "player/thread_reaper.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tv {

namespace {

using Clock = std::chrono::steady_clock;

// What the channel wants played; the decoder catches up with the latest.
struct Wish {
    quint64 ticket = 0;
    QString playPath;
    bool loop = false;
    QString preparePath;
    bool stopped = true;
};

} // namespace

struct VideoChannel::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    VideoChannel* receiver = nullptr; // null once the channel ended
    std::atomic<bool> quit{false};

    Wish wish;
    quint64 version = 0; // counts the changes of the wish
    DrawnSize drawn;

    QImage converted;
    quint64 convertedTicket = 0;
    bool notified = false;
    quint64 dropped = 0;

    // Hands `call` to the channel on its own thread, unless it ended. The
    // caller holds the mutex.
    template <typename Call> void post(Call call)
    {
        if (receiver)
            QMetaObject::invokeMethod(
                receiver, [channel = receiver, call] { call(channel); }, Qt::QueuedConnection);
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
            offset_ = 0;
            if (spare_ && spare_->path() == wish.playPath) {
                current_ = std::move(spare_);
            } else {
                current_.reset();
                QString why;
                current_ = ClipDecoder::open(wish.playPath, s_.quit, &why);
                if (!current_)
                    fail(why);
            }
        }
        const bool held = (spare_ && spare_->path() == wish.preparePath) ||
                          (current_ && loop_ && current_->path() == wish.preparePath);
        if (!wish.preparePath.isEmpty() && !held) {
            QString why;
            // One that cannot be opened fails when it is played.
            spare_ = ClipDecoder::open(wish.preparePath, s_.quit, &why);
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
        // A frame that will be late anyway is decoded, not converted.
        const bool late = started_ && Clock::now() > dueAt(last_ + 2 * current_->frameSeconds());
        ClipDecoder::Frame frame;
        QString why;
        switch (current_->next(drawn_, !late, &frame, &why)) {
        case ClipDecoder::Step::Failed:
            return fail(why);
        case ClipDecoder::Step::End:
            if (loop_) {
                // A clip that loops goes back to its start without a gap,
                // or on to its file written anew, opened ahead meanwhile.
                offset_ += last_ + current_->frameSeconds();
                if (spare_)
                    current_ = std::move(spare_);
                else if (!current_->rewind())
                    return fail(QStringLiteral("cannot go back to its start"));
                last_ = -current_->frameSeconds();
                return;
            }
            current_.reset();
            s_.tell([ticket = playing_](VideoChannel* channel) { emit channel->ended(ticket); });
            return;
        case ClipDecoder::Step::Frame:
            break;
        }
        last_ = frame.seconds;
        if (!started_) {
            // The first frame shows at once; the rest keep to its time.
            started_ = true;
            origin_ = Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(offset_ + frame.seconds));
        }
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
        if (!std::exchange(s_.notified, true))
            s_.post([](VideoChannel* channel) { emit channel->frameReady(); });
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
    double offset_ = 0; // seconds of the loops played before this one
    double last_ = 0;   // the last frame's moment in this loop
};

} // namespace

void VideoChannel::Shared::run()
{
    Decoding(*this).run();
}

VideoChannel::VideoChannel(QObject* parent) : QObject(parent), shared_(std::make_shared<Shared>())
{
    static const bool quiet = [] {
        quietenFfmpegLog();
        return true;
    }();
    Q_UNUSED(quiet);
    shared_->receiver = this;
    startOwnedThread([shared = shared_] { shared->run(); });
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
