#include "platform/IcmpEcho.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <vector>

namespace lorvena {
namespace {

std::uint16_t host16(const std::uint8_t* at)
{
    std::uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The receiver's check, done independently of the sender's word order: the
// big-endian words of a correct message, checksum included, add up to 0xFFFF.
bool checksumHolds(std::span<const std::uint8_t> message)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < message.size(); i += 2) {
        const std::uint32_t low = i + 1 < message.size() ? message[i + 1] : 0;
        sum += (std::uint32_t {message[i]} << 8) | low;
    }
    while (sum > 0xFFFF)
        sum = (sum >> 16) + (sum & 0xFFFF);
    return sum == 0xFFFF;
}

TEST(InternetChecksum, StoresTheRfcExampleInNetworkBytes)
{
    // The example of RFC 1071: the words 0001 f203 f4f5 f6f7 sum to ddf2.
    const std::uint8_t bytes[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
    const std::uint16_t checksum = InternetChecksum(bytes);
    std::uint8_t stored[2];
    std::memcpy(stored, &checksum, sizeof stored);
    EXPECT_EQ(stored[0], 0x22);
    EXPECT_EQ(stored[1], 0x0D);
}

TEST(InternetChecksum, PadsAnOddLastByte)
{
    const std::uint8_t bytes[] = {0x01};
    const std::uint16_t checksum = InternetChecksum(bytes);
    std::uint8_t stored[2];
    std::memcpy(stored, &checksum, sizeof stored);
    EXPECT_EQ(stored[0], 0xFE);
    EXPECT_EQ(stored[1], 0xFF);
}

TEST(BuildEchoRequest, LaysOutTheFortyFourBytes)
{
    const EchoRequest request = BuildEchoRequest(0x1234, 0xA1B2C3D4);
    ASSERT_EQ(request.size(), 44u);
    EXPECT_EQ(request[0], 8);
    EXPECT_EQ(request[1], 0);
    EXPECT_EQ(host16(&request[4]), 0x1234);
    EXPECT_EQ(host16(&request[6]), 0);
    std::uint32_t tick;
    std::memcpy(&tick, &request[8], sizeof tick);
    EXPECT_EQ(tick, 0xA1B2C3D4u);
    for (std::size_t i = 12; i < request.size(); ++i)
        EXPECT_EQ(request[i], 0x45) << "data byte " << i;
    EXPECT_TRUE(checksumHolds(request));
}

TEST(BuildEchoRequest, ChecksumHoldsForEveryIdentifierAndTick)
{
    const std::pair<std::uint16_t, std::uint32_t> cases[] = {
        {0, 0}, {0xFFFF, 0xFFFFFFFF}, {0x0100, 0x00010000}, {0xBAAA, 0x45454545}, {1, 123456789}};
    for (const auto& [identifier, tick] : cases) {
        SCOPED_TRACE(identifier);
        EXPECT_TRUE(checksumHolds(BuildEchoRequest(identifier, tick)));
    }
}

TEST(BuildDataBufferEcho, CarriesDataBufferWithItsNul)
{
    const std::vector<std::uint8_t> message = BuildDataBufferEcho(0x4321);
    ASSERT_EQ(message.size(), 20u);
    EXPECT_EQ(message[0], 8);
    EXPECT_EQ(message[1], 0);
    EXPECT_EQ(host16(&message[4]), 0x4321);
    EXPECT_EQ(host16(&message[6]), 0);
    EXPECT_EQ(std::memcmp(&message[8], "Data Buffer", 12), 0);
    EXPECT_TRUE(checksumHolds(message));
}

TEST(EchoIdentifier, IsTheLowHalfOfTheProcessId)
{
    EXPECT_EQ(EchoIdentifier(), static_cast<std::uint16_t>(getpid() & 0xFFFF));
}

// An IPv4 header of `headerWords` 32-bit words, then an ICMP header.
std::vector<std::uint8_t> datagram(int headerWords, std::uint8_t type, std::uint16_t identifier)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(headerWords) * 4 + 8, 0);
    bytes[0] = static_cast<std::uint8_t>(0x40 | headerWords);
    const std::size_t icmp = static_cast<std::size_t>(headerWords) * 4;
    bytes[icmp] = type;
    std::memcpy(&bytes[icmp + 4], &identifier, sizeof identifier);
    return bytes;
}

TEST(IsEchoReplyFor, ChecksTypeAndIdentifierAfterTheIpHeader)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool reply;
    };
    std::vector<std::uint8_t> truncated = datagram(5, 0, 0x1234);
    truncated.pop_back();
    const Case cases[] = {
        {"our reply", datagram(5, 0, 0x1234), true},
        {"our reply behind IP options", datagram(6, 0, 0x1234), true},
        {"our own request", datagram(5, 8, 0x1234), false},
        {"someone else's reply", datagram(5, 0, 0x1235), false},
        {"unreachable message", datagram(5, 3, 0x1234), false},
        {"one byte short", truncated, false},
        {"header length beyond the datagram", {0x4F, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsEchoReplyFor(c.bytes, 0x1234), c.reply);
    }
}

} // namespace
} // namespace lorvena
