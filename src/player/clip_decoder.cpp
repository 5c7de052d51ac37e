#include "player/clip_decoder.h"

#include "player/hardware_decoding.h"
#include "player/media_open.h"
#include "player/operator_log.h"

#include <QTransform>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

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
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tv {

namespace {

constexpr int kIoBufferBytes = 64 * 1024;

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// The clip's bytes, read from its checked handle at positions of our own, so
// that nothing reopens the file by its name.
struct Source {
    MediaHandle file;
    qint64 position = 0;
    const std::atomic<bool>* cancel = nullptr;

    static int read(void* opaque, uint8_t* buffer, int size)
    {
        auto* source = static_cast<Source*>(opaque);
        if (source->cancel->load())
            return AVERROR_EXIT;
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

// The pixel formats FFmpeg names twice, once for full range: swscale wants
// the plain name and the range told apart.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        *fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        *fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        *fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        *fullRange = true;
        return AV_PIX_FMT_YUV440P;
    default:
        return format;
    }
}

// The stream's colour matrix, as swscale numbers it; untagged streams follow
// the usual rule: HD and larger are BT.709, smaller ones BT.601.
int swsColourspace(AVColorSpace space, int height)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_ITU601;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

// Quarter turns clockwise to show the stream upright.
int quarterTurns(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0;
    const double counterClockwise =
        av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(counterClockwise))
        return 0;
    const long turns = std::lround(-counterClockwise / 90.0);
    return int(((turns % 4) + 4) % 4);
}

// A decoder's parameters from its stream, before it is opened.
bool prepareVideo(AVCodecContext* context, void* data)
{
    const auto* stream = static_cast<const AVStream*>(data);
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
    Source source;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    AVFrame* filtered = nullptr;
    AVFrame* onHost = nullptr; // a frame read back from the video hardware
    AVFilterGraph* graph = nullptr;
    AVFilterContext* graphIn = nullptr;
    AVFilterContext* graphOut = nullptr;
    bool deinterlace = false;
    SwsContext* scaler = nullptr;
    int turns = 0;
    AVRational sampleAspect{1, 1};
    bool draining = false;
    bool ended = false;
    double lastSeconds = -1;
    AVStream* soundStream = nullptr;
    AVCodecContext* soundCodec = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* soundFrame = nullptr;
    QByteArray sound;

    ~State()
    {
        av_frame_free(&soundFrame);
        swr_free(&resampler);
        avcodec_free_context(&soundCodec);
        sws_freeContext(scaler);
        avfilter_graph_free(&graph);
        av_frame_free(&onHost);
        av_frame_free(&filtered);
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
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
        AVCodecContext* context = avcodec_alloc_context3(decoder);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (!context || avcodec_parameters_to_context(context, stream->codecpar) < 0 ||
            avcodec_open2(context, decoder, nullptr) < 0 ||
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
        if (avfilter_graph_create_filter(&graphIn, avfilter_get_by_name("buffer"), "in", args,
                                         nullptr, graph) < 0 ||
            avfilter_graph_create_filter(&graphOut, avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, graph) < 0)
            return false;
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = graphIn;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = graphOut;
        const int parsed =
            avfilter_graph_parse_ptr(graph, "bwdif=mode=send_field:parity=auto:deint=interlaced",
                                     &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        return parsed >= 0 && avfilter_graph_config(graph, nullptr) >= 0;
    }

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

ClipDecoder::~ClipDecoder() = default;

std::unique_ptr<ClipDecoder> ClipDecoder::open(const QString& path, const std::atomic<bool>& cancel,
                                               QString* why, bool withSound)
{
    auto state = std::make_unique<State>();
    state->source.file = MediaHandle::open(path);
    state->source.cancel = &cancel;
    if (!state->source.file.isOpen()) {
        *why = state->source.file.problem();
        return nullptr;
    }
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
    state->format->pb = state->io;
    state->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    state->format->interrupt_callback = {&State::interrupted,
                                         const_cast<std::atomic<bool>*>(&cancel)};
    if (const int opened = avformat_open_input(&state->format, nullptr, nullptr, nullptr);
        opened < 0) {
        *why = avError(opened); // the context is freed on failure
        return nullptr;
    }
    if (const int found = avformat_find_stream_info(state->format, nullptr); found < 0) {
        *why = avError(found);
        return nullptr;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(state->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
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
    state->codec = openHardwareDecoder(codec, &prepareVideo, state->stream);
    if (!state->codec) {
        state->codec = avcodec_alloc_context3(codec);
        if (!state->codec || !prepareVideo(state->codec, state->stream)) {
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
    if (!state->packet || !state->decoded || !state->filtered || !state->onHost) {
        *why = QStringLiteral("out of memory");
        return nullptr;
    }
    if (withSound)
        state->openSound();
    state->turns = quarterTurns(state->stream);
    state->sampleAspect = av_guess_sample_aspect_ratio(state->format, state->stream, nullptr);
    state->deinterlace = parameters->field_order != AV_FIELD_PROGRESSIVE &&
                         parameters->field_order != AV_FIELD_UNKNOWN;
    return std::unique_ptr<ClipDecoder>(new ClipDecoder(std::move(state), path));
}

QSize ClipDecoder::shownSize() const
{
    const AVCodecParameters* parameters = state_->stream->codecpar;
    QSize size(parameters->width, parameters->height);
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
    AVRational rate = state_->stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = state_->stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 1.0 / 25;
    const double seconds = double(rate.den) / rate.num;
    return state_->deinterlace ? seconds / 2 : seconds;
}

ClipDecoder::Step ClipDecoder::next(DrawnSize drawn, bool convert, Frame* frame, QString* why)
{
    State& s = *state_;
    AVFrame* picture = nullptr;
    while (true) {
        const int got = s.receive(&picture);
        if (got == 0)
            break;
        if (got == AVERROR_EOF)
            return Step::End;
        if (got != AVERROR(EAGAIN)) {
            *why = avError(got);
            return Step::Failed;
        }
        if (s.draining)
            return Step::End;
        const int read = av_read_frame(s.format, s.packet);
        if (read == AVERROR_EOF) {
            s.draining = true;
            avcodec_send_packet(s.codec, nullptr);
            if (s.soundCodec)
                s.decodeSound(nullptr); // the sound to its very end
            continue;
        }
        if (read < 0) {
            *why = avError(read);
            return Step::Failed;
        }
        if (s.soundStream && s.packet->stream_index == s.soundStream->index)
            s.decodeSound(s.packet);
        if (s.packet->stream_index == s.stream->index) {
            const int sent = avcodec_send_packet(s.codec, s.packet);
            // A damaged packet is skipped, as players do; the decoder says
            // so in the log.
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                av_packet_unref(s.packet);
                *why = avError(sent);
                return Step::Failed;
            }
        }
        av_packet_unref(s.packet);
    }

    const AVRational base = s.graph ? av_buffersink_get_time_base(s.graphOut) : s.stream->time_base;
    // The deinterlacer times each field's frame in pts alone.
    const int64_t stamp = s.graph ? picture->pts : picture->best_effort_timestamp;
    double seconds =
        stamp == AV_NOPTS_VALUE ? s.lastSeconds + frameSeconds() : double(stamp) * av_q2d(base);
    if (s.stream->start_time != AV_NOPTS_VALUE && stamp != AV_NOPTS_VALUE)
        seconds -= double(s.stream->start_time) * av_q2d(s.stream->time_base);
    s.lastSeconds = seconds;
    frame->seconds = seconds;
    frame->image = QImage();
    if (!convert)
        return Step::Frame;

    // Converted straight to the size it is drawn at, before it is turned.
    const QSize shown = decodeSize(shownSize(), drawn);
    const QSize target = s.turns % 2 ? shown.transposed() : shown;
    bool fullRange = picture->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat source = plainFormat(AVPixelFormat(picture->format), &fullRange);
    // Reductions are filtered bicubic, so that fine detail does not shimmer;
    // a frame drawn at its own size or larger takes the fast bilinear path.
    const bool reducing = target.width() < picture->width || target.height() < picture->height;
    s.scaler = sws_getCachedContext(
        s.scaler, picture->width, picture->height, source, target.width(), target.height(),
        AV_PIX_FMT_BGRA, reducing ? SWS_BICUBIC : SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.scaler) {
        *why = QStringLiteral("its pixel format cannot be converted");
        return Step::Failed;
    }
    const int* coefficients =
        sws_getCoefficients(swsColourspace(picture->colorspace, picture->height));
    sws_setColorspaceDetails(s.scaler, coefficients, fullRange ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    QImage image(target, QImage::Format_RGB32);
    if (image.isNull()) {
        *why = QStringLiteral("out of memory");
        return Step::Failed;
    }
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(s.scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    // Turned once, by the clip's own turns and the panel's together.
    if (const int turns = (s.turns + drawn.turns) % 4)
        image = image.transformed(QTransform().rotate(90.0 * turns));
    frame->image = std::move(image);
    return Step::Frame;
}

bool ClipDecoder::rewind()
{
    State& s = *state_;
    if (av_seek_frame(s.format, s.stream->index,
                      s.stream->start_time == AV_NOPTS_VALUE ? 0 : s.stream->start_time,
                      AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(s.format, -1, INT64_MIN, 0, 0, 0) < 0)
        return false;
    avcodec_flush_buffers(s.codec);
    if (s.soundCodec)
        avcodec_flush_buffers(s.soundCodec);
    avfilter_graph_free(&s.graph);
    s.graphIn = s.graphOut = nullptr;
    s.draining = false;
    s.ended = false;
    s.lastSeconds = -1;
    return true;
}

QByteArray ClipDecoder::takeSound()
{
    return std::exchange(state_->sound, QByteArray());
}

namespace {

void logOnlyErrors(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR || probingHardware())
        return;
    static std::mutex mutex;
    static QString last;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &prefix);
    const QString text = escapedForLog(QString::fromUtf8(line).trimmed());
    const std::lock_guard lock(mutex);
    if (text.isEmpty() || text == last)
        return;
    last = text;
    writeLogLine(text);
}

} // namespace

void quietenFfmpegLog()
{
    av_log_set_level(AV_LOG_ERROR);
    av_log_set_callback(logOnlyErrors);
}

} // namespace tv
