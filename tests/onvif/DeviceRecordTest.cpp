// The records of the C interface: a found device laid out at the classic
// offsets, and a change block read back with its checks.

#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/OnvifAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace lorvena::onvif;

// Reads a field by its classic offset from the raw bytes, apart from the
// struct's member names.
std::string textAt(const OnvifDeviceRecord& record, std::size_t offset, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(&record) + offset;
    return std::string(bytes, strnlen(bytes, size));
}

std::int32_t integerAt(const OnvifDeviceRecord& record, std::size_t offset)
{
    std::int32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&record) + offset, sizeof value);
    return value;
}

TEST(DeviceRecord, LaysAFoundDeviceOutAtTheClassicOffsets)
{
    DiscoveredDevice device;
    device.address = 0xC0A80140; // 192.168.1.64
    device.port = 8080;
    device.typeCode = LS_NET_TYPE_VIDEO_TRANSMITTER;
    device.name = "Wej\xC5\x9B" "cie";
    device.mac = "EC2FA5D1A1F0";
    device.mask = "255.255.255.0";
    device.gateway = "192.168.1.1";
    device.dns = "8.8.8.8";
    device.dhcp = true;
    OnvifDeviceRecord record = MakeDeviceRecord(device);

    EXPECT_EQ(integerAt(record, 4), 900);
    EXPECT_EQ(textAt(record, 8, 16), "EC2FA5D1A1F0");
    EXPECT_EQ(textAt(record, 24, 16), "255.255.255.0");
    EXPECT_EQ(textAt(record, 40, 16), "192.168.1.1");
    EXPECT_EQ(textAt(record, 56, 64), device.name);
    EXPECT_EQ(textAt(record, 120, 1024), "192.168.1.64");
    EXPECT_EQ(integerAt(record, 1144), 8080);
    EXPECT_EQ(textAt(record, 1148, 32), "8.8.8.8");
    EXPECT_EQ(integerAt(record, 1180), 0);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&record)[1184], 1);
}

TEST(DeviceRecord, TextsStayInsideTheirFieldAndWholeCharacters)
{
    char field[8];
    const struct {
        const char* name;
        std::string text;
        std::string kept;
    } cases[] = {
        {"fits", "abc", "abc"},
        {"cut to leave the NUL", "abcdefghij", "abcdefg"},
        {"two-byte character not split", "abcdef\xC5\x9B", "abcdef"},
        {"three-byte character not split", "abcde\xE2\x82\xAC", "abcde"},
        {"character that fits whole", "abcd\xE2\x82\xAC", "abcd\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(field, 'x', sizeof field);
        CopyField(field, sizeof field, c.text);
        EXPECT_EQ(ReadField(field, sizeof field), c.kept);
        EXPECT_EQ(field[sizeof field - 1], '\0');
    }
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ReadField(full, sizeof full), "abcd") << "never past the field";
}

OnvifNetParam block(const char* address, const char* mask, const char* gateway, int port, unsigned char dhcp)
{
    OnvifNetParam param {};
    std::strncpy(param.address, address, sizeof param.address - 1);
    std::strncpy(param.mask, mask, sizeof param.mask - 1);
    std::strncpy(param.gateway, gateway, sizeof param.gateway - 1);
    param.port = port;
    param.dhcp = dhcp;
    return param;
}

TEST(NetParam, IsReadAndChecked)
{
    const struct {
        const char* name;
        OnvifNetParam param;
        bool accepted;
        bool dhcp;
        const char* address;
        int prefix;
        const char* gateway;
        int port; // 0: left alone
    } cases[] = {
        {"manual", block("192.168.1.30", "255.255.255.0", "192.168.1.1", 80, 0), true, false, "192.168.1.30", 24,
            "192.168.1.1", 80},
        {"port out of range left alone", block("10.0.0.5", "255.255.252.0", "", 70000, 0), true, false, "10.0.0.5",
            22, "", 0},
        {"gateway 0.0.0.0 left alone", block("10.0.0.5", "255.0.0.0", "0.0.0.0", 8080, 0), true, false, "10.0.0.5",
            8, "", 8080},
        {"DHCP needs no address", block("", "", "", 80, 1), true, true, "", 24, "", 80},
        {"DHCP flag other than 1 is off", block("", "", "", 80, 2), false, false, "", 0, "", 0},
        {"bad address", block("192.168.1.300", "255.255.255.0", "", 80, 0), false, false, "", 0, "", 0},
        {"non-contiguous mask", block("192.168.1.30", "255.0.255.0", "", 80, 0), false, false, "", 0, "", 0},
        {"zero mask", block("192.168.1.30", "0.0.0.0", "", 80, 0), false, false, "", 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto change = ReadNetParam(c.param);
        ASSERT_EQ(change.has_value(), c.accepted);
        if (!change)
            continue;
        EXPECT_EQ(change->dhcp, c.dhcp);
        EXPECT_EQ(change->gateway, c.gateway);
        EXPECT_EQ(change->httpPort.value_or(0), c.port);
        if (!c.dhcp) {
            EXPECT_EQ(change->address, c.address);
            EXPECT_EQ(change->prefixLength, c.prefix);
        }
    }
}

TEST(NetParam, AnAddressWithoutItsTerminatorIsReadInsideItsArea)
{
    OnvifNetParam param = block("", "255.255.255.0", "", 80, 0);
    std::memset(param.address, '1', sizeof param.address);
    EXPECT_FALSE(ReadNetParam(param));
}

} // namespace
