#include "decode/frame_reducer.h"

#include <cstdio>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace tv {

AVColorSpace shownColourspace(AVColorSpace tagged, int height)
{
    switch (tagged) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return tagged;
    default:
        return height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    }
}

namespace {

const char* matrixName(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT470BG:
        return "470bg";
    case AVCOL_SPC_SMPTE170M:
        return "170m";
    case AVCOL_SPC_FCC:
        return "fcc";
    case AVCOL_SPC_SMPTE240M:
        return "240m";
    case AVCOL_SPC_BT2020_NCL:
        return "2020_ncl";
    case AVCOL_SPC_BT2020_CL:
        return "2020_cl";
    default:
        return "709";
    }
}

// Where the chroma lies; H.264, HEVC and MPEG-2 put it left when they do
// not say.
const char* sitingName(AVChromaLocation siting)
{
    switch (siting) {
    case AVCHROMA_LOC_CENTER:
        return "center";
    case AVCHROMA_LOC_TOPLEFT:
        return "topleft";
    case AVCHROMA_LOC_TOP:
        return "top";
    case AVCHROMA_LOC_BOTTOMLEFT:
        return "bottomleft";
    case AVCHROMA_LOC_BOTTOM:
        return "bottom";
    default:
        return "left";
    }
}

bool isFullRange(const AVFrame* frame)
{
    bool full = frame->color_range == AVCOL_RANGE_JPEG;
    plainFormat(AVPixelFormat(frame->format), &full);
    return full;
}

} // namespace

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

