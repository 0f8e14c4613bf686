#pragma once

#include <chrono>
#include <functional>
#include <map>

namespace lorvena::devsim {

// Actions due at given times, run by the simulator's thread between its
// polls: the steps of a simulated restart, a video server's progress
// messages. An action may schedule further ones.
class Timers {
public:
    using Clock = std::chrono::steady_clock;

    void at(Clock::time_point when, std::function<void()> action);
    void after(std::chrono::milliseconds delay, std::function<void()> action)
    {
        at(Clock::now() + delay, std::move(action));
    }

    // Milliseconds until the next action is due (rounded up), 0 when one is
    // due already, -1 when none is pending: poll()'s timeout.
    int pollTimeout(Clock::time_point now) const;
    // Runs every action due at `now`, earliest first.
    void runDue(Clock::time_point now);
    bool empty() const { return pending_.empty(); }
    void clear() { pending_.clear(); }

private:
    std::multimap<Clock::time_point, std::function<void()>> pending_;
};

} // namespace lorvena::devsim
