#pragma once

#include "decode/picture_decoding.h"

#include "base/message_tally.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <memory>

namespace tv {

// One video clip, decoded with FFmpeg's own libraries on the thread that
// calls it. The file is read through a checked handle (see MediaHandle), never
// by its name. Frames come out as images already turned by the stream's
// display matrix, stretched by its pixel aspect ratio, deinterlaced one frame
// per field when the stream is interlaced, and converted once, with real
// filtering and the stream's own colour tags, straight to the size they are
// drawn at.
class ClipDecoder {
public:
    struct Frame {
        QImage image;
        double seconds = 0; // when it is due, from the clip's start
    };
    // Sound: some of the sound was decoded and no frame (a song with its
    // cover, or sound alone, after its one picture); `seconds` tells how far
    // the sound now reaches.
    enum class Step { Frame, Sound, End, Failed };

    ~ClipDecoder();
    ClipDecoder(const ClipDecoder&) = delete;
    ClipDecoder& operator=(const ClipDecoder&) = delete;

    struct Options {
        // The clip's sound is decoded too, as kSoundRate Hz stereo 16-bit
        // samples, to be taken with takeSound().
        bool withSound = false;
        // Decoded by the machine's video hardware where it can be.
        bool hardware = false;
        // Where FFmpeg's errors about the clip are told; null: nowhere.
        MessageTally* messages = nullptr;
    };
    // Opens the clip; null, with the reason in `why`, when it cannot be
    // played. Reading gives up as soon as `cancel` is set.
    static std::unique_ptr<ClipDecoder> open(const QString& path, const std::atomic<bool>& cancel,
                                             QString* why, const Options& options);
    static constexpr int kSoundRate = 48000;
    static constexpr int kSoundBytesPerSecond = kSoundRate * 2 * 2;
    // The sound decoded since the last call; at most kHeldSoundSeconds of it
    // is kept for a taker that falls behind.
    QByteArray takeSound();
    static constexpr int kHeldSoundSeconds = 2;

    // Decodes up to the next frame; `drawn` is the size it is drawn at. With
    // `convert` false the frame is decoded but not converted (one that is
    // late anyway): its image is null.
    Step next(DrawnSize drawn, bool convert, Frame* frame, QString* why);
    // Converts the frame decoded last, when next() left it unconverted.
    bool convert(DrawnSize drawn, QImage* image, QString* why);
    // Whether the decoder skips the frames no other frame refers to, to
    // catch up when it falls behind.
    void skipNonReference(bool skip);
    // Back to the start, for a clip that loops.
    bool rewind();

    const QString& path() const { return path_; }
    // The name of the file as the log tells it, whatever path opened it.
    QString fileName() const;
    // Whether its sound is decoded: it has some, and it was asked for.
    bool hasSound() const;
    // Why its sound, asked for, is not played (a header beyond what any
    // sound has); empty when it is, or it has none.
    QString soundRefused() const;
    // The size the clip is shown at: turned, with square pixels.
    QSize shownSize() const;
    // Seconds from one frame to the next, as the stream tells.
    double frameSeconds() const;

private:
    struct State;
    explicit ClipDecoder(std::unique_ptr<State> state, QString path);
    static QImage finished(QImage image, const State& s, DrawnSize drawn);
    Step decode(DrawnSize drawn, bool convert, Frame* frame, QString* why);
    std::unique_ptr<State> state_;
    QString path_;
};

// FFmpeg's own messages are told only when they tell of an error, to the
// tally of the clip they are about (see Options::messages), each once per
// clip and show with the clip's name, their repeats counted. Called once
// before any decoding.
void quietenFfmpegLog();

} // namespace tv
