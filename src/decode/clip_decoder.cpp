#include "decode/clip_decoder.h"

#include "base/message_tally.h"
#include "decode/frame_pool.h"
#include "decode/frame_reducer.h"
#include "decode/hardware_decoding.h"
#include "decode/tone_map.h"
#include "files/media_open.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tv {

namespace {

constexpr int kIoBufferBytes = 64 * 1024;
// The longest step from one frame to the next taken as it is in a stream made
// to be joined; a longer one is a jump where two recordings meet.
constexpr double kLongestStep = 1.0;

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Who FFmpeg's messages are about: a clip, named by its path, and the tally
// they are told to, for as long as its contexts live. The log callback finds
// it from a format or codec context's `opaque` (which FFmpeg copies into the
// contexts of its decoding threads), and else from the thread decoding the
// clip; it is looked up here rather than read through the pointer, so that a
// context whose `opaque` means something else is never taken for a clip.
// FFmpeg has one log callback for the whole process, so the clips that may
// speak are known process-wide; nothing else is.
class ClipVoice {
public:
    struct Heard {
        QString path;
        MessageTally* messages = nullptr;
    };

    ClipVoice(const QString& path, MessageTally* messages)
    {
        const std::lock_guard lock(mutex());
        voices().insert(this, {path, messages});
    }
    ~ClipVoice()
    {
        const std::lock_guard lock(mutex());
        voices().remove(this);
    }
    ClipVoice(const ClipVoice&) = delete;
    ClipVoice& operator=(const ClipVoice&) = delete;

    // The clip `voice` speaks for; no path when it is none.
    static Heard find(const void* voice)
    {
        const std::lock_guard lock(mutex());
        return voices().value(voice);
    }

private:
    // Never destroyed: FFmpeg may speak on a thread of its own while the
    // process ends.
    static std::mutex& mutex()
    {
        static auto* shared = new std::mutex;
        return *shared;
    }
    static QHash<const void*, Heard>& voices()
    {
        static auto* shared = new QHash<const void*, Heard>;
        return *shared;
    }
};

thread_local const ClipVoice* voiceOfThread = nullptr;

// While it lives, what FFmpeg says on this thread is about `voice`'s clip.
class Speaking {
public:
    explicit Speaking(const ClipVoice& voice) : before_(std::exchange(voiceOfThread, &voice)) {}
    ~Speaking() { voiceOfThread = before_; }
    Speaking(const Speaking&) = delete;
    Speaking& operator=(const Speaking&) = delete;

private:
    const ClipVoice* before_;
};

// The clip's bytes, read from its checked handle at positions of our own, so
// that nothing reopens the file by its name.
struct Source {
    MediaHandle file;
    qint64 position = 0;
    const std::atomic<bool>* cancel = nullptr;
    bool changed = false; // written since the show read it: read no more

    static int read(void* opaque, uint8_t* buffer, int size)
    {
        auto* source = static_cast<Source*>(opaque);
        if (source->cancel->load())
            return AVERROR_EXIT;
        // Written in place by a sync tool, the clip is a mix of two: it
        // ends where it is rather than show what follows.
        if (source->changed || !source->file.unchanged()) {
            source->changed = true;
            return AVERROR(EIO);
        }
        ssize_t got = 0;
        do
            got = ::pread(source->file.fd(), buffer, std::size_t(size), source->position);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return AVERROR(errno);
        if (got == 0)
            return AVERROR_EOF;
        source->position += got;
        return int(got);
    }

    static int64_t seek(void* opaque, int64_t offset, int whence)
    {
        auto* source = static_cast<Source*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return source->file.size();
        case SEEK_SET:
            source->position = offset;
            break;
        case SEEK_CUR:
            source->position += offset;
            break;
        case SEEK_END:
            source->position = source->file.size() + offset;
            break;
        default:
            return AVERROR(EINVAL);
        }
        return source->position;
    }
};

LightCurve lightCurve(AVColorTransferCharacteristic transfer)
{
    switch (transfer) {
    case AVCOL_TRC_SMPTE2084:
        return LightCurve::Pq;
    case AVCOL_TRC_ARIB_STD_B67:
        return LightCurve::Hlg;
    default:
        return LightCurve::Standard;
    }
}

// Why sound of this shape is not played; empty when it is within what any
// real sound has.
QString soundOutOfBounds(int rate, int channels, int frameSamples)
{
    constexpr int kMostRate = 768'000, kMostChannels = 64, kMostFrameSamples = 1 << 20;
    if (rate <= 0 || rate > kMostRate)
        return QStringLiteral("its sound says %1 Hz").arg(rate);
    if (channels <= 0 || channels > kMostChannels)
        return QStringLiteral("its sound says %1 channels").arg(channels);
    if (frameSamples < 0 || frameSamples > kMostFrameSamples)
        return QStringLiteral("its sound says %1 samples a frame").arg(frameSamples);
    return QString();
}

