#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

namespace lorvena::testing_support {

// A flood of junk datagrams from a thread of its own: `perSecond` of them,
// spread over the targets in turn, until `limit` datagrams or `duration` have
// passed or stop() is called. Only for the test's own network namespace.
// Sizes run from empty to the largest UDP payload; none starts with a search
// magic followed by a reply's command, so none is a reply.
class GarbageSender {
public:
    struct Plan {
        std::vector<sockaddr_in> targets;
        unsigned perSecond = 10000;
        std::size_t limit = 30000;
        std::chrono::milliseconds duration {3000};
    };

    explicit GarbageSender(Plan plan);
    ~GarbageSender();
    GarbageSender(const GarbageSender&) = delete;
    GarbageSender& operator=(const GarbageSender&) = delete;

    // Ends the flood and waits for its thread; returns how many were sent.
    std::size_t stop();
    std::size_t sent() const { return sent_.load(); }

private:
    void run();

    Plan plan_;
    std::atomic<bool> stopRequested_ {false};
    std::atomic<std::size_t> sent_ {0};
    std::thread thread_;
};

} // namespace lorvena::testing_support
