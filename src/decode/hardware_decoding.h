#pragma once

extern "C" {
struct AVCodec;
struct AVCodecContext;
struct AVFrame;
}

namespace tv {

// A decoder context for `codec`, opened to decode on the video hardware:
// through VA-API where the machine has a device for it, else through a V4L2
// memory-to-memory decoder (single-board computers). Null when there is
// none, or it cannot open this stream: the caller decodes in software, and
// the log hears nothing of the attempt. `prepare` fills a fresh context's
// parameters before it is opened.
AVCodecContext* openHardwareDecoder(const AVCodec* codec, bool (*prepare)(AVCodecContext*, void*),
                                    void* data);

// Brings a frame decoded on the hardware into memory, in place; frames
// decoded in software are left alone. False when it cannot be read back.
bool bringToMemory(AVFrame* frame, AVFrame* scratch);

// Whether FFmpeg's messages are being held back on this thread, while a
// device is being tried.
bool probingHardware();

} // namespace tv
