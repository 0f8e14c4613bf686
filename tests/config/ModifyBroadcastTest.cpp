// The broadcast modify requests on real sockets inside the test's loopback
// namespace: one copy per local address, from that address, to the search port.

#include "config/ModifyRequests.h"
#include "config/UdpPeer.h"
#include "discovery/InterfaceSockets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lorvena {
namespace {

using namespace testing_support;

constexpr std::uint16_t searchPort = 6789;
const std::vector<std::uint8_t> sentinel {'e', 'n', 'd'};

enum class Kind { Old, Basic };

struct BroadcastCase {
    const char* name;
    Kind kind;
    std::vector<std::uint32_t> localAddresses;
};

void PrintTo(const BroadcastCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

ModifyValues values()
{
    ModifyValues result;
    result.currentIpText = "192.168.1.5";
    result.newIp = 0xC0A80106;
    result.mask = 0xFFFFFF00;
    result.gateway = 0xC0A80101;
    result.macText = "00:1A:2B:3C:4D:5E";
    result.httpPort = 80;
    return result;
}

std::vector<std::uint8_t> expectedPacket(Kind kind)
{
    if (kind == Kind::Old) {
        auto packet = buildOldModifyRequest(values());
        return {packet.begin(), packet.end()};
    }
    auto packet = buildBasicModifyRequest(values());
    return {packet.begin(), packet.end()};
}

void send(Kind kind, InterfaceSockets& sockets)
{
    if (kind == Kind::Old)
        sendOldModify(sockets, values());
    else
        sendBasicModify(sockets, values());
}

// Everything the listener got before the sentinel, which the test sends
// after the requests: copies beyond the expected ones show up here too.
std::vector<UdpPeer::Datagram> receivedBeforeSentinel(UdpPeer& listener)
{
    UdpPeer marker(loopback1, 0);
    EXPECT_TRUE(marker.sendTo(loopback1, searchPort, sentinel));
    std::vector<UdpPeer::Datagram> received;
    while (auto datagram = listener.receive()) {
        if (datagram->bytes == sentinel)
            break;
        received.push_back(std::move(*datagram));
    }
    return received;
}

class ModifyBroadcast : public testing::TestWithParam<BroadcastCase> {};

TEST_P(ModifyBroadcast, OneCopyPerLocalAddressEachTime)
{
    const BroadcastCase& testCase = GetParam();
    UdpPeer listener(0, searchPort); // 0.0.0.0: the device side hears every broadcast
    ASSERT_TRUE(listener.valid());
    InterfaceSockets sockets([&testCase] { return testCase.localAddresses; });

    // The second round must not add sockets: the refresh reuses the live ones.
    for (int round = 0; round < 2; ++round) {
        send(testCase.kind, sockets);
        std::vector<UdpPeer::Datagram> received = receivedBeforeSentinel(listener);
        ASSERT_EQ(received.size(), testCase.localAddresses.size()) << "round " << round;
        std::vector<std::uint32_t> senders;
        for (const UdpPeer::Datagram& datagram : received) {
            EXPECT_EQ(datagram.bytes, expectedPacket(testCase.kind));
            senders.push_back(datagram.senderAddress);
        }
        std::vector<std::uint32_t> expectedSenders = testCase.localAddresses;
        std::sort(senders.begin(), senders.end());
        std::sort(expectedSenders.begin(), expectedSenders.end());
        EXPECT_EQ(senders, expectedSenders) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Requests, ModifyBroadcast,
    testing::Values(BroadcastCase {"OldOneAddress", Kind::Old, {loopback1}},
        BroadcastCase {"OldThreeAddresses", Kind::Old, {loopback1, loopback2, loopback3}},
        BroadcastCase {"BasicOneAddress", Kind::Basic, {loopback1}},
        BroadcastCase {"BasicThreeAddresses", Kind::Basic, {loopback1, loopback2, loopback3}},
        BroadcastCase {"BasicNoAddress", Kind::Basic, {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
