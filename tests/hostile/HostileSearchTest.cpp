// Searches while devices and strangers misbehave on the wire, through real
// sockets inside the test's own loopback network namespace: a flood of junk
// datagrams, and replies without terminators or of every awkward length.

#include "hostile/GarbageSender.h"
#include "network/SearchFixture.h"

#include "discovery/SearchPackets.h"
#include "platform/LocalAddresses.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <map>
#include <optional>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using devsim::Fault;
using devsim::FaultKind;
using devsim::SimulatedDevice;
using testing_support::GarbageSender;
using testing_support::makeDevice;

class HostileSearch : public testing_support::SearchFixture {
protected:
    // Where the tool's search sockets receive replies: the source address
    // and port of its requests.
    std::vector<sockaddr_in> toolReplyEndpoints()
    {
        std::vector<sockaddr_in> endpoints;
        InterfaceSockets& sockets = controller->discovery().sockets();
        std::lock_guard lock(sockets.interfaceLock());
        for (SocketFamily family : {SocketFamily::Basic, SocketFamily::Extended}) {
            for (const InterfaceSocket& entry : sockets.list(family)) {
                sockaddr_in address {};
                socklen_t length = sizeof address;
                if (entry.socket >= 0
                    && getsockname(entry.socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
                    endpoints.push_back(address);
            }
        }
        return endpoints;
    }

    // Like pumpUntil, keeping the longest time one message held the
    // window's thread.
    bool pumpTiming(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            if (auto message = queue.take(std::min(left, 50ms))) {
                auto started = std::chrono::steady_clock::now();
                controller->handleMessage(*message);
                longestMessage = std::max(longestMessage, std::chrono::steady_clock::now() - started);
            }
        }
        return true;
    }

    std::chrono::steady_clock::duration longestMessage {};
};

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in result {};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address);
    result.sin_port = htons(port);
    return result;
}

// Ten thousand junk datagrams a second at the tool's reply sockets and at the
// devices' port while a search runs: the one real device is listed, nothing
// else is, no junk waits in a queue and no socket is given up.
TEST_F(HostileSearch, JunkFloodDuringASearchStillListsTheRealDevice)
{
    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    InterfaceSockets& sockets = controller->discovery().sockets();
    sockets.refreshSockets(SocketFamily::Basic);
    sockets.refreshSockets(SocketFamily::Extended);
    std::vector<sockaddr_in> targets = toolReplyEndpoints();
    ASSERT_FALSE(targets.empty());
    targets.push_back(endpoint(INADDR_LOOPBACK, DiscoveryHeader::port));
    const std::size_t socketsBefore = sockets.liveSocketCount(SocketFamily::Basic);

    GarbageSender flood({targets, 10000, 30000, 3000ms});
    // The search starts into a running flood, and the flood goes on after
    // the device's reply.
    pumpTiming([&] { return flood.sent() >= 2000; }, 3s);
    const std::size_t sentBeforeSearch = flood.sent();
    controller->search();
    EXPECT_TRUE(pumpTiming([&] { return table().rowCount() >= 1 && flood.sent() >= 8000; }, 5s));
    const std::size_t sent = flood.stop();
    pumpTiming([] { return false; }, 300ms);

    EXPECT_GE(sentBeforeSearch, 2000u);
    EXPECT_GE(sent, 8000u);
    ASSERT_EQ(table().rowCount(), 1u);
    EXPECT_EQ(table().row(0).ip, "10.0.0.1");
    EXPECT_EQ(table().row(0).mac, "00:12:34:56:78:01");
    for (ReplyKind kind : {ReplyKind::Basic, ReplyKind::Extended})
        EXPECT_FALSE(controller->discovery().takeOldestReply(kind).has_value()) << "junk was queued";
    EXPECT_EQ(sockets.liveSocketCount(SocketFamily::Basic), socketsBefore);
    EXPECT_EQ(sockets.liveSocketCount(SocketFamily::Extended), socketsBefore);
    // The window's thread only ever handles real replies: a second is a
    // hang, not slowness.
    EXPECT_LT(longestMessage, 1s);
}

