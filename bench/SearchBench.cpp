// Searches and reports how the tool coped with a burst of replies: the share
// of the expected devices listed, the time from the broadcast to the last
// listed row, and the replies the receive sockets dropped. Side by side in
// each run, a plain receiver sends the same requests from one socket and
// reads every datagram: the time its last one arrived is what the network
// and the devices allow, the floor for the tool's last row. Run it inside
// a lab with simulated devices (bench/run_bench.sh does).
// Usage: lorvena_search_bench --mode old|new --expect N [--wait S] [--runs R]

#include "BenchFigures.h"

#include "cli/ConsoleView.h"
#include "control/MainController.h"
#include "discovery/SearchPackets.h"
#include "platform/LocalAddresses.h"
#include "platform/MessageQueue.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace lorvena;
using namespace lorvena::bench;

// The console view, noting when each row was listed.
class TimingView final : public ConsoleView {
public:
    using ConsoleView::ConsoleView;
    void rowAppended(std::size_t) override { lastRow = Clock::now(); }
    Clock::time_point lastRow {};
};

struct SearchRun {
    std::size_t listed = 0;
    double lastRowMs = 0;
    std::uint64_t dropped = 0;
};

SearchRun toolSearch(int searchMode, std::size_t expected, std::chrono::milliseconds wait)
{
    MessageQueue queue;
    ConsoleLoop loop(queue);
    TimingView view(loop);
    MainController controller(searchMode, {view, queue, localIpv4Addresses});
    controller.initialise();
    Clock::time_point broadcast = Clock::now();
    controller.search();

    // Receive until every expected device is listed or the wait runs out.
    Clock::time_point deadline = broadcast + wait;
    while (controller.table().rowCount() < expected && Clock::now() < deadline) {
        if (auto message = queue.take(std::chrono::milliseconds(50)))
            controller.handleMessage(*message);
    }
    SearchRun run;
    run.listed = controller.table().rowCount();
    run.dropped = controller.discovery().droppedDatagrams();
    controller.shutdownSearch();
    if (view.lastRow != Clock::time_point {})
        run.lastRowMs = std::chrono::duration<double, std::milli>(view.lastRow - broadcast).count();
    return run;
}

// The first local address that is not loopback: where the devices are.
std::uint32_t labAddress()
{
    for (std::uint32_t address : localIpv4Addresses()) {
        if ((address >> 24) != 127)
            return address;
    }
    return 0x7F000001;
}

UniqueFd broadcastSocket(std::uint32_t local)
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    int on = 1, size = 32 * 1024 * 1024;
    setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(local);
    bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return socket;
}

// The same requests from one socket each; every datagram read as it comes.
// Returns the time of the last of `expected` datagrams (or of the last one
// that came before the wait ran out).
double plainSearch(int searchMode, std::size_t expected, std::chrono::milliseconds wait)
{
    std::uint32_t local = labAddress();
    sockaddr_in everyone {};
    everyone.sin_family = AF_INET;
    everyone.sin_port = htons(DiscoveryHeader::port);
    everyone.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    auto send = [&](int socket, const auto& request) {
        sendto(socket, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&everyone),
            sizeof everyone);
    };

    std::vector<UniqueFd> sockets;
    sockets.push_back(broadcastSocket(local));
    Clock::time_point broadcast = Clock::now();
    if (searchMode == 0) {
        send(sockets[0].get(), buildOldModeSearchRequest(local));
    } else {
        sockets.push_back(broadcastSocket(local));
        send(sockets[0].get(), buildBasicSearchRequest(local));
        send(sockets[1].get(), buildExtendedSearchRequest());
        expected *= 2; // every device answers both requests
    }

    std::size_t received = 0;
    Clock::time_point last = broadcast, deadline = broadcast + wait;
    std::vector<std::uint8_t> buffer(2048);
    while (received < expected && Clock::now() < deadline) {
        bool any = false;
        for (const UniqueFd& socket : sockets) {
            while (recv(socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT) > 0) {
                ++received;
                last = Clock::now();
                any = true;
            }
        }
        if (!any)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return std::chrono::duration<double, std::milli>(last - broadcast).count();
}

} // namespace

int main(int argc, char** argv)
{
    int searchMode = 1;
    std::size_t expected = 0;
    double waitSeconds = 10;
    std::size_t runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--mode") == 0)
            searchMode = std::strcmp(argv[i + 1], "old") == 0 ? 0 : 1;
        else if (std::strcmp(argv[i], "--expect") == 0)
            expected = static_cast<std::size_t>(std::atol(argv[i + 1]));
        else if (std::strcmp(argv[i], "--wait") == 0)
            waitSeconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    if (expected == 0) {
        std::fprintf(stderr, "search_bench: --expect N is needed\n");
        return 2;
    }
    auto wait = std::chrono::milliseconds(static_cast<long>(waitSeconds * 1000));

    std::vector<double> share, lastRow, plainLast;
    std::uint64_t dropped = 0;
    for (std::size_t run = 0; run < runs; ++run) {
        SearchRun tool = toolSearch(searchMode, expected, wait);
        share.push_back(100.0 * static_cast<double>(tool.listed) / static_cast<double>(expected));
        lastRow.push_back(tool.lastRowMs);
        dropped += tool.dropped;
        plainLast.push_back(plainSearch(searchMode, expected, wait));
    }
    std::string what = "search " + grouped(expected) + " devices, " + (searchMode == 0 ? "old" : "new") + " mode: ";
    printFigure(what + "listed", median(share), "%", runs);
    printFigure(what + "broadcast to last row", median(lastRow), "ms", runs,
        ratioTo(median(lastRow), median(plainLast), "plain receiver's last datagram", "ms"), 0);
    printFigure(what + "replies dropped, all runs together", static_cast<double>(dropped), "replies", runs, {}, 0);
    return 0;
}
