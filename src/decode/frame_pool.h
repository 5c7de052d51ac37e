#pragma once

#include <QImage>

#include <memory>

namespace tv {

// Images for converted video frames, made of buffers that are used again.
// swscale's SIMD code writes whole blocks past the end of a line (8 bytes
// past one whose width is a multiple of 8 but not of 16), so every line is
// padded to a 64-byte boundary and each buffer has a spare block after its
// last line. A buffer goes back to the pool when the last image made of it
// is let go, on whatever thread that is, so steady playing allocates nothing
// and touches no new page of memory.
class FramePool {
public:
    FramePool();
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // An RGB32 image of `size`, its contents undefined; null when memory is
    // short.
    QImage take(QSize size);

    static constexpr int kLineAlignment = 64;
    // A line of `bytes`, padded to the alignment.
    static constexpr qsizetype paddedLineBytes(qsizetype bytes)
    {
        return (bytes + kLineAlignment - 1) / kLineAlignment * kLineAlignment;
    }
    static constexpr int kSpareBytes = 64;
    // Free buffers kept for reuse: the frame being converted, the one in the
    // mailbox and the one on the screen are what steady playing holds.
    static constexpr int kKeptBuffers = 4;

    struct Shelf;

private:
    std::shared_ptr<Shelf> shelf_;
};

} // namespace tv
