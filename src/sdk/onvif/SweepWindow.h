#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_set>

namespace lorvena::onvif {

// The hosts of the mask mode's sweep whose neighbour lookup may still be
// pending. A probe to an absent host leaves an incomplete entry in the
// kernel's neighbour table until the lookup gives up (three tries a second
// apart by default). That table is shared by every interface and every
// network namespace of the machine and holds 1,024 entries by default: a
// /22 asked all at once fills it, and while it is full the kernel drops
// whatever else needs an entry, our own broadcasts and the answers of other
// programs included, without telling the sender. So at most `capacity` hosts
// are in flight; a host leaves the window when its lookup must have ended
// (`hold` after it was asked: the kernel marks it failed a little after its
// last try) or when it answered.
class SweepWindow {
public:
    using Clock = std::chrono::steady_clock;

    SweepWindow(std::size_t capacity, std::chrono::milliseconds hold);

    // How many more hosts may be asked now.
    std::size_t room(Clock::time_point now);
    void asked(std::uint32_t host, Clock::time_point now);
    // The host's lookup has resolved: it answered from that address.
    void answered(std::uint32_t host);
    std::size_t inFlight() const { return inFlight_.size(); }

private:
    struct Asked {
        std::uint32_t host;
        Clock::time_point when;
    };
    // Drops the front entries of hosts that answered meanwhile.
    void skipAnswered();

    std::size_t capacity_;
    std::chrono::milliseconds hold_;
    std::deque<Asked> order_; // oldest first
    std::unordered_set<std::uint32_t> inFlight_;
};

} // namespace lorvena::onvif
