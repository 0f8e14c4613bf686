#include "platform/MessageQueue.h"

namespace lorvena {

void MessageQueue::post(WindowMessage message)
{
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(std::move(message));
    }
    available_.notify_one();
}

std::optional<WindowMessage> MessageQueue::tryTake()
{
    return take(std::chrono::milliseconds(0));
}

std::optional<WindowMessage> MessageQueue::take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!available_.wait_for(lock, timeout, [this] { return !messages_.empty(); }))
        return std::nullopt;
    WindowMessage message = std::move(messages_.front());
    messages_.pop_front();
    return message;
}

std::size_t MessageQueue::size() const
{
    std::lock_guard lock(mutex_);
    return messages_.size();
}

} // namespace lorvena
