#include "discovery/ReplyQueues.h"

namespace lorvena {

std::deque<ReplyBuffer>& ReplyQueues::queue(ReplyKind kind)
{
    switch (kind) {
    case ReplyKind::OldMode:
        return oldModeReplyQueue_;
    case ReplyKind::Basic:
        return basicReplyQueue_;
    case ReplyKind::Extended:
        break;
    }
    return extendedReplyQueue_;
}

void ReplyQueues::appendAll(ReplyKind kind, std::vector<ReplyBuffer>& replies)
{
    {
        std::lock_guard lock(queueLock_);
        auto& queued = queue(kind);
        for (ReplyBuffer& reply : replies)
            queued.push_back(std::move(reply));
    }
    replies.clear();
}

std::optional<ReplyBuffer> ReplyQueues::takeOldest(ReplyKind kind)
{
    std::lock_guard lock(queueLock_);
    auto& replies = queue(kind);
    if (replies.empty())
        return std::nullopt;
    ReplyBuffer oldest = std::move(replies.front());
    replies.pop_front();
    return oldest;
}

std::size_t ReplyQueues::length(ReplyKind kind)
{
    std::lock_guard lock(queueLock_);
    return queue(kind).size();
}

void ReplyQueues::clearAll()
{
    std::lock_guard lock(queueLock_);
    oldModeReplyQueue_.clear();
    basicReplyQueue_.clear();
    extendedReplyQueue_.clear();
}

} // namespace lorvena
