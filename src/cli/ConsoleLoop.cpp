#include "cli/ConsoleLoop.h"

#include "control/MainController.h"

namespace lorvena {

namespace {
// How often the loop looks for handed-over work while no message arrives.
constexpr std::chrono::milliseconds workPoll {5};
} // namespace

ConsoleLoop::ConsoleLoop(MessageQueue& queue) : queue_(queue), loopThread_(std::this_thread::get_id()) {}

bool ConsoleLoop::handleOne(std::chrono::milliseconds wait)
{
    std::function<void()> work;
    {
        std::lock_guard lock(workMutex_);
        if (!work_.empty()) {
            work = std::move(work_.front());
            work_.pop_front();
        }
    }
    if (work) {
        work();
        return true;
    }
    if (auto message = queue_.take(std::min(wait, workPoll))) {
        if (controller_)
            controller_->handleMessage(*message);
        return true;
    }
    return false;
}

bool ConsoleLoop::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        handleOne(left);
    }
    return true;
}

void ConsoleLoop::pumpFor(std::chrono::milliseconds duration)
{
    pumpUntil([] { return false; }, duration);
    while (handleOne(std::chrono::milliseconds(0))) {
    }
}

void ConsoleLoop::runOnLoopThread(const std::function<void()>& work)
{
    if (std::this_thread::get_id() == loopThread_) {
        work();
        return;
    }
    auto finished = std::make_shared<bool>(false);
    {
        std::lock_guard lock(workMutex_);
        if (closed_)
            return;
        work_.push_back([this, work, finished] {
            work();
            std::lock_guard done(workMutex_);
            *finished = true;
            workDone_.notify_all();
        });
    }
    std::unique_lock lock(workMutex_);
    workDone_.wait(lock, [&] { return *finished || closed_; });
}

void ConsoleLoop::close()
{
    std::lock_guard lock(workMutex_);
    closed_ = true;
    work_.clear();
    workDone_.notify_all();
}

} // namespace lorvena
