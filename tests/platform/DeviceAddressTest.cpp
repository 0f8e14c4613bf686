#include "platform/DeviceAddress.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

TEST(DeviceAddress, OnlyADottedQuadThatOneDeviceCanHave)
{
    allowLoopbackDevices(false);
    const struct {
        const char* text;
        std::optional<std::uint32_t> address;
    } cases[] = {
        {"10.1.0.20", 0x0A010014},
        {"192.168.1.108", 0xC0A8016C},
        {"1.2.3.4", 0x01020304},
        {"EVIL.EXAMPLE.CO", std::nullopt}, // a name would be looked up
        {"localhost", std::nullopt},
        {"", std::nullopt},
        {"10.1", std::nullopt},         // inet_aton's short forms
        {"0x0a.1.0.20", std::nullopt},  // and its hex parts
        {"010.1.0.20", std::nullopt},   // and octal ones
        {"10.1.0.20 ", std::nullopt},
        {"10.1.0.256", std::nullopt},
        {"0.0.0.0", std::nullopt},      // this machine
        {"255.255.255.255", std::nullopt},
        {"224.0.0.1", std::nullopt},
        {"239.255.255.250", std::nullopt},
        {"127.0.0.1", std::nullopt},
        {"127.8.9.10", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(deviceAddress(c.text), c.address) << c.text;

    allowLoopbackDevices(true);
    EXPECT_EQ(deviceAddress("127.0.0.1"), 0x7F000001u);
    allowLoopbackDevices(false);
}

} // namespace
} // namespace lorvena
