#include "sdk/onvif/SweepWindow.h"

#include <algorithm>

namespace lorvena::onvif {

SweepWindow::SweepWindow(std::size_t capacity, std::chrono::milliseconds hold)
    : capacity_(std::max<std::size_t>(1, capacity)), hold_(hold)
{
}

void SweepWindow::skipAnswered()
{
    while (!order_.empty() && inFlight_.count(order_.front().host) == 0)
        order_.pop_front();
}

std::size_t SweepWindow::room(Clock::time_point now)
{
    for (skipAnswered(); !order_.empty() && order_.front().when + hold_ <= now; skipAnswered()) {
        inFlight_.erase(order_.front().host);
        order_.pop_front();
    }
    return inFlight_.size() >= capacity_ ? 0 : capacity_ - inFlight_.size();
}

void SweepWindow::asked(std::uint32_t host, Clock::time_point now)
{
    // Each host is asked once per search; asking it again only renews it.
    if (!inFlight_.insert(host).second)
        std::erase_if(order_, [host](const Asked& entry) { return entry.host == host; });
    order_.push_back({host, now});
}

void SweepWindow::answered(std::uint32_t host)
{
    inFlight_.erase(host);
}

} // namespace lorvena::onvif
