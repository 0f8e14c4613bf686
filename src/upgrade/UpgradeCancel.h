#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lorvena {

// Lets the window stop an upgrade worker that it is about to outlive: the
// sized loops stop sending, every wait of the worker ends early, and a
// socket the worker is blocked on is shut down.
class UpgradeCancel {
public:
    // keepRunning: cleared once cancel() was called.
    bool keepRunning() const { return !cancelled_.load(); }
    void cancel();

    // Waits `duration` unless cancelled first; false when cancelled.
    bool sleepFor(std::chrono::milliseconds duration);

    // The socket the worker is using now (-1: none); cancel() shuts it down.
    void watchSocket(int descriptor);
    void forgetSocket() { watchSocket(-1); }

private:
    std::atomic<bool> cancelled_ {false};
    std::mutex mutex_;
    std::condition_variable wake_;
    int socket_ = -1;
};

} // namespace lorvena
