#pragma once

#include "discovery/SearchPackets.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace lorvena {

using ReplyBuffer = std::vector<std::uint8_t>;

// The three FIFOs of received replies and `queueLock`. Receivers append; the
// window's thread takes the oldest. A receiver may take queueLock while it
// holds interfaceLock, never the other way round.
class ReplyQueues {
public:
    // Appends every reply of `replies` in order, under one hold of the lock,
    // and leaves `replies` empty.
    void appendAll(ReplyKind kind, std::vector<ReplyBuffer>& replies);
    std::optional<ReplyBuffer> takeOldest(ReplyKind kind);
    std::size_t length(ReplyKind kind);
    void clearAll();

private:
    std::deque<ReplyBuffer>& queue(ReplyKind kind);

    std::mutex queueLock_;
    std::deque<ReplyBuffer> oldModeReplyQueue_;
    std::deque<ReplyBuffer> basicReplyQueue_;
    std::deque<ReplyBuffer> extendedReplyQueue_;
};

} // namespace lorvena
