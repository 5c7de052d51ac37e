#include "base/thread_reaper.h"

#include <QCoreApplication>

#include <chrono>
#include <mutex>
#include <vector>

namespace tv {

namespace {

struct Owned {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
};

struct Reaper {
    std::mutex mutex;
    std::vector<Owned> threads;

    // Joins the threads that have ended; the caller holds the mutex.
    void joinEnded()
    {
        std::erase_if(threads, [](Owned& owned) {
            if (!owned.done->load())
                return false;
            owned.thread.join();
            return true;
        });
    }
};

Reaper& reaper()
{
    static Reaper* owner = new Reaper; // outlives every thread it owns
    return *owner;
}

void joinAtExit()
{
    Reaper& owner = reaper();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReapWaitMs);
    while (true) {
        {
            const std::lock_guard lock(owner.mutex);
            owner.joinEnded();
            if (owner.threads.empty())
                return;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

void startOwnedThread(std::function<void()> work)
{
    static const bool joinsAtExit = [] {
        qAddPostRoutine(joinAtExit);
        return true;
    }();
    Q_UNUSED(joinsAtExit);
    auto done = std::make_shared<std::atomic<bool>>(false);
    Reaper& owner = reaper();
    const std::lock_guard lock(owner.mutex);
    owner.joinEnded();
    owner.threads.push_back({std::thread([work = std::move(work), done] {
                                 work();
                                 done->store(true);
                             }),
                             done});
}

} // namespace tv
