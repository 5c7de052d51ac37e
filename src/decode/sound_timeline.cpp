#include "decode/sound_timeline.h"

namespace tv {

void SoundTimeline::restart()
{
    anchors_.clear();
    queued_ = consumed_ = written_ = 0;
}

void SoundTimeline::startsAt(double seconds)
{
    // A second start before any of the first was queued replaces it.
    if (!anchors_.empty() && anchors_.back().byte == queued_)
        anchors_.pop_back();
    anchors_.push_back({queued_, seconds});
}

void SoundTimeline::queued(qint64 bytes)
{
    queued_ += bytes;
}

void SoundTimeline::dropped(qint64 bytes)
{
    // Thrown away, it passes as if heard at once.
    consumed_ += bytes;
}

void SoundTimeline::written(qint64 bytes)
{
    consumed_ += bytes;
    written_ += bytes;
}

std::optional<double> SoundTimeline::heard(qint64 stillHeld)
{
    // What the output holds beyond this playing's sound is the playing
    // before, still being heard.
    if (anchors_.empty() || stillHeld >= written_)
        return std::nullopt;
    const qint64 byte = consumed_ - stillHeld;
    // Starts that are heard no more are never needed again; an output that
    // says it holds a little more than it said before is heard from the
    // start it is in, counted back.
    while (anchors_.size() > 1 && anchors_[1].byte <= byte)
        anchors_.pop_front();
    const Anchor& from = anchors_.front();
    return from.seconds + double(byte - from.byte) / bytesPerSecond_;
}

} // namespace tv