// The brightest light in a high-dynamic-range frame, as its metadata tell:
// the content's own peak, else its mastering display's.
double peakNits(const AVFrame* frame)
{
    double nits = ToneMap::kAssumedPeakNits;
    if (const AVFrameSideData* level =
            av_frame_get_side_data(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
        level && level->size >= sizeof(AVContentLightMetadata) &&
        reinterpret_cast<const AVContentLightMetadata*>(level->data)->MaxCLL > 0) {
        nits = reinterpret_cast<const AVContentLightMetadata*>(level->data)->MaxCLL;
    } else if (const AVFrameSideData* mastering =
                   av_frame_get_side_data(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
               mastering && mastering->size >= sizeof(AVMasteringDisplayMetadata)) {
        const auto* display = reinterpret_cast<const AVMasteringDisplayMetadata*>(mastering->data);
        if (display->has_luminance && display->max_luminance.num > 0 &&
            display->max_luminance.den > 0)
            nits = av_q2d(display->max_luminance);
    }
    return std::clamp(nits, 100.0, 10000.0);
}

// How to show the stream upright, from its display matrix: mirrored left to
// right first (a selfie camera's clip), then turned by quarter turns
// clockwise.
struct Orientation {
    int turns = 0;
    bool mirrored = false;
};

Orientation orientation(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return {};
    int32_t matrix[9];
    std::memcpy(matrix, data, sizeof matrix);
    Orientation shown;
    // A matrix that mirrors has a negative determinant; what is left once
    // the mirror is taken out of its first row is a plain turn.
    shown.mirrored = double(matrix[0]) * matrix[4] - double(matrix[1]) * matrix[3] < 0;
    if (shown.mirrored) {
        matrix[0] = -matrix[0];
        matrix[1] = -matrix[1];
    }
    const double counterClockwise = av_display_rotation_get(matrix);
    if (std::isnan(counterClockwise))
        return shown;
    const long turns = std::lround(-counterClockwise / 90.0);
    shown.turns = int(((turns % 4) + 4) % 4);
    return shown;
}

// Where the file a handle holds lies, as the log names a clip: a held path
// is only a number. The path it was opened by when that cannot be told.
QString pathOfFile(const MediaHandle& file, const QString& openedBy)
{
    char target[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(file.fd());
    const ssize_t size = ::readlink(link.constData(), target, sizeof target);
    if (size <= 0 || size == sizeof target)
        return openedBy;
    QString path = QFile::decodeName(QByteArray(target, size));
    // Removed since, by a sync tool that wrote a new file in its place.
    if (path.endsWith(QLatin1String(" (deleted)")))
        path.chop(10);
    return path;
}

struct VideoSource {
    const AVStream* stream;
    ClipVoice* voice;
};

// A decoder's parameters from its stream, before it is opened.
bool prepareVideo(AVCodecContext* context, void* data)
{
    const auto* source = static_cast<const VideoSource*>(data);
    const AVStream* stream = source->stream;
    context->opaque = source->voice;
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0)
        return false;
    context->pkt_timebase = stream->time_base;
    // Two threads decode a 4K clip in time on a two-core display; each more
    // holds frames of its own.
    context->thread_count = std::min(2, int(std::thread::hardware_concurrency()));
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    return true;
}

} // namespace

struct ClipDecoder::State {
    State(const QString& path, MessageTally* messages)
        : voice(path, messages), path(path), messages(messages)
    {
    }
    // First, so that it outlives every context that may speak for the clip.
    ClipVoice voice;
    QString path;
    MessageTally* messages;
    Source source;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    AVFrame* filtered = nullptr;
    AVFrame* onHost = nullptr; // a frame read back from the video hardware
    AVFrame* last = nullptr;   // the frame decoded last, to be converted
    AVFilterGraph* graph = nullptr;
    AVFilterContext* graphIn = nullptr;
    AVFilterContext* graphOut = nullptr;
    bool deinterlace = false;
    // A song's cover (a picture attached to the sound) or no picture at
    // all: once that one frame is given, only the sound is decoded, at its
    // own pace.
    bool still = false;
    bool soundOnly = false;
    bool soundOnlyStarted = false;
    bool pictureGiven = false;
    SwsContext* scaler = nullptr;
    FramePool frames;
    FrameReducer reducer;
    // High-dynamic-range frames are converted to 16-bit R'G'B' here, each
    // line padded as the frame pool's are, then tone-mapped into the image.
    std::vector<std::uint16_t> hdrLines;
    std::optional<ToneMap> toneMap;
    int turns = 0;
    bool mirrored = false;
    AVRational sampleAspect{1, 1};
    QSize coded;           // as the stream stores its frames
    AVRational rate{0, 1}; // frames a second, as the stream tells
    bool draining = false;
    bool ended = false;
    double lastSeconds = -1;
    // Added to a frame's timestamp so that a jump in a joined recording's
    // timestamps plays straight through.
    double shift = 0;
    bool timed = false; // a frame was timed since the start
    // The video packets read ahead of the decoder, so that the sound that
    // goes with a frame (muxed later in the file, as program streams do) is
    // decoded before the frame is due; bounded by kMostPacketsAhead and
    // kMostBytesAhead.
    std::deque<AVPacket*> ahead;
    qint64 aheadBytes = 0;
    bool readAll = false;
    qint64 soundBytesMade = 0; // since the clip's start, at kSoundRate
    AVStream* soundStream = nullptr;
    AVCodecContext* soundCodec = nullptr;
    SwrContext* resampler = nullptr;
    QString soundRefused; // why the clip's sound is not played
    AVFrame* soundFrame = nullptr;
    QByteArray sound;

    ~State()
    {
        dropAhead();
        av_frame_free(&soundFrame);
        swr_free(&resampler);
        avcodec_free_context(&soundCodec);
        sws_freeContext(scaler);
        avfilter_graph_free(&graph);
        av_frame_free(&onHost);
        av_frame_free(&last);
        av_frame_free(&filtered);
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
        // The clip is no longer read: what it said again is told.
        if (messages)
            messages->closed(path, steadyMs());
    }

    // For a clip of sound alone: opens its sound, and nothing else is read.
    bool openSoundOnly()
    {
        if (!(packet = av_packet_alloc()) || !(last = av_frame_alloc()))
            return false;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = AVDISCARD_ALL;
        openSound();
        soundOnly = pictureGiven = soundCodec != nullptr;
        return soundOnly;
    }

    // Opens the clip's sound; a clip whose sound cannot be decoded plays
    // silent.
    void openSound()
    {
        const AVCodec* decoder = nullptr;
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (index < 0 || !decoder)
            return;
        AVStream* stream = format->streams[index];
        // A header that claims more than any sound has (a damaged or crafted
        // file) would have the resampler take gigabytes: such a clip plays
        // silent, told before anything is allocated for it, and again once
        // the decoder has read its own idea of the sound.
        if ((soundRefused = soundOutOfBounds(stream->codecpar->sample_rate,
                                             stream->codecpar->ch_layout.nb_channels,
                                             stream->codecpar->frame_size))
                .size())
            return;
        AVCodecContext* context = avcodec_alloc_context3(decoder);
        if (context)
            context->opaque = &voice;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (context && avcodec_parameters_to_context(context, stream->codecpar) >= 0 &&
            avcodec_open2(context, decoder, nullptr) >= 0)
            soundRefused = soundOutOfBounds(context->sample_rate, context->ch_layout.nb_channels,
                                            context->frame_size);
        if (!context || !soundRefused.isEmpty() || !avcodec_is_open(context) ||
            swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_S16, kSoundRate,
                                &context->ch_layout, context->sample_fmt, context->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(resampler) < 0 || !(soundFrame = av_frame_alloc())) {
            avcodec_free_context(&context);
            swr_free(&resampler);
            return;
        }
        soundCodec = context;
        soundStream = stream;
        stream->discard = AVDISCARD_DEFAULT;
    }

    void decodeSound(const AVPacket* packet)
    {
        if (avcodec_send_packet(soundCodec, packet) < 0)
            return; // a damaged packet is a moment of silence
        while (avcodec_receive_frame(soundCodec, soundFrame) >= 0) {
            const int most = swr_get_out_samples(resampler, soundFrame->nb_samples);
            if (most <= 0)
                continue;
            const qsizetype start = sound.size();
            sound.resize(start + qsizetype(most) * 4);
            auto* out = reinterpret_cast<uint8_t*>(sound.data() + start);
            const int made = swr_convert(resampler, &out, most,
                                         const_cast<const uint8_t**>(soundFrame->extended_data),
                                         soundFrame->nb_samples);
            sound.resize(start + qsizetype(std::max(made, 0)) * 4);
            soundBytesMade += qsizetype(std::max(made, 0)) * 4;
        }
        // A taker that fell behind loses the oldest, never the newest.
        const qsizetype held = qsizetype(kHeldSoundSeconds) * kSoundBytesPerSecond;
        if (sound.size() > held)
            sound.remove(0, (sound.size() - held) / 4 * 4);
    }

    static int interrupted(void* opaque)
    {
        return static_cast<const std::atomic<bool>*>(opaque)->load() ? 1 : 0;
    }

    // Two fields make a frame of an interlaced stream: each becomes a frame
    // of its own, as a television shows them.
    bool makeDeinterlacer(const AVFrame* frame)
    {
        avfilter_graph_free(&graph);
        graph = avfilter_graph_alloc();
        if (!graph)
            return false;
        const AVRational base = stream->time_base;
        char args[256];
        std::snprintf(args, sizeof args,
                      "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                      frame->width, frame->height, frame->format, base.num, base.den,
                      std::max(1, frame->sample_aspect_ratio.num),
                      std::max(1, frame->sample_aspect_ratio.den));
        return makeFilterChain(graph, args, "bwdif=mode=send_field:parity=auto:deint=interlaced",
                               &graphIn, &graphOut);
    }

    // Opens the container anew from its first byte, keeping the decoders:
    // for a clip whose container cannot seek back to its start.
    bool reopen()
    {
        const int videoIndex = stream ? stream->index : -1;
        const int soundIndex = soundStream ? soundStream->index : -1;
        const AVCodecID videoCodec = stream ? stream->codecpar->codec_id : AV_CODEC_ID_NONE;
        avformat_close_input(&format);
        stream = soundStream = nullptr;
        if (avio_seek(io, 0, SEEK_SET) < 0 || !(format = avformat_alloc_context()))
            return false;
        format->opaque = &voice;
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        format->interrupt_callback = {&State::interrupted,
                                      const_cast<std::atomic<bool>*>(source.cancel)};
        if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0)
            return false;
        if (int(format->nb_streams) <= std::max(videoIndex, soundIndex) &&
            avformat_find_stream_info(format, nullptr) < 0)
            return false;
        if (int(format->nb_streams) <= std::max(videoIndex, soundIndex) ||
            (videoIndex >= 0 && format->streams[videoIndex]->codecpar->codec_id != videoCodec))
            return false;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (int(i) != videoIndex && int(i) != soundIndex)
                format->streams[i]->discard = AVDISCARD_ALL;
        if (videoIndex >= 0)
            stream = format->streams[videoIndex];
        if (soundIndex >= 0)
            soundStream = format->streams[soundIndex];
        return true;
    }

    void dropAhead()
    {
        for (AVPacket* held : ahead)
            av_packet_free(&held);
        ahead.clear();
        aheadBytes = 0;
    }

    // Reads one packet: sound is decoded at once, video is queued for the
    // decoder. Zero, or why not (AVERROR_EOF at the end).
    int readPacket()
    {
        const int read = av_read_frame(format, packet);
        if (read == AVERROR_EOF) {
            readAll = true;
            return read;
        }
        if (read < 0)
            return read;
        if (soundStream && packet->stream_index == soundStream->index)
            decodeSound(packet);
        if (stream && packet->stream_index == stream->index && !pictureGiven) {
            AVPacket* held = av_packet_alloc();
            if (!held) {
                av_packet_unref(packet);
                return AVERROR(ENOMEM);
            }
            av_packet_move_ref(held, packet);
            aheadBytes += held->size;
            ahead.push_back(held);
        }
        av_packet_unref(packet);
        return 0;
    }

    // Reads on until the sound decoded reaches a second past `seconds`, as
    // far as the bounds of the queue allow.
    void readSoundPast(double seconds)
    {
        while (soundCodec && !readAll && ahead.size() < kMostPacketsAhead &&
               aheadBytes < kMostBytesAhead &&
               double(soundBytesMade) / kSoundBytesPerSecond < seconds + 1.0)
            if (readPacket() < 0)
                return;
    }
    static constexpr std::size_t kMostPacketsAhead = 512;
    static constexpr qint64 kMostBytesAhead = qint64(64) << 20;

    // The next frame out of the decoder (and the deinterlacer), or why none.
    int receive(AVFrame** out)
    {
        while (true) {
            if (graph) {
                av_frame_unref(filtered);
                const int got = av_buffersink_get_frame(graphOut, filtered);
                if (got >= 0) {
                    *out = filtered;
                    return 0;
                }
                if (got != AVERROR(EAGAIN))
                    return got;
            }
            const int got = avcodec_receive_frame(codec, decoded);
            if (got == AVERROR_EOF && graph && !std::exchange(ended, true)) {
                // The last field out too.
                if (av_buffersrc_add_frame(graphIn, nullptr) < 0)
                    return AVERROR_EOF;
                continue;
            }
            if (got < 0)
                return got;
            if (!bringToMemory(decoded, onHost))
                return AVERROR(EIO);
            if (!graph && (decoded->interlaced_frame || deinterlace)) {
                deinterlace = true;
                if (!makeDeinterlacer(decoded)) {
                    avfilter_graph_free(&graph);
                    deinterlace = false;
                }
            }
            if (!graph) {
                *out = decoded;
                return 0;
            }
            if (av_buffersrc_add_frame(graphIn, decoded) < 0)
                return AVERROR(EINVAL);
        }
    }
};

