#pragma once

#include "platform/WindowMessage.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace lorvena {

// A thread-safe message queue: any thread posts, one thread (the console
// loop, or a test) takes the messages out in order.
class MessageQueue final : public MessagePoster {
public:
    void post(WindowMessage message) override;

    std::optional<WindowMessage> tryTake();
    // Waits at most `timeout` for a message.
    std::optional<WindowMessage> take(std::chrono::milliseconds timeout);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable available_;
    std::deque<WindowMessage> messages_;
};

} // namespace lorvena
