#pragma once

#include "decode/sound_feed.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSink;
class QIODevice;

namespace tv {

class MessageTally;

// Plays a video channel's sound on the system's sound output, from its owner's
// thread: every 20 ms it takes from the feed what the output has room for,
// and tells the feed where the sound heard now is. The output opens with the
// first sound. Without an output, or when it goes away, clips play silent
// and the tally hears why.
class SoundOutput final : public QObject {
    Q_OBJECT
public:
    SoundOutput(std::shared_ptr<SoundFeed> feed, int volume, MessageTally* messages,
                QObject* parent = nullptr);
    ~SoundOutput() override;

    // Whether clips at `volume` should decode their sound: there is an
    // output that takes it, and the sound is not turned off.
    static bool wanted(int volume, MessageTally* messages);

private:
    void pump();
    void drop(const QString& why);

    std::shared_ptr<SoundFeed> feed_;
    int volume_;
    MessageTally* messages_;
    QAudioSink* sink_ = nullptr;
    QIODevice* sinkInput_ = nullptr;
    QTimer pump_;
};

} // namespace tv