ClipDecoder::ClipDecoder(std::unique_ptr<State> state, QString path)
    : state_(std::move(state)), path_(std::move(path))
{
}

ClipDecoder::~ClipDecoder()
{
    const Speaking speaking(state_->voice);
    state_.reset();
}

std::unique_ptr<ClipDecoder> ClipDecoder::open(const QString& path, const std::atomic<bool>& cancel,
                                               QString* why, const Options& options)
{
    MediaHandle file = MediaHandle::open(path);
    if (!file.isOpen()) {
        *why = file.problem();
        return nullptr;
    }
    auto state = std::make_unique<State>(pathOfFile(file, path), options.messages);
    const Speaking speaking(state->voice);
    state->source.file = std::move(file);
    state->source.cancel = &cancel;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    state->io = avio_alloc_context(buffer, kIoBufferBytes, 0, &state->source, &Source::read,
                                   nullptr, &Source::seek);
    state->format = avformat_alloc_context();
    if (!buffer || !state->io || !state->format) {
        if (!state->io)
            av_free(buffer);
        *why = QStringLiteral("out of memory");
        return nullptr;
    }
    state->format->opaque = &state->voice;
    state->format->pb = state->io;
    state->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    state->format->interrupt_callback = {&State::interrupted,
                                         const_cast<std::atomic<bool>*>(&cancel)};
    if (const int opened = avformat_open_input(&state->format, nullptr, nullptr, nullptr);
        opened < 0) {
        // The context is freed on failure.
        *why = state->source.changed ? QLatin1String(kChangedSinceRead) : avError(opened);
        return nullptr;
    }
    if (const int found = avformat_find_stream_info(state->format, nullptr); found < 0) {
        *why = state->source.changed ? QLatin1String(kChangedSinceRead) : avError(found);
        return nullptr;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(state->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND && options.withSound && state->openSoundOnly()) {
        // Sound alone plays over black.
        state->coded = QSize(16, 9);
        state->rate = {25, 1};
        return std::unique_ptr<ClipDecoder>(new ClipDecoder(std::move(state), path));
    }
    if (index < 0 || !codec) {
        *why = index == AVERROR_DECODER_NOT_FOUND ? QStringLiteral("no decoder for its video")
                                                  : QStringLiteral("no video in it");
        return nullptr;
    }
    state->stream = state->format->streams[index];
    const AVCodecParameters* parameters = state->stream->codecpar;
    const QSize size(parameters->width, parameters->height);
    if (QString large = tooLarge(size, kMaxVideoPixels, kMaxVideoSide); !large.isEmpty()) {
        *why = large;
        return nullptr;
    }
    for (unsigned i = 0; i < state->format->nb_streams; ++i)
        if (int(i) != index)
            state->format->streams[i]->discard = AVDISCARD_ALL;
    VideoSource source{state->stream, &state->voice};
    if (options.hardware)
        state->codec = openHardwareDecoder(codec, &prepareVideo, &source);
    if (!state->codec) {
        state->codec = avcodec_alloc_context3(codec);
        if (!state->codec || !prepareVideo(state->codec, &source)) {
            *why = QStringLiteral("out of memory");
            return nullptr;
        }
        if (const int ready = avcodec_open2(state->codec, codec, nullptr); ready < 0) {
            *why = avError(ready);
            return nullptr;
        }
    }
    state->packet = av_packet_alloc();
    state->decoded = av_frame_alloc();
    state->filtered = av_frame_alloc();
    state->onHost = av_frame_alloc();
    state->last = av_frame_alloc();
    if (!state->packet || !state->decoded || !state->filtered || !state->onHost || !state->last) {
        *why = QStringLiteral("out of memory");
        return nullptr;
    }
    if (options.withSound)
        state->openSound();
    const Orientation upright = orientation(state->stream);
    state->turns = upright.turns;
    state->mirrored = upright.mirrored;
    state->coded = size;
    state->rate = state->stream->avg_frame_rate;
    if (state->rate.num <= 0 || state->rate.den <= 0)
        state->rate = state->stream->r_frame_rate;
    state->sampleAspect = av_guess_sample_aspect_ratio(state->format, state->stream, nullptr);
    state->still = state->stream->disposition & AV_DISPOSITION_ATTACHED_PIC;
    state->deinterlace = parameters->field_order != AV_FIELD_PROGRESSIVE &&
                         parameters->field_order != AV_FIELD_UNKNOWN;
    return std::unique_ptr<ClipDecoder>(new ClipDecoder(std::move(state), path));
}

QString ClipDecoder::fileName() const
{
    return QFileInfo(state_->path).fileName();
}

QSize ClipDecoder::shownSize() const
{
    QSize size = state_->coded;
    const AVRational aspect = state_->sampleAspect;
    // Pixels that are not square are stretched across, never squeezed: no
    // detail is lost.
    if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den) {
        if (aspect.num > aspect.den)
            size.setWidth(int(std::lround(double(size.width()) * aspect.num / aspect.den)));
        else
            size.setHeight(int(std::lround(double(size.height()) * aspect.den / aspect.num)));
    }
    return state_->turns % 2 ? size.transposed() : size;
}