// Replies that lack every terminator or have awkward lengths, each from a
// device of its own beside a well-formed one, for each reply generation.

struct HostileReply {
    const char* name;
    Fault fault;
    // The IP cell of the row it must give; nothing when it must give none.
    std::optional<std::string> listedAs;
};

struct GenerationCase {
    const char* name;
    int searchMode;
    std::array<bool, 3> generations;
    std::size_t replySize;
    std::size_t ipCharacters; // how much of the IP field the parser reads
    std::vector<HostileReply> replies;
};

void PrintTo(const GenerationCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

// The devices of one case: the well-formed one first, at 10.0.0.1.
std::string hostileIp(std::size_t index)
{
    return "10.0.0." + std::to_string(index + 2);
}

// What the table shows for the IP of a device whose every text field was
// filled to its end.
std::string cutIp(std::size_t index, std::size_t ipCharacters)
{
    std::string ip = hostileIp(index);
    return ip + std::string(ipCharacters - ip.size(), '#');
}

std::vector<HostileReply> repliesFor(std::size_t replySize, std::size_t ipCharacters, bool headerOnlyIsListed)
{
    std::vector<HostileReply> replies = {
        {"no terminators", {FaultKind::NoNul}, cutIp(0, ipCharacters)},
        {"empty", {FaultKind::Length, 0}, std::nullopt},
        {"one byte", {FaultKind::Length, 1}, std::nullopt},
        // The magic and its NUL, no command byte: too short to be a reply.
        {"shorter than the header", {FaultKind::Short, DiscoveryHeader::size - 1}, std::nullopt},
        {"exactly the reply size", {FaultKind::Length, replySize}, hostileIp(4)},
        {"largest UDP payload", {FaultKind::Length, devsim::maxDatagramBytes}, hostileIp(5)},
    };
    // A header and nothing else reads as a reply of zeros: the basic
    // generation lists only known device families, so not this one.
    if (!headerOnlyIsListed)
        replies.push_back({"header only", {FaultKind::Length, DiscoveryHeader::size}, std::nullopt});
    return replies;
}

class HostileReplies : public testing_support::SearchFixture, public testing::WithParamInterface<GenerationCase> {};

TEST_P(HostileReplies, NothingBreaksAndTheWellFormedDeviceIsListed)
{
    const GenerationCase& c = GetParam();
    std::vector<SimulatedDevice> devices;
    SimulatedDevice wellFormed = makeDevice("10.0.0.1", 0x01);
    wellFormed.generations = c.generations;
    devices.push_back(wellFormed);
    std::map<std::string, std::string> expected {{"10.0.0.1", "well-formed"}};
    for (std::size_t i = 0; i < c.replies.size(); ++i) {
        SimulatedDevice hostile = makeDevice(hostileIp(i), static_cast<std::uint8_t>(0x10 + i));
        hostile.generations = c.generations;
        hostile.faults = {c.replies[i].fault};
        hostile.replaceGoodReply = true;
        devices.push_back(hostile);
        if (c.replies[i].listedAs)
            expected[*c.replies[i].listedAs] = c.replies[i].name;
    }
    startDevices(devices);
    startTool(c.searchMode);
    searchAndCollect(expected.size());

    std::map<std::string, std::string> listed;
    for (std::size_t r = 0; r < table().rowCount(); ++r) {
        const std::string& ip = table().row(r).ip;
        listed[ip] = expected.contains(ip) ? expected[ip] : "unexpected row";
    }
    EXPECT_EQ(listed, expected);
    // Every datagram was answered: the simulator sent one per device.
    EXPECT_EQ(simulator->counts().datagramsSent, devices.size());
}

INSTANTIATE_TEST_SUITE_P(Generations, HostileReplies,
    testing::Values(GenerationCase {"Old", 0, {true, false, false}, 280, 29, repliesFor(280, 29, true)},
        GenerationCase {"Basic", 1, {false, true, false}, 348, 15, repliesFor(348, 15, false)},
        GenerationCase {"Extended", 1, {false, false, true}, 544, 15, repliesFor(544, 15, true)}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
