// The simulator end to end, in-process, inside a private loopback-only
// network namespace: searches never leave it.

#include "TestNetwork.h"

#include "devsim/SearchSender.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

namespace lorvena::devsim {
namespace {

// Only an upper bound for collecting replies; the sender returns as soon as
// the expected number has arrived.
constexpr std::chrono::milliseconds replyWait {10000};

class SimulatorTest : public LoopbackTest {
protected:
    static std::vector<ReceivedDatagram> search(Generation generation, std::size_t expect)
    {
        SearchProbe probe;
        probe.generation = generation;
        probe.from = loopback;
        probe.wait = replyWait;
        probe.expect = expect;
        std::vector<ReceivedDatagram> received;
        std::string error;
        EXPECT_TRUE(SearchSender::run(probe, received, error)) << error;
        return received;
    }
};

SimulatedDevice device(std::uint32_t ip, std::array<bool, 3> generations)
{
    SimulatedDevice result;
    result.ip = ip;
    result.generations = generations;
    result.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(ip)};
    return result;
}

// "<kind> <source ip> <size> <ip in payload>" with the source port left out:
// a device socket's port is ephemeral.
std::string withoutPort(const ReceivedDatagram& datagram)
{
    std::string text = SearchSender::describe(datagram);
    std::size_t colon = text.find(':');
    return text.erase(colon, text.find(' ', colon) - colon);
}

TEST_F(SimulatorTest, EachGenerationReachesTheDevicesThatKnowIt)
{
    // A's and C's addresses are local (all of 127/8 is), so they reply from
    // sockets of their own; B's is not, so B replies from the listening
    // socket. C sends two bad datagrams instead of its reply.
    SimulatedDevice a = device(0x7F000005u, {true, true, true});
    SimulatedDevice b = device(0x0A090909u, {true, false, false});
    SimulatedDevice c = device(0x7F000007u, {false, true, true});
    c.faults = {{FaultKind::WrongMagic}, {FaultKind::Short, 40}};
    c.replaceGoodReply = true;

    struct Case {
        Generation generation;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {Generation::Old, {"old 127.0.0.5 280 127.0.0.5", "old 127.0.0.1 280 10.9.9.9"}},
        {Generation::Basic,
            {"basic 127.0.0.5 348 127.0.0.5", "other 127.0.0.7 348 -", "other 127.0.0.7 40 -"}},
        {Generation::Extended,
            {"extended 127.0.0.5 544 127.0.0.5", "other 127.0.0.7 544 -", "other 127.0.0.7 40 -"}},
    };
    for (const Case& c2 : cases) {
        SCOPED_TRACE(generationName(c2.generation));
        Simulator simulator({a, b, c}, {});
        std::string error;
        ASSERT_TRUE(simulator.start(error)) << error;
        EXPECT_EQ(simulator.ownReplySockets(), 2u);

        std::vector<ReceivedDatagram> received = search(c2.generation, c2.expected.size());
        simulator.stop(); // after this the counts are final
        std::vector<std::string> actual;
        for (const ReceivedDatagram& datagram : received) {
            actual.push_back(withoutPort(datagram));
            if (datagram.sourceAddress == loopback) {
                EXPECT_EQ(datagram.sourcePort, 6789) << "a shared reply leaves from the listening socket";
            }
        }
        std::vector<std::string> expected = c2.expected;
        std::sort(actual.begin(), actual.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(actual, expected);

        RequestCounts counts = simulator.counts();
        EXPECT_EQ(counts.oldSearch + counts.basicSearch + counts.extendedSearch, 1u);
        EXPECT_EQ(counts.datagramsSent, c2.expected.size()) << "nothing beyond the expected datagrams was sent";
    }
}

TEST_F(SimulatorTest, LogsEveryDatagramWithItsInterface)
{
    char pathTemplate[] = "/tmp/devsim-log-XXXXXX";
    int fd = mkstemp(pathTemplate);
    ASSERT_GE(fd, 0);
    close(fd);
    SimulatorOptions options;
    options.logPath = pathTemplate;
    Simulator simulator({device(0x7F000005u, {true, true, true})}, options);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    // Something that is no request, sent first: once the search below has
    // been answered, the simulator has read it too.
    UniqueFd junkSocket(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(6789);
    destination.sin_addr.s_addr = htonl(loopback);
    const char junk[] = "hello";
    ASSERT_GT(sendto(junkSocket.get(), junk, sizeof junk, 0, reinterpret_cast<const sockaddr*>(&destination),
                  sizeof destination),
        0);
    EXPECT_EQ(search(Generation::Basic, 1).size(), 1u);
    EXPECT_EQ(search(Generation::Extended, 1).size(), 1u);
    simulator.stop();

    std::ifstream log(pathTemplate);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    std::remove(pathTemplate);
    const std::vector<std::string> patterns = {
        R"(unknown 127\.0\.0\.1:[0-9]+ - lo)",
        R"(basic 127\.0\.0\.1:[0-9]+ 127\.0\.0\.1 lo)",
        R"(extended 127\.0\.0\.1:[0-9]+ - lo)",
    };
    ASSERT_EQ(lines.size(), patterns.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i]))) << lines[i];
    EXPECT_EQ(simulator.counts().unknown, 1u);
}

TEST_F(SimulatorTest, StartFailsCleanlyOnABadBindAddress)
{
    SimulatorOptions options;
    options.bindAddress = "192.0.2.1"; // not configured in this namespace
    Simulator simulator({}, options);
    std::string error;
    EXPECT_FALSE(simulator.start(error));
    EXPECT_NE(error.find("bind"), std::string::npos) << error;
    simulator.stop(); // harmless when never started
}

} // namespace
} // namespace lorvena::devsim