double ClipDecoder::frameSeconds() const
{
    const AVRational rate = state_->rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 1.0 / 25;
    const double seconds = double(rate.den) / rate.num;
    return state_->deinterlace ? seconds / 2 : seconds;
}

ClipDecoder::Step ClipDecoder::next(DrawnSize drawn, bool convert, Frame* frame, QString* why)
{
    const Step step = decode(drawn, convert, frame, why);
    if (step == Step::Failed && state_->source.changed)
        *why = QLatin1String(kChangedSinceRead);
    return step;
}

ClipDecoder::Step ClipDecoder::decode(DrawnSize drawn, bool convert, Frame* frame, QString* why)
{
    State& s = *state_;
    const Speaking speaking(s.voice);
    if (!s.format) {
        *why = QStringLiteral("cannot go back to its start");
        return Step::Failed;
    }
    if (s.soundOnly && !std::exchange(s.soundOnlyStarted, true)) {
        // The black the sound plays over, at once.
        frame->seconds = 0;
        frame->image = QImage();
        if (convert && !this->convert(drawn, &frame->image, why))
            return Step::Failed;
        return Step::Frame;
    }
    if (s.pictureGiven) {
        // Only sound from here on: a little of it each step.
        const qint64 before = s.soundBytesMade;
        while (!s.readAll && s.soundBytesMade == before) {
            if (const int read = s.readPacket(); read < 0 && read != AVERROR_EOF) {
                *why = avError(read);
                return Step::Failed;
            }
        }
        if (s.readAll && s.soundBytesMade == before) {
            if (!std::exchange(s.draining, true) && s.soundCodec)
                s.decodeSound(nullptr); // the sound to its very end
            return Step::End;
        }
        frame->seconds = double(s.soundBytesMade) / kSoundBytesPerSecond;
        frame->image = QImage();
        return Step::Sound;
    }
    AVFrame* picture = nullptr;
    while (true) {
        const int got = s.receive(&picture);
        if (got == 0)
            break;
        if (got == AVERROR_EOF && s.still && !s.pictureGiven && s.soundCodec) {
            // A cover that cannot be decoded: the song plays over black.
            s.soundOnly = s.pictureGiven = true;
            s.draining = false;
            return next(drawn, convert, frame, why);
        }
        if (got == AVERROR_EOF)
            return Step::End;
        if (got != AVERROR(EAGAIN)) {
            *why = avError(got);
            return Step::Failed;
        }
        if (s.draining)
            return Step::End;
        if (!s.ahead.empty()) {
            AVPacket* held = s.ahead.front();
            s.ahead.pop_front();
            s.aheadBytes -= held->size;
            const int sent = avcodec_send_packet(s.codec, held);
            av_packet_free(&held);
            if (s.still && sent >= 0) {
                // Its one picture out now, not when the next packet comes.
                s.draining = true;
                avcodec_send_packet(s.codec, nullptr);
            }
            // A damaged packet is skipped, as players do; the decoder says
            // so in the log.
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                *why = avError(sent);
                return Step::Failed;
            }
            continue;
        }
        if (s.readAll) {
            s.draining = true;
            avcodec_send_packet(s.codec, nullptr);
            if (s.soundCodec)
                s.decodeSound(nullptr); // the sound to its very end
            continue;
        }
        if (const int read = s.readPacket(); read < 0 && read != AVERROR_EOF) {
            *why = avError(read);
            return Step::Failed;
        }
    }

    const AVRational base = s.graph ? av_buffersink_get_time_base(s.graphOut) : s.stream->time_base;
    // The deinterlacer times each field's frame in pts alone.
    const int64_t stamp = s.graph ? picture->pts : picture->best_effort_timestamp;
    double seconds = s.lastSeconds + frameSeconds();
    if (stamp != AV_NOPTS_VALUE) {
        double stamped = double(stamp) * av_q2d(base) + s.shift;
        if (s.stream->start_time != AV_NOPTS_VALUE)
            stamped -= double(s.stream->start_time) * av_q2d(s.stream->time_base);
        // Time never runs back, and in streams made to be joined (transport
        // and program streams) it does not leap ahead either: such a jump
        // is where two recordings meet, and the second follows the first.
        const double step = stamped - s.lastSeconds;
        const bool joined = s.format->iformat->flags & AVFMT_TS_DISCONT;
        if (s.timed && (step < -frameSeconds() || (joined && step > kLongestStep))) {
            s.shift += seconds - stamped;
            stamped = seconds;
        }
        seconds = stamped;
    }
    s.lastSeconds = seconds;
    s.timed = true;
    frame->seconds = seconds;
    s.readSoundPast(seconds);
    frame->image = QImage();
    av_frame_unref(s.last);
    av_frame_move_ref(s.last, picture);
    if (s.still) {
        s.pictureGiven = true;
        s.draining = false;
    }
    if (convert && !this->convert(drawn, &frame->image, why))
        return Step::Failed;
    return Step::Frame;
}

