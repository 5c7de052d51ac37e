#include "player/video_channel.h"

#include "player/frame_conversion.h"
#include "player/media_open.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QThread>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <QCoreApplication>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tv {

namespace {

std::atomic<int> abandonedChannels{0};

// As the application object goes, players still ending get a bounded wait
// to end, so that none is torn down by the process's exit while it works.
void waitForAbandoned()
{
    for (int waited = 0; abandonedChannels.load() > 0 && waited < 3000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// What the channel wants played; the engine catches up with the latest.
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
    bool quit = false;
    int engine = 0; // which engine may still speak: an abandoned one may not

    Wish wish;
    bool syncPosted = false;
    bool engineBusy = false;

    QVideoSink* activeSink = nullptr;
    quint64 activeTicket = 0;
    QVideoFrame raw;
    quint64 rawTicket = 0;
    bool hasRaw = false;
    QImage converted;
    quint64 convertedTicket = 0;
    bool notified = false;
    DrawnSize drawn;
    quint64 dropped = 0;

    // Hands `call` to the channel on its own thread, unless it ended or the
    // engine speaking was abandoned. The caller holds the mutex.
    template <typename Call> void post(int from, Call call)
    {
        if (receiver && from == engine)
            QMetaObject::invokeMethod(
                receiver, [channel = receiver, call] { call(channel); }, Qt::QueuedConnection);
    }

    void offer(const QVideoSink* sink, const QVideoFrame& frame)
    {
        {
            const std::lock_guard lock(mutex);
            if (sink != activeSink || !frame.isValid() || quit)
                return;
            if (QString why = tooLarge(frame.size(), kMaxVideoPixels, kMaxVideoSide);
                !why.isEmpty()) {
                // Not one frame of it is kept; the player is stopped.
                activeSink = nullptr;
                post(engine, [ticket = activeTicket, why](VideoChannel* channel) {
                    channel->stop();
                    emit channel->failed(ticket, why);
                });
                return;
            }
            if (hasRaw)
                ++dropped;
            raw = frame;
            rawTicket = activeTicket;
            hasRaw = true;
        }
        wake.notify_one();
    }

    void convert()
    {
        std::unique_lock lock(mutex);
        while (true) {
            wake.wait(lock, [this] { return hasRaw || quit; });
            if (quit)
                return;
            QVideoFrame frame = std::move(raw);
            raw = QVideoFrame();
            hasRaw = false;
            const quint64 ticket = rawTicket;
            const DrawnSize size = drawn;
            lock.unlock();
            QImage image = frameToImage(frame, decodeSize(frame.size(), size));
            frame = QVideoFrame(); // back to the decoder's pool before waiting again
            lock.lock();
            if (image.isNull())
                continue;
            if (!converted.isNull())
                ++dropped;
            converted = std::move(image);
            convertedTicket = ticket;
            if (!notified && receiver) {
                notified = true;
                post(engine, [](VideoChannel* channel) { emit channel->frameReady(); });
            }
        }
    }
};

// The two players of the video window, on the engine's thread: one plays,
// the other holds the next video opened.
class VideoEngine final : public QObject {
public:
    VideoEngine(std::shared_ptr<VideoChannel::Shared> shared, int id)
        : shared_(std::move(shared)), id_(id)
    {
    }

    void sync()
    {
        Wish wish;
        {
            const std::lock_guard lock(shared_->mutex);
            shared_->syncPosted = false;
            shared_->engineBusy = true;
            wish = shared_->wish;
        }
        apply(wish);
        const std::lock_guard lock(shared_->mutex);
        shared_->engineBusy = false;
    }

private:
    struct Slot {
        QMediaPlayer* player = nullptr;
        QVideoSink* sink = nullptr;
        QString path; // the media file it holds open
        MediaHandle file;
    };

    void apply(const Wish& wish)
    {
        makePlayers();
        if (wish.stopped) {
            playing_ = 0;
            setActive(nullptr, 0);
            slots_[std::size_t(active_)].player->stop();
        } else if (wish.ticket != playing_) {
            playing_ = wish.ticket;
            Slot* spare = &slots_[std::size_t(1 - active_)];
            if (spare->path == wish.playPath && spare->file.isOpen())
                active_ = 1 - active_;
            Slot& slot = slots_[std::size_t(active_)];
            spare = &slots_[std::size_t(1 - active_)];
            setActive(nullptr, 0);
            spare->player->stop();
            spare->player->setAudioOutput(nullptr);
            if (slot.path != wish.playPath || !slot.file.isOpen())
                open(slot, wish.playPath);
            if (!slot.file.isOpen()) {
                fail(wish.ticket, slot.file.problem());
            } else if (slot.player->mediaStatus() == QMediaPlayer::InvalidMedia) {
                fail(wish.ticket, slot.player->errorString());
            } else {
                slot.player->setAudioOutput(audio_);
                slot.player->setLoops(wish.loop ? QMediaPlayer::Infinite : QMediaPlayer::Once);
                setActive(slot.sink, wish.ticket);
                slot.player->setPosition(0);
                slot.player->play();
            }
        }
        Slot& spare = slots_[std::size_t(1 - active_)];
        const bool held = spare.path == wish.preparePath ||
                          (wish.stopped && slots_[std::size_t(active_)].path == wish.preparePath);
        if (!wish.preparePath.isEmpty() && !held) {
            spare.player->stop();
            open(spare, wish.preparePath);
        }
    }

    void makePlayers()
    {
        if (audio_)
            return;
        audio_ = new QAudioOutput(this);
        for (Slot& slot : slots_) {
            slot.player = new QMediaPlayer(this);
            slot.sink = new QVideoSink(this);
            slot.player->setVideoSink(slot.sink);
            QVideoSink* sink = slot.sink;
            QMediaPlayer* player = slot.player;
            // Frames arrive on the backend's own thread and only go into the
            // mailbox there.
            connect(
                sink, &QVideoSink::videoFrameChanged, sink,
                [shared = shared_, sink](const QVideoFrame& frame) { shared->offer(sink, frame); },
                Qt::DirectConnection);
            connect(player, &QMediaPlayer::mediaStatusChanged, this,
                    [this, player](QMediaPlayer::MediaStatus status) {
                        if (!isActive(player))
                            return;
                        if (status == QMediaPlayer::EndOfMedia)
                            end();
                        else if (status == QMediaPlayer::InvalidMedia)
                            fail(playing_, player->errorString());
                        else if (status == QMediaPlayer::BufferedMedia ||
                                 status == QMediaPlayer::BufferingMedia)
                            tell([ticket = playing_](VideoChannel* channel) {
                                channel->started(ticket);
                            });
                    });
            connect(player, &QMediaPlayer::errorOccurred, this,
                    [this, player](QMediaPlayer::Error, const QString& why) {
                        if (isActive(player))
                            fail(playing_, why);
                    });
        }
    }

    bool isActive(const QMediaPlayer* player) const
    {
        return playing_ != 0 && player == slots_[std::size_t(active_)].player;
    }

    void open(Slot& slot, const QString& path)
    {
        MediaHandle file = MediaHandle::open(path);
        const QUrl url = file.isOpen() ? QUrl::fromLocalFile(file.stablePath()) : QUrl();
        if (slot.player->source() == url)
            slot.player->setSource(QUrl()); // the same handle number, another file
        slot.player->setSource(url);
        slot.file = std::move(file); // the old handle closes once the player let go of it
        slot.path = path;
    }

    void setActive(QVideoSink* sink, quint64 ticket)
    {
        const std::lock_guard lock(shared_->mutex);
        if (id_ != shared_->engine)
            return;
        shared_->activeSink = sink;
        shared_->activeTicket = ticket;
    }

    void end()
    {
        const quint64 ticket = std::exchange(playing_, 0);
        setActive(nullptr, 0);
        tell([ticket](VideoChannel* channel) { emit channel->ended(ticket); });
    }

    void fail(quint64 ticket, const QString& why)
    {
        playing_ = 0;
        setActive(nullptr, 0);
        slots_[std::size_t(active_)].player->stop();
        const QString reason = why.isEmpty() ? QStringLiteral("cannot be played") : why;
        tell([ticket, reason](VideoChannel* channel) { emit channel->failed(ticket, reason); });
    }

    template <typename Call> void tell(Call call)
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->post(id_, call);
    }

    std::shared_ptr<VideoChannel::Shared> shared_;
    const int id_;
    std::array<Slot, 2> slots_;
    QAudioOutput* audio_ = nullptr;
    int active_ = 0;
    quint64 playing_ = 0;
};

VideoChannel::VideoChannel(QObject* parent) : QObject(parent), shared_(std::make_shared<Shared>())
{
    shared_->receiver = this;
    converter_ = std::thread([shared = shared_] { shared->convert(); });
    startWatch_.setSingleShot(true);
    connect(&startWatch_, &QTimer::timeout, this, [this] {
        bool stuck = false;
        {
            const std::lock_guard lock(shared_->mutex);
            stuck = shared_->engineBusy;
            shared_->wish.stopped = true;
            shared_->wish.preparePath.clear();
        }
        // An engine that hangs in its backend is left to itself; a new one
        // plays what comes next.
        if (stuck && abandoned() < 3) {
            abandonEngine();
            startEngine();
        } else {
            sync();
        }
        emit failed(watchedTicket_,
                    QStringLiteral("did not start within %1 s").arg(kStartTimeoutMs / 1000));
    });
    connect(this, &VideoChannel::ended, &startWatch_, &QTimer::stop);
    connect(this, &VideoChannel::failed, &startWatch_, &QTimer::stop);
    startEngine();
}

VideoChannel::~VideoChannel()
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->receiver = nullptr;
        shared_->quit = true;
        shared_->activeSink = nullptr;
    }
    shared_->wake.notify_all();
    converter_.join();
    abandonEngine();
}

