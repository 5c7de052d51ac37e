#include "decode/frame_pool.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace tv {

// The free buffers, shared by the pool and every image still out: an image
// may outlive its pool. Guarded by `mutex`, since images are let go on the
// screen's thread while the decoder takes new ones.
struct FramePool::Shelf {
    std::mutex mutex;
    QSize size; // the size of every buffer on the shelf
    std::vector<uchar*> buffers;
    bool closed = false; // the pool is gone: buffers are freed, not kept
};

namespace {

struct Lent {
    std::shared_ptr<FramePool::Shelf> shelf;
    uchar* buffer;
    QSize size;
};

void giveBack(void* info)
{
    auto* lent = static_cast<Lent*>(info);
    {
        FramePool::Shelf& shelf = *lent->shelf;
        const std::lock_guard lock(shelf.mutex);
        if (!shelf.closed && lent->size == shelf.size &&
            shelf.buffers.size() < std::size_t(FramePool::kKeptBuffers)) {
            shelf.buffers.push_back(lent->buffer);
            lent->buffer = nullptr;
        }
    }
    std::free(lent->buffer);
    delete lent;
}

} // namespace

FramePool::FramePool() : shelf_(std::make_shared<Shelf>()) {}

FramePool::~FramePool()
{
    const std::lock_guard lock(shelf_->mutex);
    shelf_->closed = true;
    for (uchar* buffer : shelf_->buffers)
        std::free(buffer);
    shelf_->buffers.clear();
}

QImage FramePool::take(QSize size)
{
    if (size.isEmpty())
        return {};
    const qsizetype stride = paddedLineBytes(qsizetype(size.width()) * 4);
    uchar* buffer = nullptr;
    {
        const std::lock_guard lock(shelf_->mutex);
        if (shelf_->size != size) {
            for (uchar* old : shelf_->buffers)
                std::free(old);
            shelf_->buffers.clear();
            shelf_->size = size;
        }
        if (!shelf_->buffers.empty()) {
            buffer = shelf_->buffers.back();
            shelf_->buffers.pop_back();
        }
    }
    if (!buffer)
        buffer = static_cast<uchar*>(
            std::aligned_alloc(kLineAlignment, std::size_t(stride * size.height() + kSpareBytes)));
    if (!buffer)
        return {};
    auto* lent = new Lent{shelf_, buffer, size};
    return QImage(buffer, size.width(), size.height(), stride, QImage::Format_RGB32, &giveBack,
                  lent);
}

} // namespace tv
