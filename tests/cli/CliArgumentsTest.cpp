#include "cli/CliArguments.h"
#include "cli/ConsoleOnvifLibrary.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

TEST(CliArguments, SearchOptions)
{
    auto command = parseArguments({"search", "--mode", "new", "--wait", "0.5", "--format", "json"});
    ASSERT_TRUE(std::holds_alternative<SearchCommand>(command));
    const auto& search = std::get<SearchCommand>(command);
    EXPECT_EQ(search.searchMode, 1);
    EXPECT_DOUBLE_EQ(search.waitSeconds, 0.5);
    EXPECT_EQ(search.format, OutputFormat::Json);

    const auto defaults = std::get<SearchCommand>(parseArguments({"search"}));
    EXPECT_EQ(defaults.searchMode, std::nullopt);
    EXPECT_DOUBLE_EQ(defaults.waitSeconds, 3.0);
    EXPECT_EQ(defaults.format, OutputFormat::Table);
}

TEST(CliArguments, OnvifMaskModeForEveryCommandThatSearches)
{
    EXPECT_FALSE(std::get<SearchCommand>(parseArguments({"search"})).onvifMaskMode);
    EXPECT_TRUE(std::get<SearchCommand>(parseArguments({"search", "--onvif-mask", "--mode", "new"})).onvifMaskMode);
    EXPECT_TRUE(std::get<SetCommand>(parseArguments({"set", "--device", "10.1.0.40", "--onvif-mask"}))
                    .search.onvifMaskMode);
    EXPECT_TRUE(std::get<BatchCommand>(
        parseArguments({"batch", "--onvif-mask", "--devices", "10.1.0.40", "--start-ip", "10.1.2.1"}))
                    .search.onvifMaskMode);
    EXPECT_TRUE(std::holds_alternative<UsageError>(
        parseArguments({"upgrade", "--device", "10.1.0.40", "--file", "f", "--onvif-mask"})));
}

TEST(CliArguments, SetAndBatchVerifyUnlessToldNotTo)
{
    const auto set = std::get<SetCommand>(parseArguments({"set", "--device", "10.1.0.40"}));
    EXPECT_TRUE(set.change.verify);
    EXPECT_EQ(set.change.verifyWaitSeconds, std::nullopt);
    const auto quiet = std::get<BatchCommand>(parseArguments(
        {"batch", "--devices", "10.1.0.40", "--start-ip", "10.1.2.1", "--no-verify", "--verify-wait", "2.5"}));
    EXPECT_FALSE(quiet.change.verify);
    EXPECT_EQ(quiet.change.verifyWaitSeconds, 2.5);
    for (const char* bad : {"-1", "601", "soon"}) {
        auto command = parseArguments({"set", "--device", "10.1.0.40", "--verify-wait", bad});
        ASSERT_TRUE(std::holds_alternative<UsageError>(command)) << bad;
        EXPECT_NE(std::get<UsageError>(command).message.find("--verify-wait"), std::string::npos);
    }
    EXPECT_TRUE(std::holds_alternative<UsageError>(parseArguments({"search", "--no-verify"})));
}

TEST(CliArguments, WaitAlsoBoundsTheOnvifDiscoveryInWholeSeconds)
{
    struct Case {
        double wait;
        std::int32_t seconds;
    } cases[] = {{0, 1}, {0.2, 1}, {1, 1}, {1.01, 2}, {3, 3}, {86400, 86400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wait);
        EXPECT_EQ(ConsoleOnvifLibrary::searchSeconds(c.wait), c.seconds);
    }
}

TEST(CliArguments, UsageErrorsNameTheBadArgument)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* named;
    } cases[] = {
        {{}, "no command"},
        {{"find"}, "'find'"},
        {{"search", "--mode", "newer"}, "'newer'"},
        {{"search", "--mode"}, "'--mode'"},
        {{"search", "--wait", "-1"}, "'-1'"},
        {{"search", "--wait", "3s"}, "'3s'"},
        {{"search", "--wait", "nan"}, "'nan'"},
        {{"search", "--format", "xml"}, "'xml'"},
        {{"search", "--verbose"}, "'--verbose'"},
    };
    for (const Case& c : cases) {
        auto command = parseArguments(c.arguments);
        ASSERT_TRUE(std::holds_alternative<UsageError>(command)) << c.named;
        EXPECT_NE(std::get<UsageError>(command).message.find(c.named), std::string::npos)
            << std::get<UsageError>(command).message;
    }
}

} // namespace
} // namespace lorvena
