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

// Workers that did not end within the wait of a stop: kept, never detached,
// until the process ends.
std::vector<std::thread>* outlived = nullptr;

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
    std::condition_variable ended;
    std::vector<std::shared_ptr<Lane>> lanes; // those with a decode waiting
    int running = 0;
    bool quit = false;
    std::multiset<Clock::time_point> started; // of the decodes under way
    std::vector<std::thread> threads;
    std::vector<bool> done; // by worker, as threads
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

void DecodeQueue::startWorker()
{
    const std::size_t index = state_->threads.size();
    state_->done.push_back(false);
    state_->threads.emplace_back([state = state_, index] {
        work(state);
        const std::lock_guard lock(state->mutex);
        state->done[index] = true;
        state->ended.notify_all();
    });
}

bool DecodeQueue::stop()
{
    std::unique_lock lock(state_->mutex);
    state_->quit = true;
    for (const auto& lane : state_->lanes)
        lane->waiting.reset();
    state_->lanes.clear();
    state_->wake.notify_all();
    const auto allDone = [this] {
        return std::all_of(state_->done.begin(), state_->done.end(), [](bool d) { return d; });
    };
    const bool ended =
        state_->ended.wait_for(lock, std::chrono::milliseconds(kStopWaitMs), allDone);
    std::vector<std::thread> threads = std::move(state_->threads);
    const std::vector<bool> done = state_->done;
    state_->threads.clear();
    lock.unlock();
    for (std::size_t i = 0; i < threads.size(); ++i) {
        if (done[i]) {
            threads[i].join();
            continue;
        }
        if (!outlived)
            outlived = new std::vector<std::thread>;
        outlived->push_back(std::move(threads[i]));
    }
    return ended;
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
        if (state_->running == int(state_->threads.size()) &&
            int(state_->threads.size()) < kMostWorkers &&
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
