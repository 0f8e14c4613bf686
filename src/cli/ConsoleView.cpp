#include "cli/ConsoleView.h"

#include <iostream>

namespace lorvena {

void ConsoleView::showMessage(std::string_view text)
{
    std::cerr << text << '\n';
}

void ConsoleView::openUrl(const std::string& url)
{
    std::cout << url << '\n';
}

void pumpMessages(MainController& controller, MessageQueue& queue, std::chrono::milliseconds duration)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + duration;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        if (auto message = queue.take(left))
            controller.handleMessage(*message);
    }
    while (auto message = queue.tryTake())
        controller.handleMessage(*message);
}

} // namespace lorvena