bool makeFilterChain(AVFilterGraph* graph, const char* source, const char* chain,
                     AVFilterContext** in, AVFilterContext** out)
{
    if (avfilter_graph_create_filter(in, avfilter_get_by_name("buffer"), "in", source, nullptr,
                                     graph) < 0 ||
        avfilter_graph_create_filter(out, avfilter_get_by_name("buffersink"), "out", nullptr,
                                     nullptr, graph) < 0)
        return false;
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        return false;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = *in;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = *out;
    const int parsed = avfilter_graph_parse_ptr(graph, chain, &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    return parsed >= 0 && avfilter_graph_config(graph, nullptr) >= 0;
}

int swsColourspace(AVColorSpace tagged, int height)
{
    switch (shownColourspace(tagged, height)) {
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
        return SWS_CS_ITU709;
    }
}

FrameReducer::~FrameReducer()
{
    release();
    sws_freeContext(colours_);
}

void FrameReducer::release()
{
    avfilter_graph_free(&graph_);
    in_ = out_ = nullptr;
    av_frame_free(&reduced_);
}

bool FrameReducer::build(const AVFrame* frame, QSize target)
{
    release();
    graph_ = avfilter_graph_alloc();
    reduced_ = av_frame_alloc();
    if (!graph_ || !reduced_)
        return false;
    // The decoder's threads are busy meanwhile; two more would only contend.
    graph_->nb_threads = 1;
    char args[256];
    std::snprintf(args, sizeof args,
                  "video_size=%dx%d:pix_fmt=%d:time_base=1/90000:pixel_aspect=1/1", frame->width,
                  frame->height, frame->format);
    // Lanczos where detail is lost; where none is, bilinear is as close and
    // costs less.
    const char* filter =
        target.width() < frame->width || target.height() < frame->height ? "lanczos" : "bilinear";
    char chain[256];
    if (av_pix_fmt_desc_get(AVPixelFormat(frame->format))->flags & AV_PIX_FMT_FLAG_RGB) {
        std::snprintf(chain, sizeof chain, "zscale=w=%d:h=%d:filter=%s,format=gbrp", target.width(),
                      target.height(), filter);
    } else {
        // zimg scales the planes and brings the chroma to every pixel, where
        // the stream says it lies; swscale's fast path then only converts
        // the colours: a quarter cheaper than zimg converting them too.
        // The matrix and range out are named as well: left to the frame's
        // tags, an untagged stream would ask zimg for a conversion to an
        // unknown matrix, which it refuses.
        const char* matrix = matrixName(shownColourspace(frame->colorspace, frame->height));
        const char* range = isFullRange(frame) ? "full" : "limited";
        std::snprintf(chain, sizeof chain,
                      "zscale=w=%d:h=%d:filter=%s:min=%s:m=%s:rin=%s:r=%s:cin=%s,format=yuv444p",
                      target.width(), target.height(), filter, matrix, matrix, range, range,
                      sitingName(frame->chroma_location));
    }
    return makeFilterChain(graph_, args, chain, &in_, &out_);
}

QImage FrameReducer::reduced(const QImage& picture, QSize target)
{
    if (picture.format() != QImage::Format_RGB32 || target.isEmpty())
        return {};
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        return {};
    // Qt's RGB32 is FFmpeg's BGR0 in memory, on the little-endian machines
    // displays are.
    frame->format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_0RGB;
    frame->width = picture.width();
    frame->height = picture.height();
    frame->data[0] = const_cast<uchar*>(picture.constBits());
    frame->linesize[0] = int(picture.bytesPerLine());
    QImage image(target, QImage::Format_RGB32);
    FrameReducer reducer;
    const bool done = !image.isNull() && reducer.reduce(frame, &image);
    av_frame_free(&frame);
    return done ? image : QImage();
}

bool FrameReducer::reduce(const AVFrame* frame, QImage* image)
{
    const Made wanted{frame->width,      frame->height,           frame->format,
                      frame->colorspace, int(isFullRange(frame)), frame->chroma_location,
                      image->size()};
    if (!(wanted == made_)) {
        made_ = wanted;
        failed_ = !build(frame, image->size());
    }
    if (failed_)
        return false;
    // The graph takes a reference of its own; the frame stays the caller's.
    if (av_buffersrc_add_frame_flags(in_, const_cast<AVFrame*>(frame), AV_BUFFERSRC_FLAG_KEEP_REF) <
            0 ||
        av_buffersink_get_frame(out_, reduced_) < 0) {
        failed_ = true;
        return false;
    }
    const bool fits = reduced_->width == image->width() && reduced_->height == image->height();
    if (fits && reduced_->format == AV_PIX_FMT_YUV444P) {
        colours_ = sws_getCachedContext(colours_, reduced_->width, reduced_->height,
                                        AV_PIX_FMT_YUV444P, image->width(), image->height(),
                                        AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!colours_) {
            av_frame_unref(reduced_);
            failed_ = true;
            return false;
        }
        sws_setColorspaceDetails(
            colours_, sws_getCoefficients(swsColourspace(frame->colorspace, frame->height)),
            isFullRange(frame) ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
            1 << 16);
        uint8_t* planes[4] = {image->bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image->bytesPerLine()), 0, 0, 0};
        sws_scale(colours_, reduced_->data, reduced_->linesize, 0, reduced_->height, planes,
                  strides);
    } else if (fits && reduced_->format == AV_PIX_FMT_GBRP) {
        for (int y = 0; y < image->height(); ++y) {
            const uint8_t* g = reduced_->data[0] + qsizetype(y) * reduced_->linesize[0];
            const uint8_t* b = reduced_->data[1] + qsizetype(y) * reduced_->linesize[1];
            const uint8_t* r = reduced_->data[2] + qsizetype(y) * reduced_->linesize[2];
            auto* line = reinterpret_cast<quint32*>(image->scanLine(y));
            for (int x = 0; x < image->width(); ++x)
                line[x] = 0xff000000u | quint32(r[x]) << 16 | quint32(g[x]) << 8 | b[x];
        }
    }
    const bool done =
        fits && (reduced_->format == AV_PIX_FMT_YUV444P || reduced_->format == AV_PIX_FMT_GBRP);
    av_frame_unref(reduced_);
    failed_ = !done;
    return done;
}

} // namespace tv
