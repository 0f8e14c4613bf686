#include "discovery/SearchPackets.h"

#include "discovery/ReplyBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace lorvena {
namespace {

using testing_support::ReplyBytes;

std::string bytesAt(ByteView packet, std::size_t offset, std::size_t length)
{
    return std::string(reinterpret_cast<const char*>(packet.data() + offset), length);
}

bool zeroExcept(ByteView packet, std::initializer_list<std::pair<std::size_t, std::size_t>> setRanges)
{
    for (std::size_t i = 0; i < packet.size(); ++i) {
        bool inSetRange = false;
        for (auto [begin, end] : setRanges)
            inSetRange = inSetRange || (i >= begin && i < end);
        if (!inSetRange && packet[i] != 0)
            return false;
    }
    return true;
}

TEST(SearchRequests, OldModeRequestCarriesTheSendersAddress)
{
    auto packet = buildOldModeSearchRequest(0xC0A80164); // 192.168.1.100
    EXPECT_EQ(bytesAt(packet, 0, 13), std::string("search.....\0\x02", 13));
    EXPECT_EQ(bytesAt(packet, 13, 14), std::string("192.168.1.100\0", 14));
    EXPECT_TRUE(zeroExcept(packet, {{0, 11}, {12, 13}, {13, 26}}));
    EXPECT_EQ(packet.size(), 263u);
}

TEST(SearchRequests, BasicRequestCarriesTheSendersAddress)
{
    auto packet = buildBasicSearchRequest(0xFFFFFFFE); // the longest dotted text fits its field
    EXPECT_EQ(bytesAt(packet, 0, 13), std::string("searching..\0\x02", 13));
    EXPECT_EQ(bytesAt(packet, 13, 16), std::string("255.255.255.254\0", 16));
    EXPECT_TRUE(zeroExcept(packet, {{0, 11}, {12, 13}, {13, 28}}));
    EXPECT_EQ(packet.size(), 180u);
}

TEST(SearchRequests, ExtendedRequestIsFixed)
{
    auto packet = buildExtendedSearchRequest();
    EXPECT_EQ(bytesAt(packet, 0, 13), std::string("searching..\0\x0A", 13));
    EXPECT_EQ(bytesAt(packet, 16, 8), std::string("Fuck_Ip\0", 8));
    EXPECT_EQ(bytesAt(packet, 32, 9), std::string("Fuck_Mac\0", 9));
    EXPECT_TRUE(zeroExcept(packet, {{0, 11}, {12, 13}, {16, 23}, {32, 40}}));
    EXPECT_EQ(packet.size(), 114u);
}

struct ReplyCheckCase {
    const char* name;
    std::vector<std::uint8_t> datagram;
    ReplyKind kind;
    bool accepted;
};

void PrintTo(const ReplyCheckCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}


class ReplyCheck : public testing::TestWithParam<ReplyCheckCase> {};

TEST_P(ReplyCheck, AcceptsOnlyTheExactMagicAndReplyCode)
{
    EXPECT_EQ(isSearchReply(GetParam().datagram, GetParam().kind), GetParam().accepted);
}

std::vector<std::uint8_t> withByte(ReplyBytes reply, std::size_t offset, std::uint8_t value)
{
    return reply.raw(offset, {value}).bytes();
}

std::vector<std::uint8_t> firstBytes(std::vector<std::uint8_t> bytes, std::size_t count)
{
    bytes.resize(count);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Datagrams, ReplyCheck,
    testing::Values(ReplyCheckCase {"OldModeReply", testing_support::oldModeReply().bytes(), ReplyKind::OldMode, true},
        ReplyCheckCase {"BasicReply", testing_support::basicReply().bytes(), ReplyKind::Basic, true},
        ReplyCheckCase {"ExtendedReply", testing_support::extendedReply().bytes(), ReplyKind::Extended, true},
        ReplyCheckCase {"BasicIsNotOldMode", testing_support::basicReply().bytes(), ReplyKind::OldMode, false},
        ReplyCheckCase {"ExtendedCodeIsNotBasic", testing_support::extendedReply().bytes(), ReplyKind::Basic, false},
        ReplyCheckCase {"EchoedRequest", withByte(testing_support::oldModeReply(), 12, 2), ReplyKind::OldMode, false},
        ReplyCheckCase {"Byte11NotNul", withByte(testing_support::basicReply(), 11, '.'), ReplyKind::Basic, false},
        ReplyCheckCase {"WrongMagic", withByte(testing_support::basicReply(), 0, 'S'), ReplyKind::Basic, false},
        ReplyCheckCase {"TooShortForAHeader", {'s', 'e', 'a'}, ReplyKind::OldMode, false},
        ReplyCheckCase {"HeaderOnly", firstBytes(testing_support::basicReply().bytes(), 13), ReplyKind::Basic, true}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
