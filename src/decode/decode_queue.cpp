#include "decode/decode_queue.h"

#include <QCoreApplication>
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
    // Guarded by `mutex`, as is every lane's state; `wake` tells the workers
    // that a decode waits or the queue stops.
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::shared_ptr<Lane>> lanes; // those with a decode waiting
    int running = 0;
    bool quit = false;
    std::multiset<Clock::time_point> started; // of the decodes under way
    int workers = 0;

    // Only the queue's owner's thread starts and joins them.
    std::vector<std::thread> threads;
};

DecodeQueue::DecodeQueue() : state_(std::make_shared<State>())
{
    const std::lock_guard lock(state_->mutex);
    for (int i = 0; i < kWorkers; ++i)
        startWorker();
}

DecodeQueue::~DecodeQueue()
{
    stop();
}

// The caller holds the mutex.
void DecodeQueue::startWorker()
{
    ++state_->workers;
    state_->threads.emplace_back([state = state_] { work(state); });
}

void DecodeQueue::stop()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->quit = true;
        for (const auto& lane : state_->lanes)
            lane->waiting.reset();
        state_->lanes.clear();
    }
    state_->wake.notify_all();
    for (std::thread& worker : state_->threads)
        if (worker.joinable())
            worker.join();
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
        if (!lane->receiver || state_->quit)
            return;
        lane->waiting = Request{ticket, path, drawn, dueMs};
        if (std::find(state_->lanes.begin(), state_->lanes.end(), lane) == state_->lanes.end())
            state_->lanes.push_back(lane);
        if (state_->running == state_->workers && state_->workers < kMostWorkers &&
            Clock::now() - *state_->started.begin() > kStuckAfter)
            startWorker();
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

void DecodeQueue::work(const std::shared_ptr<State>& shared)
{
    State& state = *shared;
    std::unique_lock lock(state.mutex);
    while (true) {
        std::shared_ptr<Lane> next;
        state.wake.wait(lock, [&] {
            next.reset();
            if (state.quit)
                return true;
            for (const auto& lane : state.lanes)
                if (!lane->running && (!next || lane->waiting->dueMs < next->waiting->dueMs))
                    next = lane;
            return next != nullptr;
        });
        if (state.quit)
            return;
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
