#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

namespace tv {

// Where in a clip the sound being heard now is, so that its frames can keep
// to the sound rather than to the machine's clock: the two drift apart, and
// the sound output holds a fifth of a second before it is heard.
//
// Sound reaches the output in three steps: it is queued as it is decoded,
// written to the output as the output makes room, and heard once the output
// has played what it held. Positions are seconds on the timeline of one
// playing of a clip, which goes on across its loops.
class SoundTimeline {
public:
    explicit SoundTimeline(int bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}

    // A new playing begins: the sound queued from now on is the one heard
    // after whatever the output still holds.
    void restart();
    // The sound queued next starts at `seconds` (a clip's start, or a loop's).
    void startsAt(double seconds);
    void queued(qint64 bytes);
    // Queued sound thrown away unheard, oldest first.
    void dropped(qint64 bytes);
    void written(qint64 bytes);

    // The position heard now, given how many bytes the output still holds;
    // none until this playing's sound is being heard. Asked in time order.
    std::optional<double> heard(qint64 stillHeld);

private:
    struct Anchor {
        qint64 byte; // counted in the queued sound since the restart
        double seconds;
    };
    int bytesPerSecond_;
    std::deque<Anchor> anchors_;
    qint64 queued_ = 0;   // since the restart
    qint64 consumed_ = 0; // written or dropped, since the restart
    qint64 written_ = 0;  // since the restart
};

} // namespace tv
