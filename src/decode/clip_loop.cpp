#include "decode/clip_loop.h"

#include "decode/video_channel.h"

#include <algorithm>

namespace tv {

namespace {

double seconds(std::chrono::steady_clock::duration span)
{
    return std::chrono::duration<double>(span).count();
}

std::chrono::steady_clock::duration span(double seconds)
{
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

} // namespace

ClipLoop::ClipLoop(ChannelState& state, SoundFeed& feed, ClipDecoder::Options options)
    : s_(state), feed_(feed), options_(options)
{
}

void ClipLoop::run()
{
    while (!s_.quit.load()) {
        follow(readWish());
        if (!current_) {
            waitForWish();
            continue;
        }
        step();
    }
}

// Waits until the wish changes or the channel ends.
bool ClipLoop::waitForWish()
{
    std::unique_lock lock(s_.mutex);
    s_.wake.wait(lock, [this] { return s_.quit.load() || s_.version != seen_; });
    return !s_.quit.load();
}

ClipWish ClipLoop::readWish()
{
    const std::lock_guard lock(s_.mutex);
    seen_ = s_.version;
    drawn_ = s_.drawn;
    return s_.wish;
}

std::unique_ptr<ClipDecoder> ClipLoop::open(const QString& path, QString* why)
{
    ClipDecoder::Options options = options_;
    options.withSound = feed_.wanted.load();
    return ClipDecoder::open(path, s_.quit, why, options);
}

void ClipLoop::follow(const ClipWish& wish)
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
            const std::lock_guard lock(feed_.mutex);
            feed_.sound.clear(); // the clip before is cut where it was
            feed_.timeline.restart();
            feed_.timeline.startsAt(offset_);
            feed_.heard = {};
        }
        if (spare_ && spare_->path() == wish.playPath) {
            current_ = std::move(spare_);
        } else {
            current_.reset();
            QString why;
            current_ = open(wish.playPath, &why);
            if (!current_)
                fail(why);
        }
        if (current_ && !current_->soundRefused().isEmpty() && options_.messages)
            options_.messages->note(QString(), current_->fileName() + QStringLiteral(": ") +
                                                   current_->soundRefused() +
                                                   QStringLiteral(": played silent"));
        if (current_)
            pace_ = FramePace(current_->frameSeconds());
    }
    const bool held = (spare_ && spare_->path() == wish.preparePath) ||
                      (current_ && loop_ && current_->path() == wish.preparePath);
    if (!wish.preparePath.isEmpty() && !held) {
        QString why;
        // One that cannot be opened fails when it is played.
        spare_ = open(wish.preparePath, &why);
    }
}

void ClipLoop::fail(const QString& why)
{
    current_.reset();
    const QString reason = why.isEmpty() ? QStringLiteral("cannot be played") : why;
    s_.tell([ticket = playing_, reason](VideoChannel& channel) {
        emit channel.failed(ticket, reason);
    });
}

void ClipLoop::step()
{
    // Each frame is decoded first; how late it is then decides whether it is
    // converted (see FramePace).
    ClipDecoder::Frame frame;
    QString why;
    const ClipDecoder::Step result = current_->next(drawn_, false, &frame, &why);
    if (current_ && feed_.wanted.load())
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
            waitForWish();
            return;
        }
        const int frames = std::exchange(framesThisLoop_, 0);
        if (loop_) {
            // A clip that loops goes back to its start without a gap, or on
            // to its file written anew, opened ahead meanwhile.
            offset_ += last_ + current_->frameSeconds();
            {
                const std::lock_guard lock(feed_.mutex);
                feed_.timeline.startsAt(offset_);
            }
            if (spare_)
                current_ = std::move(spare_);
            else if (!current_->rewind())
                return fail(QStringLiteral("cannot go back to its start"));
            last_ = -current_->frameSeconds();
            return;
        }
        // Sound decoded ahead of the picture it plays with (a song's cover)
        // ends when its last is heard, not when it is decoded.
        if (frames <= 1 && current_->hasSound() && !waitUntil(dueAt(last_)))
            return;
        current_.reset();
        s_.tell([ticket = playing_](VideoChannel& channel) { emit channel.ended(ticket); });
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
        origin_ = Clock::now() - span(offset_ + frame.seconds);
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
        s_.post([](VideoChannel& channel) { emit channel.frameReady(); });
}

void ClipLoop::handOnSound(const QByteArray& sound)
{
    if (sound.isEmpty())
        return;
    const std::lock_guard lock(feed_.mutex);
    feed_.sound += sound;
    feed_.timeline.queued(sound.size());
    const qsizetype held =
        qsizetype(ClipDecoder::kHeldSoundSeconds) * ClipDecoder::kSoundBytesPerSecond;
    if (feed_.sound.size() > held) {
        const qsizetype excess = (feed_.sound.size() - held) / 4 * 4;
        feed_.sound.remove(0, excess);
        feed_.timeline.dropped(excess);
    }
}

// After a song's cover, its sound is decoded a little ahead of where it is
// heard.
void ClipLoop::paceSound(double reaches)
{
    last_ = reaches;
    if (reaches > kSoundAhead && !awaitSound())
        return;
    keepToSound();
    waitUntil(dueAt(reaches - kSoundAhead));
}

// The first frame shows at once; the next waits for the clip's sound to be
// heard, as long as a sound output may take to start, so that neither runs
// ahead of the other and none of the sound is lost. False when the clip is
// no longer wanted meanwhile.
bool ClipLoop::awaitSound()
{
    if (soundAwaited_ || !feed_.wanted.load() || !current_->hasSound())
        return true;
    const Clock::time_point deadline = origin_ + kLongestSoundStart;
    while (Clock::now() < deadline) {
        {
            const std::lock_guard lock(feed_.mutex);
            if (feed_.heard.known)
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

// While the clip's sound is heard, its frames keep to the sound: the sound
// output's clock and the machine's drift apart, and the sound is heard a
// little after it is handed on. A small difference is taken up a little at a
// time, so that frames do not jerk; a large one (the sound starting) at once.
void ClipLoop::keepToSound()
{
    SoundFeed::Heard heard;
    {
        const std::lock_guard lock(feed_.mutex);
        heard = feed_.heard;
    }
    using namespace std::chrono_literals;
    if (!heard.known || Clock::now() - heard.at > 100ms)
        return;
    const Clock::time_point soundOrigin = heard.at - span(heard.seconds);
    const Clock::duration gap = soundOrigin - origin_;
    if (gap > 100ms || gap < -100ms)
        origin_ = soundOrigin;
    else
        origin_ += gap / 8;
}

ClipLoop::Clock::time_point ClipLoop::dueAt(double seconds) const
{
    return origin_ + span(offset_ + seconds);
}

// Waits for a frame's moment; false when the clip is no longer wanted. A clip
// asked to be opened ahead is opened meanwhile.
bool ClipLoop::waitUntil(Clock::time_point due)
{
    while (true) {
        {
            std::unique_lock lock(s_.mutex);
            s_.wake.wait_until(lock, due, [this] { return s_.quit.load() || s_.version != seen_; });
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

} // namespace tv
