#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace tv {

// Runs `work` on a thread of its own that the application owns: the caller
// never waits for it to end. Threads that have ended are joined as others
// start; as the application object goes, the rest are waited for up to
// kReapWaitMs and joined, and one still at work then (a read that hangs) is
// kept until the process ends rather than torn down under it. `work` must end
// soon once its owner asks it to.
void startOwnedThread(std::function<void()> work);

inline constexpr int kReapWaitMs = 3000;

} // namespace tv
