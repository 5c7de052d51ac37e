#include "decode/hardware_decoding.h"

#include <mutex>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/hwcontext.h>
#include <libavutil/pixdesc.h>
}

namespace tv {

namespace {

thread_local bool probing = false;

// What a failed try prints is no news to the operator: the clip plays anyway.
struct Probe {
    Probe() { probing = true; }
    ~Probe() { probing = false; }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
};

// The machine's VA-API device, opened once for every clip; null when it has
// none.
AVBufferRef* vaapiDevice()
{
    static std::once_flag tried;
    static AVBufferRef* device = nullptr;
    std::call_once(tried, [] {
        if (av_hwdevice_ctx_create(&device, AV_HWDEVICE_TYPE_VAAPI, nullptr, nullptr, 0) < 0)
            device = nullptr;
    });
    return device;
}

bool decodesOnVaapi(const AVCodec* codec)
{
    for (int i = 0;; ++i) {
        const AVCodecHWConfig* config = avcodec_get_hw_config(codec, i);
        if (!config)
            return false;
        if (config->device_type == AV_HWDEVICE_TYPE_VAAPI &&
            (config->methods & AV_CODEC_HW_CONFIG_METHOD_HW_DEVICE_CTX))
            return true;
    }
}

// The hardware's format where it can decode the stream; otherwise the first
// software one, so that a profile the hardware lacks (4:4:4, say) still plays.
AVPixelFormat pickFormat(AVCodecContext*, const AVPixelFormat* formats)
{
    const AVPixelFormat* software = nullptr;
    for (const AVPixelFormat* format = formats; *format != AV_PIX_FMT_NONE; ++format) {
        if (*format == AV_PIX_FMT_VAAPI)
            return *format;
        const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(*format);
        if (!software && described && !(described->flags & AV_PIX_FMT_FLAG_HWACCEL))
            software = format;
    }
    return software ? *software : AV_PIX_FMT_NONE;
}

AVCodecContext* opened(const AVCodec* codec, AVBufferRef* device,
                       bool (*prepare)(AVCodecContext*, void*), void* data)
{
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context || !prepare(context, data)) {
        avcodec_free_context(&context);
        return nullptr;
    }
    if (device) {
        context->hw_device_ctx = av_buffer_ref(device);
        context->get_format = pickFormat;
        if (!context->hw_device_ctx) {
            avcodec_free_context(&context);
            return nullptr;
        }
    }
    if (avcodec_open2(context, codec, nullptr) < 0)
        avcodec_free_context(&context);
    return context;
}

} // namespace

bool probingHardware()
{
    return probing;
}

AVCodecContext* openHardwareDecoder(const AVCodec* codec, bool (*prepare)(AVCodecContext*, void*),
                                    void* data)
{
    if (!codec)
        return nullptr;
    const Probe quiet;
    if (decodesOnVaapi(codec))
        if (AVBufferRef* device = vaapiDevice())
            if (AVCodecContext* context = opened(codec, device, prepare, data))
                return context;
    const std::string name = std::string(codec->name) + "_v4l2m2m";
    if (const AVCodec* m2m = avcodec_find_decoder_by_name(name.c_str()))
        return opened(m2m, nullptr, prepare, data);
    return nullptr;
}

bool bringToMemory(AVFrame* frame, AVFrame* scratch)
{
    if (!frame->hw_frames_ctx)
        return true;
    av_frame_unref(scratch);
    if (av_hwframe_transfer_data(scratch, frame, 0) < 0 || av_frame_copy_props(scratch, frame) < 0)
        return false;
    av_frame_unref(frame);
    av_frame_move_ref(frame, scratch);
    return true;
}

} // namespace tv
