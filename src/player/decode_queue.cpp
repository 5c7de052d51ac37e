#include "player/decode_queue.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace tv {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWorkers = 2;
// A read that hangs (a network share gone quiet) holds its worker; when every
// worker has been busy this long, another one starts, up to a limit.
constexpr auto kStuckAfter = std::chrono::seconds(2);
constexpr int kMostWorkers = 8;

struct Request {
    quint64 ticket = 0;
    QString path;
    DrawnSize drawn;
    qint64 dueMs = 0;
};

} // namespace

struct DecodeQueue::Lane {
    QObject* receiver = nullptr; // null once closed
    Delivery deliver;
    std::optional<Request> waiting;
    bool running = false;
};

struct DecodeQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::shared_ptr<Lane>> lanes; // those with a decode waiting
    int running = 0;
    int workers = 0;
    std::multiset<Clock::time_point> started; // of the decodes under way
};

DecodeQueue& DecodeQueue::shared()
{
    // Never destroyed: a worker may still be decoding when the program ends.
    static DecodeQueue* queue = new DecodeQueue;
    return *queue;
}

DecodeQueue::DecodeQueue() : state_(new State)
{
    state_->workers = kWorkers;
    for (int i = 0; i < kWorkers; ++i)
        std::thread([this] { work(); }).detach();
}

std::shared_ptr<DecodeQueue::Lane> DecodeQueue::openLane(QObject* receiver, Delivery deliver)
{
    auto lane = std::make_shared<Lane>();
    lane->receiver = receiver;
    lane->deliver = std::move(deliver);
    return lane;
}

void DecodeQueue::close(const std::shared_ptr<Lane>& lane)
{
    const std::lock_guard lock(state_->mutex);
    lane->receiver = nullptr;
    lane->waiting.reset();
    std::erase(state_->lanes, lane);
}

void DecodeQueue::request(const std::shared_ptr<Lane>& lane, quint64 ticket, const QString& path,
                          DrawnSize drawn, qint64 dueMs)
{
    {
        const std::lock_guard lock(state_->mutex);
        if (!lane->receiver)
            return;
        lane->waiting = Request{ticket, path, drawn, dueMs};
        if (std::find(state_->lanes.begin(), state_->lanes.end(), lane) == state_->lanes.end())
            state_->lanes.push_back(lane);
        if (state_->running == state_->workers && state_->workers < kMostWorkers &&
            Clock::now() - *state_->started.begin() > kStuckAfter) {
            ++state_->workers;
            std::thread([this] { work(); }).detach();
        }
    }
    state_->wake.notify_one();
}

int DecodeQueue::running() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->running;
}

bool DecodeQueue::busy(const std::shared_ptr<Lane>& lane) const
{
    const std::lock_guard lock(state_->mutex);
    return lane->running || lane->waiting.has_value();
}

void DecodeQueue::work()
{
    State& state = *state_;
    std::unique_lock lock(state.mutex);
    while (true) {
        std::shared_ptr<Lane> next;
        state.wake.wait(lock, [&] {
            next.reset();
            for (const auto& lane : state.lanes)
                if (!lane->running && (!next || lane->waiting->dueMs < next->waiting->dueMs))
                    next = lane;
            return next != nullptr;
        });
        const Request request = std::move(*next->waiting);
        next->waiting.reset();
        next->running = true;
        ++state.running;
        const auto began = state.started.insert(Clock::now());
        std::erase(state.lanes, next);
        lock.unlock();

        const DecodedItem decoded = decodePicture(request.path, request.drawn);

        lock.lock();
        next->running = false;
        --state.running;
        state.started.erase(began);
        if (next->receiver) {
            // Posted while the lane is known open; closing takes the same
            // lock, so nothing reaches a receiver after it closed its lane.
            QMetaObject::invokeMethod(
                next->receiver,
                [deliver = next->deliver, ticket = request.ticket, decoded] {
                    deliver(ticket, decoded);
                },
                Qt::QueuedConnection);
        }
        state.wake.notify_all();
    }
}

} // namespace tv
