// What the search reads from the local network setup: the neighbour table
// and the host addresses the mask mode probes, and how many of them it keeps
// in flight.

#include "sdk/onvif/LocalSubnets.h"
#include "sdk/onvif/NeighbourTable.h"
#include "sdk/onvif/SweepWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace lorvena::onvif;

constexpr std::uint32_t ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return (a << 24) | (b << 16) | (c << 8) | d;
}

TEST(NeighbourTable, GivesCompleteEntriesOnly)
{
    const char* table = "IP address       HW type     Flags       HW address            Mask     Device\n"
                        "192.168.1.64     0x1         0x2         ec:2f:a5:d1:a1:f0     *        eth0\n"
                        "192.168.1.65     0x1         0x0         00:00:00:00:00:00     *        eth0\n"
                        "192.168.1.66     0x1         0x6         0a:0b:0c:0d:0e:0f     *        eth1\n"
                        "192.168.1.67     0x1         0x2         garbage               *        eth0\n"
                        "broken line\n";
    const struct {
        std::uint32_t address;
        const char* mac;
    } cases[] = {
        {ip(192, 168, 1, 64), "EC2FA5D1A1F0"},
        {ip(192, 168, 1, 65), ""}, // incomplete: the device never answered ARP
        {ip(192, 168, 1, 66), "0A0B0C0D0E0F"}, // complete and permanent
        {ip(192, 168, 1, 67), ""},
        {ip(192, 168, 1, 68), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacFromArpTable(table, c.address), c.mac) << c.address;
    EXPECT_EQ(MacFromArpTable("", ip(192, 168, 1, 64)), "");
}

TEST(SweepTargets, CoversEachSubnetUpToASlash22WithoutOurOwnAddresses)
{
    const struct {
        const char* name;
        std::vector<LocalSubnet> subnets;
        bool loopback;
        std::size_t count;
        std::uint32_t first;
        std::uint32_t last;
    } cases[] = {
        {"a /24", {{ip(192, 168, 1, 10), 24, false}}, false, 253, ip(192, 168, 1, 1), ip(192, 168, 1, 254)},
        {"a /16 narrowed to the /22 around us", {{ip(10, 1, 6, 10), 16, false}}, false, 1021, ip(10, 1, 4, 1),
            ip(10, 1, 7, 254)},
        {"a /30", {{ip(10, 0, 0, 1), 30, false}}, false, 1, ip(10, 0, 0, 2), ip(10, 0, 0, 2)},
        {"a /31 and a /32 have no hosts", {{ip(10, 0, 0, 1), 31, false}, {ip(10, 0, 1, 1), 32, false}}, false, 0, 0,
            0},
        {"two addresses in one /24", {{ip(192, 168, 1, 10), 24, false}, {ip(192, 168, 1, 20), 24, false}}, false,
            252, ip(192, 168, 1, 1), ip(192, 168, 1, 254)},
        {"loopback left out", {{ip(127, 0, 0, 1), 8, true}}, false, 0, 0, 0},
        {"loopback when asked", {{ip(127, 0, 0, 1), 8, true}}, true, 1021, ip(127, 0, 0, 2), ip(127, 0, 3, 254)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> targets = SweepTargets(c.subnets, c.loopback);
        ASSERT_EQ(targets.size(), c.count);
        if (targets.empty())
            continue;
        EXPECT_EQ(*std::min_element(targets.begin(), targets.end()), c.first);
        EXPECT_EQ(*std::max_element(targets.begin(), targets.end()), c.last);
        for (const LocalSubnet& subnet : c.subnets)
            EXPECT_EQ(std::count(targets.begin(), targets.end(), subnet.address), 0);
    }
}

TEST(SweepWindow, KeepsAtMostItsCapacityOfHostsInFlight)
{
    using namespace std::chrono_literals;
    const SweepWindow::Clock::time_point t0 {};
    SweepWindow window(3, 3000ms);
    EXPECT_EQ(window.room(t0), 3u);

    window.asked(ip(10, 0, 0, 1), t0);
    window.asked(ip(10, 0, 0, 2), t0 + 100ms);
    window.asked(ip(10, 0, 0, 3), t0 + 200ms);
    EXPECT_EQ(window.room(t0 + 200ms), 0u);

    // An answer frees its place at once; a stranger's answer frees nothing.
    window.answered(ip(10, 0, 0, 1));
    window.answered(ip(10, 0, 0, 9));
    EXPECT_EQ(window.room(t0 + 300ms), 1u);
    window.asked(ip(10, 0, 0, 4), t0 + 300ms);
    EXPECT_EQ(window.room(t0 + 300ms), 0u);

    // An absent host stays in flight until its lookup has given up.
    EXPECT_EQ(window.room(t0 + 3099ms), 0u);
    EXPECT_EQ(window.room(t0 + 3100ms), 1u);
    EXPECT_EQ(window.room(t0 + 3300ms), 3u);
    EXPECT_EQ(window.inFlight(), 0u);
}

} // namespace
