#include "cli/ConsoleView.h"

#include "platform/TerminalText.h"

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
    // A message may carry a device's text: printed, it must not drive the
    // terminal. Its own line breaks (a batch's summary) stay line breaks.
    std::string_view rest = text;
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        std::cout << printableText(rest.substr(0, end)) << '\n';
        rest.remove_prefix(end + 1);
    }
    std::cout << printableText(rest) << std::endl;
}

bool ConsoleView::askOkCancel(std::string_view text)
{
    messages_.emplace_back(text);
    std::cout << printableText(text) << std::endl;
    return answerYes_;
}

void ConsoleView::showNote(std::string_view text)
{
    progress_.finish();
    std::cerr << "lorvena-cli: " << printableText(text) << std::endl;
}

void ConsoleView::setChecked(ControlId id, bool ticked)
{
    if (ticked)
        checked_.insert(id);
    else
        checked_.erase(id);
}

int ConsoleView::runBusyDialog(BusyPicture picture)
{
    busy_ = true;
    busyResult_ = 0;
    const bool searching = picture == BusyPicture::Searching;
    bool ended = loop_.pumpUntil([this] { return !busy_; }, searching ? searchBusyLimit_ : busyLimit);
    busy_ = false;
    if (!ended && searching) {
        std::cerr << "lorvena-cli: the ONVIF discovery did not end; cancelled" << std::endl;
        busyResult_ = busyCancelled;
    }
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
    std::cout << printableText(url) << std::endl;
}

} // namespace lorvena
