// Searches once and reports how the tool coped with a burst of replies:
// devices listed out of those expected, the time from the broadcast to the
// last listed row, and the process's peak memory. Run it inside a lab with
// simulated devices (bench/search_bench.sh does).

#include "cli/ConsoleView.h"
#include "control/MainController.h"
#include "platform/LocalAddresses.h"
#include "platform/MessageQueue.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace lorvena;
using Clock = std::chrono::steady_clock;

// The console view, noting when each row was listed.
class TimingView final : public ConsoleView {
public:
    using ConsoleView::ConsoleView;
    void rowAppended(std::size_t) override { lastRow = Clock::now(); }
    Clock::time_point lastRow {};
};

} // namespace

int main(int argc, char** argv)
{
    int searchMode = 1;
    long expected = 0;
    double waitSeconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--mode") == 0)
            searchMode = std::strcmp(argv[i + 1], "old") == 0 ? 0 : 1;
        else if (std::strcmp(argv[i], "--expect") == 0)
            expected = std::atol(argv[i + 1]);
        else if (std::strcmp(argv[i], "--wait") == 0)
            waitSeconds = std::atof(argv[i + 1]);
    }

    MessageQueue queue;
    ConsoleLoop loop(queue);
    TimingView view(loop);
    MainController controller(searchMode, {view, queue, localIpv4Addresses});
    controller.initialise();
    Clock::time_point broadcast = Clock::now();
    controller.search();

    // Receive until every expected device is listed or the wait runs out.
    Clock::time_point deadline = broadcast + std::chrono::milliseconds(static_cast<long>(waitSeconds * 1000));
    while (static_cast<long>(controller.table().rowCount()) < expected && Clock::now() < deadline) {
        if (auto message = queue.take(std::chrono::milliseconds(50)))
            controller.handleMessage(*message);
    }
    controller.shutdownSearch();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    double lastRowMs = view.lastRow == Clock::time_point {}
        ? 0.0
        : std::chrono::duration<double, std::milli>(view.lastRow - broadcast).count();
    std::printf("mode %s  devices listed %zu / %ld  last row after %.0f ms  peak memory %.1f MiB\n",
        searchMode == 0 ? "old" : "new", controller.table().rowCount(), expected, lastRowMs,
        static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
