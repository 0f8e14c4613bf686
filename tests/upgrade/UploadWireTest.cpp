#include "upgrade/UploadWire.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

namespace lorvena {
namespace {

TEST(UpgradeCommand, CarriesTheLengthBetweenTheAtSigns)
{
    EXPECT_EQ(upgradeCommand(1048576), "CMD:UPGRADE MCTP/1.0 CS\n@1048576@\nEND\n");
    EXPECT_EQ(upgradeCommand(1048576).size(), 38u);
    EXPECT_EQ(upgradeCommand(74565), "CMD:UPGRADE MCTP/1.0 CS\n@74565@\nEND\n");
    EXPECT_EQ(upgradeCommand(0xFFFFFFFFu).size(), 41u);
    EXPECT_EQ(upgradeCommand(0xFFFFFFFFu), "CMD:UPGRADE MCTP/1.0 CS\n@4294967295@\nEND\n");
}

TEST(UpgradeCommand, OnlyTheLowThirtyTwoBitsTravel)
{
    EXPECT_EQ(upgradeCommand((std::uint64_t {1} << 32) + 5), "CMD:UPGRADE MCTP/1.0 CS\n@5@\nEND\n");
    const auto field = upgradeSizeField((std::uint64_t {1} << 32) + 1);
    EXPECT_EQ(field, (std::array<std::uint8_t, 4> {0x01, 0x00, 0x00, 0x00}));
}

TEST(UpgradeSizeField, IsLeastSignificantByteFirst)
{
    EXPECT_EQ(upgradeSizeField(0x12345), (std::array<std::uint8_t, 4> {0x45, 0x23, 0x01, 0x00}));
    EXPECT_EQ(upgradeSizeField(0xA1B2C3D4), (std::array<std::uint8_t, 4> {0xD4, 0xC3, 0xB2, 0xA1}));
}

struct PercentCase {
    const char* name;
    std::uint64_t sent;
    std::uint64_t length;
    int percent;
};

TEST(UploadPercent, IsHalfTheFlooredPercentage)
{
    constexpr std::uint64_t most = UINT64_MAX;
    const PercentCase cases[] = {
        {"one full chunk", 1280, 1280, 50},
        {"first chunk of 1281", 1280, 1281, 49},
        {"second chunk of 1281", 1281, 1281, 50},
        {"nothing yet", 0, 100, 0},
        {"one percent floors to 0", 1, 100, 0},
        {"two percent", 2, 100, 1},
        {"99 percent", 99, 100, 49},
        {"empty file", 0, 0, 0},
        {"past the length stays at 50", 2000, 1000, 50},
        {"no 64-bit overflow: just under half", most / 2, most, 24},
        {"no 64-bit overflow: just over half", most / 2 + 1, most, 25},
        {"largest file complete", most, most, 50},
        {"largest file, one byte short", most - 1, most, 49},
    };
    for (const PercentCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(uploadPercent(c.sent, c.length), c.percent);
    }
}

struct ReplyCase {
    const char* name;
    std::string reply;
    std::optional<int> code;
};

TEST(FinalReplyCode, IsTheIntegerAfterTheFirstOfTwoAtSigns)
{
    const ReplyCase cases[] = {
        {"accepted", "@0@", 0},
        {"device verdict", "@7@", 7},
        {"text around the pair", "RESULT @12@ done\n", 12},
        {"blanks and sign", "@  -12@", -12},
        {"plus sign", "@+3@", 3},
        {"no digit counts as 0", "@abc@", 0},
        {"empty pair counts as 0", "xx@@", 0},
        {"first pair wins", "a@1@b@2@", 1},
        {"digits run past the second sign", "@5x@", 5},
        {"saturates instead of overflowing", "@99999999999@", INT_MAX},
        {"no at sign", "no verdict", std::nullopt},
        {"single at sign", "@5", std::nullopt},
        {"nothing", "", std::nullopt},
        {"text ends at a NUL", std::string("@0\0@", 4), std::nullopt},
        {"NUL before everything", std::string("\0@1@", 4), std::nullopt},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(finalReplyCode(c.reply), c.code);
    }
}

} // namespace
} // namespace lorvena
