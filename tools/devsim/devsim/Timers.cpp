#include "devsim/Timers.h"

#include <algorithm>
#include <limits>

namespace lorvena::devsim {

void Timers::at(Clock::time_point when, std::function<void()> action)
{
    pending_.emplace(when, std::move(action));
}

int Timers::pollTimeout(Clock::time_point now) const
{
    if (pending_.empty())
        return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(pending_.begin()->first - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, std::numeric_limits<int>::max()));
}

void Timers::runDue(Clock::time_point now)
{
    // One at a time: an action may add (or, through clear, drop) others.
    while (!pending_.empty() && pending_.begin()->first <= now) {
        std::function<void()> action = std::move(pending_.begin()->second);
        pending_.erase(pending_.begin());
        action();
    }
}

} // namespace lorvena::devsim
