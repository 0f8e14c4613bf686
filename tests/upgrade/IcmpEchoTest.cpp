// Real echo probes. These run only inside the loopback-only network namespace
// that NetworkTestMain.cpp enters, so no echo ever leaves this machine.

#include "platform/IcmpEcho.h"
#include "platform/UniqueFd.h"
#include "upgrade/EchoProbe.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstring>
#include <fstream>

namespace lorvena {
namespace {

using namespace std::chrono_literals;

constexpr auto answerTime = 2s;
// Only silent probes wait this long.
constexpr auto silenceTime = 300ms;
// Nothing holds this address; a route through the loopback lets the echo go
// out (and vanish) instead of failing at once for want of a route.
const std::string unassigned = "10.255.255.1";

// Which groups may open SOCK_DGRAM ICMP sockets, in this namespace only.
void admitDatagramEchoes(bool admitted)
{
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << (admitted ? "0 2147483647" : "1 0");
}

sockaddr ipv4(const char* dotted)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, dotted, &address.sin_addr);
    sockaddr generic {};
    std::memcpy(&generic, &address, sizeof address);
    return generic;
}

// Sends what goes to 10.255.255.0/24 into the loopback for as long as it
// lives. Removed again, so that the tests also run one after another in one
// namespace.
class UnassignedRoute {
public:
    UnassignedRoute()
    {
        route_.rt_dst = ipv4("10.255.255.0");
        route_.rt_genmask = ipv4("255.255.255.0");
        route_.rt_flags = RTF_UP;
        route_.rt_dev = device_;
        added_ = ioctl(socket_.get(), SIOCADDRT, &route_) == 0;
        EXPECT_TRUE(added_) << "adding a route through lo: " << std::strerror(errno);
    }
    ~UnassignedRoute()
    {
        if (added_)
            ioctl(socket_.get(), SIOCDELRT, &route_);
    }
    UnassignedRoute(const UnassignedRoute&) = delete;
    UnassignedRoute& operator=(const UnassignedRoute&) = delete;

private:
    UniqueFd socket_ {::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    char device_[3] = "lo";
    rtentry route_ {};
    bool added_ = false;
};

constexpr EchoSocketKind datagramOnly[] = {EchoSocketKind::Datagram};
constexpr EchoSocketKind rawOnly[] = {EchoSocketKind::Raw};

TEST(IcmpEcho, BothProbesHearTheLoopback)
{
    // The raw socket sees our own request on the loopback before the reply:
    // the probe must read past it.
    EXPECT_EQ(PingIcmpEcho("127.0.0.1", answerTime), EchoResult::Answered);
    EXPECT_EQ(PingRawIcmp("127.0.0.1", answerTime), EchoResult::Answered);
}


TEST(IcmpEcho, AnAddressNobodyHoldsStaysSilent)
{
    UnassignedRoute route;
    EXPECT_EQ(PingIcmpEcho(unassigned, silenceTime), EchoResult::Silent);
    EXPECT_EQ(PingRawIcmp(unassigned, silenceTime), EchoResult::Silent);
}

TEST(IcmpEcho, AnUnreachableAddressIsSilentToo)
{
    // No route at all: the send itself fails.
    EXPECT_EQ(PingRawIcmp(unassigned, silenceTime), EchoResult::Silent);
}

TEST(IcmpEcho, ANameIsNeverLookedUp)
{
    // "localhost" would answer, were it looked up: a device's address text
    // that is a name is not pinged at all.
    for (const char* name : {"localhost", "no-such-device.invalid"}) {
        EXPECT_EQ(PingIcmpEcho(name, silenceTime), EchoResult::Silent) << name;
        EXPECT_EQ(PingRawIcmp(name, silenceTime), EchoResult::Silent) << name;
    }
}

TEST(IcmpEcho, EachKindOfSocketHearsTheLoopback)
{
    admitDatagramEchoes(true);
    const std::vector<std::uint8_t> dataBuffer = BuildDataBufferEcho(EchoIdentifier());
    const EchoRequest request = BuildEchoRequest(EchoIdentifier(), MillisecondTick());
    EXPECT_EQ(EchoThrough(datagramOnly, "127.0.0.1", dataBuffer, answerTime), EchoResult::Answered);
    EXPECT_EQ(EchoThrough(datagramOnly, "127.0.0.1", request, answerTime), EchoResult::Answered);
    EXPECT_EQ(EchoThrough(rawOnly, "127.0.0.1", dataBuffer, answerTime), EchoResult::Answered);
    EXPECT_EQ(EchoThrough(rawOnly, "127.0.0.1", request, answerTime), EchoResult::Answered);
    admitDatagramEchoes(false);
}

TEST(IcmpEcho, NoSocketThatCanBeOpenedMeansNoProbe)
{
    admitDatagramEchoes(false);
    const EchoRequest request = BuildEchoRequest(EchoIdentifier(), MillisecondTick());
    EXPECT_EQ(EchoThrough(datagramOnly, "127.0.0.1", request, answerTime), EchoResult::NoSocket);
    // The first look falls back to the raw socket.
    EXPECT_EQ(PingIcmpEcho("127.0.0.1", answerTime), EchoResult::Answered);
}

TEST(IcmpEchoProbe, TellsAnsweredFromSilent)
{
    UnassignedRoute route;
    IcmpEchoProbe probe;
    EXPECT_EQ(probe.firstLook("127.0.0.1", answerTime), EchoAnswer::Answered);
    EXPECT_EQ(probe.nextLook("127.0.0.1", answerTime), EchoAnswer::Answered);
    EXPECT_EQ(probe.firstLook(unassigned, silenceTime), EchoAnswer::Silent);
    EXPECT_EQ(probe.nextLook(unassigned, silenceTime), EchoAnswer::Silent);
}

} // namespace
} // namespace lorvena
