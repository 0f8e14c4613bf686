#pragma once

#include "platform/MessageQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lorvena {

class MainController;

// The console's stand-in for the window's thread: it hands posted messages
// to the controller and runs the work that worker threads hand over.
class ConsoleLoop {
public:
    explicit ConsoleLoop(MessageQueue& queue);

    void attach(MainController& controller) { controller_ = &controller; }

    // Handles messages and handed-over work until `done` holds or `limit`
    // passes; returns whether `done` held.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // For `duration`, then whatever is still queued.
    void pumpFor(std::chrono::milliseconds duration);

    // Runs `work` on the loop's thread and waits for it. From the loop's own
    // thread it runs at once. After close() nothing more runs.
    void runOnLoopThread(const std::function<void()>& work);
    void close();

private:
    bool handleOne(std::chrono::milliseconds wait);

    MessageQueue& queue_;
    MainController* controller_ = nullptr;
    const std::thread::id loopThread_;
    std::mutex workMutex_;
    std::condition_variable workDone_;
    std::deque<std::function<void()>> work_;
    std::atomic<bool> closed_ {false};
};

} // namespace lorvena
