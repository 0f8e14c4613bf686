#include "config/ChangeVerifier.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

TEST(ChangeVerifierMatch, MacsCompareAsTwelveHexDigitsWhateverTheSpelling)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"00:1A:3F:10:01:14", "00:1a:3f:10:01:14", true},
        {"00:1A:3F:10:01:14", "00-1A-3F-10-01-14", true},
        {"00:1A:3F:10:01:14", "001a3f100114", true},
        {"00:1A:3F:10:01:14", "001a.3f10.0114", true},
        {"00:1A:3F:10:01:14", "00:1A:3F:10:01:15", false},
        {"00:1A:3F:10:01:14", "00:1A:3F:10:01", false},       // too short
        {"00:1A:3F:10:01:14", "00:1A:3F:10:01:14:00", false}, // too long
        {"00:1A:3F:10:01:14", "00:1A:3F:10:01:1G", false},    // not hexadecimal
        {"", "", false},                                      // no MAC is nobody
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(sameMac(c.a, c.b), c.same);
        EXPECT_EQ(sameMac(c.b, c.a), c.same);
    }
}

// The device counts as seen when it is the one changed (its MAC; for ONVIF
// the neighbour table's, when it has one) and answers with its new address;
// with DHCP on, from any address.
TEST(ChangeVerifierMatch, TheRightDeviceAtTheRightAddress)
{
    ChangeExpectation udp;
    udp.generation = VerifyGeneration::Basic;
    udp.identity = "00-12-34-00-00-20";
    udp.expectedIp = (10u << 24) | (1u << 16) | 21u;

    DeviceRecord moved;
    moved.mac = "00:12:34:00:00:20";
    moved.ip = "10.1.0.21";
    DeviceRecord stayed = moved;
    stayed.ip = "10.1.0.20";
    DeviceRecord stranger = moved;
    stranger.mac = "00:12:34:00:00:21";

    EXPECT_TRUE(identityMatches(udp, moved) && addressMatches(udp, moved));
    EXPECT_TRUE(identityMatches(udp, stayed));
    EXPECT_FALSE(addressMatches(udp, stayed));
    EXPECT_FALSE(identityMatches(udp, stranger)) << "another device at the new address is not the one changed";
    EXPECT_EQ(expectedAddressText(udp), "10.1.0.21");

    ChangeExpectation dhcp = udp;
    dhcp.dhcp = true;
    EXPECT_TRUE(addressMatches(dhcp, stayed));
    EXPECT_EQ(expectedAddressText(dhcp), "DHCP");
    // A device that ignored the change still answers with DHCP off: it was
    // not seen taking it, wherever it answers from.
    stayed.dhcp = std::string(dhcpOffText);
    moved.dhcp = std::string(dhcpOffText);
    EXPECT_FALSE(addressMatches(dhcp, stayed)) << "still on a fixed address";
    EXPECT_FALSE(addressMatches(dhcp, moved));
    stayed.dhcp = std::string(dhcpOnText);
    EXPECT_TRUE(addressMatches(dhcp, stayed));

    ChangeExpectation onvif = udp;
    onvif.generation = VerifyGeneration::Onvif;
    onvif.identity = "AEF04423C8D5"; // as an ONVIF row shows it
    DeviceRecord probed;
    probed.mac = "ae:f0:44:23:c8:d5";
    probed.ip = "10.1.0.21";
    EXPECT_TRUE(identityMatches(onvif, probed) && addressMatches(onvif, probed));
    probed.mac = "AE:F0:44:23:C8:D6";
    EXPECT_FALSE(identityMatches(onvif, probed));
    probed.mac.clear(); // no neighbour entry: the fixed address must do
    EXPECT_TRUE(identityMatches(onvif, probed));
    onvif.dhcp = true;
    EXPECT_FALSE(identityMatches(onvif, probed)) << "any device would do";
}

} // namespace
} // namespace lorvena
