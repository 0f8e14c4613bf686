#include "control/ChangeRules.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

constexpr std::uint32_t ip(int a, int b, int c, int d)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
        (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

TEST(ChangeRules, AddressesAndMasks)
{
    EXPECT_TRUE(addressAcceptable(ip(192, 168, 1, 1)));
    EXPECT_FALSE(addressAcceptable(ip(192, 168, 1, 0)));
    EXPECT_FALSE(addressAcceptable(ip(192, 168, 1, 255)));
    EXPECT_TRUE(maskAcceptable(ip(255, 255, 255, 0)));
    EXPECT_TRUE(maskAcceptable(ip(0, 0, 0, 0)));
    EXPECT_TRUE(maskAcceptable(ip(255, 255, 255, 255)));
    EXPECT_TRUE(maskAcceptable(ip(255, 128, 0, 0)));
    EXPECT_FALSE(maskAcceptable(ip(255, 255, 0, 255)));
    EXPECT_FALSE(maskAcceptable(ip(0, 255, 255, 0)));
}

TEST(ChangeRules, SubnetRules)
{
    EXPECT_FALSE(outsideMaskedSubnet(ip(10, 1, 2, 3), ip(255, 255, 0, 0), ip(10, 1, 9, 1)));
    EXPECT_TRUE(outsideMaskedSubnet(ip(10, 1, 2, 3), ip(255, 255, 255, 0), ip(10, 1, 9, 1)));

    SimpleSubnetVerdict empty = simpleSubnetRule(ip(10, 1, 2, 3), 0);
    EXPECT_FALSE(empty.ask);
    EXPECT_EQ(empty.filledGateway, ip(10, 1, 2, 1));
    // The simple rule ignores the mask: the first three octets must match.
    EXPECT_TRUE(simpleSubnetRule(ip(192, 168, 1, 20), ip(192, 168, 2, 1)).ask);
    EXPECT_FALSE(simpleSubnetRule(ip(192, 168, 1, 20), ip(192, 168, 1, 254)).ask);
}

TEST(ChangeRules, Ports)
{
    using namespace ChangeMessages;
    struct Case {
        const char* kind;
        std::int32_t type;
        const char *http, *rtsp, *third;
        std::string_view problem; // empty: passes
    } cases[] = {
        {"IPCAMERA", 300, "80", "554", "8999", portRepeated},
        {"IPCAMERA", 300, "80", "1024", "1", rtspRange},
        {"IPCAMERA", 300, "1025", "1025", "1", portRepeated},
        {"IPCAMERA", 300, "80", "554", "554", portRepeated}, // RTSP equal to the third port
        {"IPCAMERA", 300, "81", "554", "1", httpRange},
        {"IPCAMERA", 300, "80", "554", "1", ""},
        {"IPCAMERA", 300, "abc", "554", "1", httpRange}, // not a number counts as 0
        {"DVR", 850, "1", "1", "1", ""},
        {"DVR", 100, "80", "80", "1", portRepeated},
        {"DVR", 100, "80", "1", "1", ""},                 // no RTSP range for recorders
        {"HYBRID-DVR", 100, "80", "4000", "1", portRepeated},
        {"IPCAMERA", 520, "80", "80", "80", ""},          // only the HTTP range from 500 on
        {"IPCAMERA", 520, "1024", "554", "1", httpRange},
        {"IPCAMERA", 520, "65534", "1", "1", ""},
        {"IPCAMERA", 520, "65535", "1", "1", httpRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.type) + " " + c.http + "/" + c.rtsp + "/" + c.third);
        auto problem = portProblem(c.kind, c.type, c.http, c.rtsp, c.third);
        EXPECT_EQ(problem.value_or(""), c.problem);
    }
}

} // namespace
} // namespace lorvena
