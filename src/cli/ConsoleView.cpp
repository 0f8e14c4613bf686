#include "cli/ConsoleView.h"

#include <chrono>
#include <iostream>

#include <unistd.h>

namespace lorvena {

namespace {
// No batch takes this long: a device that never answers times out in 30 s.
constexpr std::chrono::hours busyLimit {1};
} // namespace

ConsoleView::ConsoleView(ConsoleLoop& loop, bool answerYes)
    : loop_(loop), answerYes_(answerYes), progress_(std::cerr, ::isatty(STDERR_FILENO) == 1)
{
}

void ConsoleView::showUpgradeBar(const UpgradeBar& bar)
{
    if (bar.running && bar.position > 0)
        progress_.show(bar.position);
    else
        progress_.finish();
}

void ConsoleView::showMessage(std::string_view text)
{
    messages_.emplace_back(text);
    progress_.finish();
    std::cout << text << std::endl;
}

bool ConsoleView::askOkCancel(std::string_view text)
{
    messages_.emplace_back(text);
    std::cout << text << std::endl;
    return answerYes_;
}

int ConsoleView::runBusyDialog(BusyPicture)
{
    busy_ = true;
    busyResult_ = 0;
    loop_.pumpUntil([this] { return !busy_; }, busyLimit);
    busy_ = false;
    return busyResult_;
}

void ConsoleView::endBusyDialog(int result)
{
    if (!busy_)
        return;
    busyResult_ = result;
    busy_ = false;
}

void ConsoleView::openUrl(const std::string& url)
{
    std::cout << url << std::endl;
}

} // namespace lorvena
