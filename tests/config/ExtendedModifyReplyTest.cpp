#include "config/ExtendedExchange.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lorvena {
namespace {

std::vector<std::uint8_t> reply(std::size_t size, std::uint8_t status)
{
    std::vector<std::uint8_t> bytes(size, 0xEE);
    if (size > 13)
        bytes[13] = status;
    return bytes;
}

struct ReplyCase {
    const char* name;
    std::vector<std::uint8_t> datagram;
    ExchangeOutcome outcome;
};

void PrintTo(const ReplyCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class ReplyStatus : public testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyStatus, IsReadFromByte13)
{
    EXPECT_EQ(replyOutcome(GetParam().datagram), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(Datagrams, ReplyStatus,
    testing::Values(ReplyCase {"Accepted", reply(14, 0), ExchangeOutcome::Accepted},
        ReplyCase {"WrongPassword", reply(14, 16), ExchangeOutcome::WrongPassword},
        ReplyCase {"OtherStatusRefused", reply(14, 7), ExchangeOutcome::Refused},
        ReplyCase {"Status1Refused", reply(14, 1), ExchangeOutcome::Refused},
        ReplyCase {"Status255Refused", reply(14, 255), ExchangeOutcome::Refused},
        ReplyCase {"FullSizeAccepted", reply(1024, 0), ExchangeOutcome::Accepted},
        ReplyCase {"FullSizeWrongPassword", reply(1024, 16), ExchangeOutcome::WrongPassword},
        // No status byte: neither answer the device gives, so not a success.
        ReplyCase {"ThirteenBytesRefused", std::vector<std::uint8_t>(13, 0), ExchangeOutcome::Refused},
        ReplyCase {"OneByteRefused", std::vector<std::uint8_t>(1, 0), ExchangeOutcome::Refused}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