void VideoChannel::startEngine()
{
    int id = 0;
    {
        const std::lock_guard lock(shared_->mutex);
        id = ++shared_->engine;
        shared_->syncPosted = false;
        shared_->engineBusy = false;
    }
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("video"));
    engine_ = new VideoEngine(shared_, id);
    engine_->moveToThread(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    sync();
}

void VideoChannel::abandonEngine()
{
    if (!engine_)
        return;
    {
        const std::lock_guard lock(shared_->mutex);
        ++shared_->engine; // it may no longer speak
        shared_->activeSink = nullptr;
    }
    static const bool waitsAtExit = [] {
        qAddPostRoutine(waitForAbandoned);
        return true;
    }();
    Q_UNUSED(waitsAtExit);
    abandonedChannels.fetch_add(1);
    // The players end on their own thread, however long their backend takes;
    // nothing here waits for them.
    QMetaObject::invokeMethod(engine_, [engine = engine_] {
        delete engine;
        QThread::currentThread()->quit();
        abandonedChannels.fetch_sub(1);
    });
    engine_ = nullptr;
}

int VideoChannel::abandoned()
{
    return abandonedChannels.load();
}

void VideoChannel::sync()
{
    const std::lock_guard lock(shared_->mutex);
    if (shared_->syncPosted || !engine_)
        return;
    shared_->syncPosted = true;
    QMetaObject::invokeMethod(engine_, &VideoEngine::sync, Qt::QueuedConnection);
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
    sync();
}

void VideoChannel::prepare(const QString& path)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->wish.preparePath = path;
    }
    sync();
}

void VideoChannel::stop()
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->wish.stopped = true;
        shared_->activeSink = nullptr;
    }
    startWatch_.stop();
    sync();
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

void VideoChannel::started(quint64 ticket)
{
    if (ticket == watchedTicket_)
        startWatch_.stop();
}

} // namespace tv
