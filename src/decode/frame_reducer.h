#pragma once

#include <QImage>

extern "C" {
#include <libavutil/pixfmt.h>
struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;
struct SwsContext;
}

namespace tv {

// The colour matrix a frame is read with: its own tag, or for an untagged
// frame the usual rule: HD and larger are BT.709, smaller ones BT.601.
AVColorSpace shownColourspace(AVColorSpace tagged, int height);
// The same, as swscale numbers it.
int swsColourspace(AVColorSpace tagged, int height);
// The pixel formats FFmpeg names twice, once for full range: swscale and
// zimg want the plain name, and the range told apart (set, never cleared).
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange);
// Wires `graph` from a buffer source (its arguments in `source`) through
// `chain` to a buffer sink and configures it; false when any step fails.
bool makeFilterChain(AVFilterGraph* graph, const char* source, const char* chain,
                     AVFilterContext** in, AVFilterContext** out);

// Reduces video frames and pictures to the size they are drawn at through
// zimg (FFmpeg's zscale): lanczos on every plane, the chroma placed where the
// stream says it lies, the colours then converted by swscale. swscale's reductions alias fine
// detail (a 1-pixel grid becomes moiré) and upsample the chroma cheaply; zimg's cost no more on a
// display's CPU. Frames drawn at their own size or larger are left to
// swscale's fast path.
class FrameReducer {
public:
    FrameReducer() = default;
    ~FrameReducer();
    FrameReducer(const FrameReducer&) = delete;
    FrameReducer& operator=(const FrameReducer&) = delete;

    // Writes `frame` reduced to the size of `image` into it; false when zimg
    // cannot take the frame (a 4:2:0 frame of an odd size, say), and then
    // the caller converts it another way.
    bool reduce(const AVFrame* frame, QImage* image);

    // A picture (RGB32) reduced to `target` the same way; null when it
    // cannot be.
    static QImage reduced(const QImage& picture, QSize target);

private:
    bool build(const AVFrame* frame, QSize target);
    void release();

    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* in_ = nullptr;
    AVFilterContext* out_ = nullptr;
    AVFrame* reduced_ = nullptr;
    SwsContext* colours_ = nullptr;
    // What the graph was built for; a frame that differs builds it anew.
    struct Made {
        int width = 0, height = 0, format = -1, colourspace = -1, range = -1, siting = -1;
        QSize target;
        bool operator==(const Made&) const = default;
    } made_;
    bool failed_ = false; // zimg refused this kind of frame
};

} // namespace tv