// A converted frame made upright for its panel: mirrored as the clip says,
// then turned once, by the clip's own turns and the panel's together.
QImage ClipDecoder::finished(QImage image, const State& s, DrawnSize drawn)
{
    if (s.mirrored)
        image = image.mirrored(true, false);
    if (const int turns = (s.turns + drawn.turns) % 4)
        image = image.transformed(QTransform().rotate(90.0 * turns));
    return image;
}

bool ClipDecoder::convert(DrawnSize drawn, QImage* converted, QString* why)
{
    State& s = *state_;
    const Speaking speaking(s.voice);
    if (s.soundOnly) {
        QImage black = s.frames.take(shownSize());
        black.fill(Qt::black);
        *converted = std::move(black);
        return !converted->isNull();
    }
    const AVFrame* picture = s.last;
    if (!picture->data[0]) {
        *why = QStringLiteral("no frame to convert");
        return false;
    }
    // Converted straight to the size it is drawn at, before it is turned.
    const QSize shown = decodeSize(shownSize(), drawn);
    const QSize target = s.turns % 2 ? shown.transposed() : shown;
    bool fullRange = picture->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat source = plainFormat(AVPixelFormat(picture->format), &fullRange);
    const LightCurve curve = lightCurve(picture->color_trc);
    const bool hdr = curve != LightCurve::Standard;
    // Reductions go through zimg (see FrameReducer) where it takes the
    // frame, else through swscale, filtered bicubic so that fine detail
    // does not shimmer. A frame drawn at its own size or larger takes
    // swscale's fast path: zimg's costs four times as much there, for a
    // picture hardly closer.
    const bool reducing = target.width() < picture->width || target.height() < picture->height;
    if (reducing && !hdr) {
        QImage image = s.frames.take(target);
        if (image.isNull()) {
            *why = QStringLiteral("out of memory");
            return false;
        }
        if (s.reducer.reduce(picture, &image)) {
            *converted = finished(std::move(image), s, drawn);
            return true;
        }
    }
    s.scaler =
        sws_getCachedContext(s.scaler, picture->width, picture->height, source, target.width(),
                             target.height(), hdr ? AV_PIX_FMT_GBRP16 : AV_PIX_FMT_BGRA,
                             reducing ? SWS_BICUBIC : SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.scaler) {
        *why = QStringLiteral("its pixel format cannot be converted");
        return false;
    }
    const int* coefficients =
        sws_getCoefficients(swsColourspace(picture->colorspace, picture->height));
    sws_setColorspaceDetails(s.scaler, coefficients, fullRange ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    QImage image = s.frames.take(target);
    if (image.isNull()) {
        *why = QStringLiteral("out of memory");
        return false;
    }
    if (hdr) {
        const double peak = peakNits(picture);
        if (!s.toneMap || s.toneMap->curve() != curve ||
            (curve == LightCurve::Pq && s.toneMap->peakNits() != peak))
            s.toneMap.emplace(curve, peak);
        // Three planes, each line padded as the frame pool's are.
        const int lineBytes = int(FramePool::paddedLineBytes(target.width() * 2));
        const std::size_t plane = std::size_t(lineBytes / 2) * std::size_t(target.height());
        s.hdrLines.resize(3 * plane + FramePool::kSpareBytes);
        uint16_t* g = s.hdrLines.data();
        uint16_t* b = g + plane;
        uint16_t* r = b + plane;
        uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(g), reinterpret_cast<uint8_t*>(b),
                              reinterpret_cast<uint8_t*>(r), nullptr};
        const int strides[4] = {lineBytes, lineBytes, lineBytes, 0};
        sws_scale(s.scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
        for (int y = 0; y < target.height(); ++y) {
            const std::size_t line = std::size_t(y) * std::size_t(lineBytes / 2);
            s.toneMap->mapLine(g + line, b + line, r + line,
                               reinterpret_cast<std::uint32_t*>(image.scanLine(y)), target.width());
        }
    } else {
        uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(s.scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    }
    *converted = finished(std::move(image), s, drawn);
    return true;
}

void ClipDecoder::skipNonReference(bool skip)
{
    if (state_->codec)
        state_->codec->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

bool ClipDecoder::rewind()
{
    State& s = *state_;
    const Speaking speaking(s.voice);
    s.dropAhead();
    // Transport and program streams have no index: a seek by time lands
    // wherever their search ends, often far from a key frame, so they go
    // back to their first byte, where the first playing began. Others seek
    // to their first frame, and go back to their first byte when they
    // cannot (sound that starts before the picture, say).
    const bool byBytes = s.format->iformat->flags & AVFMT_TS_DISCONT;
    const auto toFirstByte = [&] {
        return av_seek_frame(s.format, -1, 0, AVSEEK_FLAG_BYTE) >= 0 || s.reopen();
    };
    // A song with its cover goes back by its sound.
    const AVStream* timed = s.still || s.soundOnly ? s.soundStream : s.stream;
    const auto toFirstFrame = [&] {
        return timed && av_seek_frame(s.format, timed->index,
                                      timed->start_time == AV_NOPTS_VALUE ? 0 : timed->start_time,
                                      AVSEEK_FLAG_BACKWARD) >= 0;
    };
    if (byBytes ? !toFirstByte() : !toFirstFrame() && !toFirstByte())
        return false;
    if (s.codec && !s.pictureGiven)
        avcodec_flush_buffers(s.codec);
    if (s.soundCodec)
        avcodec_flush_buffers(s.soundCodec);
    if (s.resampler)
        swr_init(s.resampler); // nothing of the loop before carried over
    avfilter_graph_free(&s.graph);
    s.graphIn = s.graphOut = nullptr;
    s.draining = false;
    s.ended = false;
    s.readAll = false;
    s.lastSeconds = -1;
    s.shift = 0;
    s.timed = false;
    s.soundBytesMade = 0;
    return true;
}

bool ClipDecoder::hasSound() const
{
    return state_->soundCodec != nullptr;
}

QString ClipDecoder::soundRefused() const
{
    return state_->soundRefused;
}

QByteArray ClipDecoder::takeSound()
{
    return std::exchange(state_->sound, QByteArray());
}

namespace {

// The clip a context that speaks belongs to, by its own `opaque` or its
// parent's; else the clip this thread decodes, if any.
ClipVoice::Heard clipOf(void* context)
{
    for (int depth = 0; context && depth < 4; ++depth) {
        const AVClass* kind = *static_cast<const AVClass* const*>(context);
        const void* opaque = nullptr;
        if (!kind)
            break;
        if (kind == avformat_get_class())
            opaque = static_cast<const AVFormatContext*>(context)->opaque;
        else if (kind == avcodec_get_class())
            opaque = static_cast<const AVCodecContext*>(context)->opaque;
        if (ClipVoice::Heard clip = ClipVoice::find(opaque); !clip.path.isEmpty())
            return clip;
        if (opaque || kind->parent_log_context_offset <= 0)
            break;
        context = *reinterpret_cast<void**>(static_cast<char*>(context) +
                                            kind->parent_log_context_offset);
    }
    return ClipVoice::find(voiceOfThread);
}

void logOnlyErrors(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR || probingHardware())
        return;
    char line[1024];
    // Named by the kind of context that speaks, not by its address: the same
    // message from the next loop's decoder is the same message.
    int prefix = 0;
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &prefix);
    QString text = QString::fromUtf8(line).trimmed();
    if (text.isEmpty())
        return;
    const AVClass* kind = context ? *static_cast<const AVClass* const*>(context) : nullptr;
    if (kind && kind->item_name)
        text = QStringLiteral("[%1] %2").arg(QString::fromUtf8(kind->item_name(context)), text);
    if (const ClipVoice::Heard clip = clipOf(context); clip.messages)
        clip.messages->note(clip.path, text);
}

} // namespace

void quietenFfmpegLog()
{
    av_log_set_level(AV_LOG_ERROR);
    av_log_set_callback(logOnlyErrors);
}

} // namespace tv
