#include "cli/ArgumentChecks.h"
#include "cli/CliArguments.h"
#include "cli/ConsoleOnvifLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

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

std::string usageError(const CliCommand& command)
{
    const auto* error = std::get_if<UsageError>(&command);
    return error ? error->message : std::string("(no usage error)");
}

// Every value no device could take is refused while reading the arguments,
// that is before the search: nothing is sent for a typing mistake.
TEST(CliArguments, ChangeAndUpgradeValuesAreCheckedBeforeTheSearch)
{
    using Args = std::vector<std::string>;
    const Args set = {"set", "--device", "10.1.0.40"};
    const Args batch = {"batch", "--devices", "10.1.0.40,10.1.0.41", "--start-ip", "10.1.2.1"};
    auto with = [](Args base, std::initializer_list<std::string> more) {
        base.insert(base.end(), more);
        return base;
    };
    struct Case {
        Args arguments;
        const char* named;
    } cases[] = {
        {with(set, {"--http-port", "99999"}), "--http-port"},
        {with(set, {"--http-port", "0"}), "--http-port"},
        {with(set, {"--rtsp-port", "65536"}), "--rtsp-port"},
        {with(batch, {"--http-port", "70000"}), "--http-port"},
        {with(set, {"--mask", "255.0.255.0"}), "--mask"},
        {with(set, {"--mask", "255.255.255.1"}), "--mask"},
        {with(batch, {"--mask", "0.255.255.255"}), "--mask"},
        {with(set, {"--new-ip", "10.1.0.256"}), "--new-ip"},
        {with(set, {"--gateway", "10.1.0"}), "--gateway"},
        {with(set, {"--dhcp", "on", "--new-ip", "10.1.0.41"}), "--new-ip"},
        {with(set, {"--gateway", "10.1.0.1", "--dhcp", "on"}), "--gateway"},
        {with(set, {"--mac", "00:12:34:00:00:40"}), "--mac"},
        {{"set", "--mac", "00:12:34:00:00"}, "--mac"},
        {{"set", "--mac", "00:12:34:00:00:4g"}, "--mac"},
        {{"set", "--mac", "00:12-34:00:00:40"}, "--mac"},
        {{"set", "--mac", "0012340000400"}, "--mac"},
        {{"set", "--new-ip", "10.1.0.41"}, "--mac"},
        {{"batch", "--devices", "10.1.0.40,,10.1.0.41", "--start-ip", "10.1.2.1"}, "--devices"},
        {{"batch", "--devices", "10.1.0.40,00:12:34:00:00:4x", "--start-ip", "10.1.2.1"}, "--devices"},
        // A second Ctrl+click would take the device out of the batch again.
        {{"batch", "--devices", "10.1.0.40,10.1.0.41,10.1.0.40", "--start-ip", "10.1.2.1"}, "twice"},
        {{"batch", "--devices", "00:12:34:00:00:40,001234000040", "--start-ip", "10.1.2.1"}, "twice"},
        {{"batch", "--devices", "10.1.0.40,10.1.0.41", "--start-ip", "10.1.2.255"}, "--start-ip"},
        {{"batch", "--devices", "10.1.0.40,10.1.0.41,10.1.0.42", "--start-ip", "10.1.2.254"}, "10.1.2.255 for device 2"},
        {with(set, {"--password", "a", "--password-file", "f"}), "--password-file"},
        {with(batch, {"--password-file", "f", "--password-file", "g"}), "--password-file"},
        {{"upgrade", "--device", "10.1.0.40", "--file", "f", "--password", "a", "--password", "b"}, "--password"},
        {{"upgrade", "--device", "10.1.0.40", "--mac", "00:12:34:00:00:40", "--file", "f"}, "--mac"},
        {{"upgrade", "--mac", "12:34", "--file", "f"}, "--mac"},
        {{"upgrade", "--file", "f"}, "--device or --mac"},
    };
    for (const Case& c : cases) {
        std::string message = usageError(parseArguments(c.arguments));
        EXPECT_NE(message.find(c.named), std::string::npos) << c.named << ": " << message;
    }

    // The edges that are still allowed.
    EXPECT_EQ(std::get<SetCommand>(parseArguments(with(set, {"--http-port", "65535", "--rtsp-port", "1"})))
                  .change.httpPort,
        "65535");
    EXPECT_EQ(std::get<SetCommand>(parseArguments(with(set, {"--mask", "0.0.0.0"}))).change.mask, 0u);
    EXPECT_TRUE(std::get<SetCommand>(parseArguments(with(set, {"--dhcp", "off", "--new-ip", "10.1.0.41"})))
                    .change.newIp);
    // Whatever source it came from, a batch password is counted in the
    // device's 8-bit text, where a Polish letter is one byte.
    for (const std::string& password : {std::string(31, 'x'), std::string(16, 'x') + "łódźżółćęśąźńłó"})
        EXPECT_FALSE(checkBeforeSearch(std::get<BatchCommand>(parseArguments(with(batch, {"--password", password}))), 1));
    EXPECT_TRUE(checkBeforeSearch(std::get<BatchCommand>(parseArguments(with(batch, {"--password", std::string(32, 'x')}))), 1));
    EXPECT_EQ(std::get<BatchCommand>(parseArguments({"batch", "--devices", "10.1.0.40,10.1.0.41", "--start-ip",
                                         "10.1.2.253"}))
                  .startIp,
        0x0A0102FDu);
}

TEST(CliArguments, MacInEverySpellingDevicesReport)
{
    for (const char* spelling :
        {"00:1a:2b:3c:4d:5e", "00-1A-2B-3C-4D-5E", "001a2b3c4d5e", "001A2B3C4D5E", "0:1a:2b:3c:4d:5e"}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(macDigits(spelling), "001a2b3c4d5e");
        auto set = std::get<SetCommand>(parseArguments({"set", "--mac", spelling}));
        EXPECT_TRUE(set.device.byMac());
        EXPECT_EQ(set.device.mac, "001a2b3c4d5e");
        EXPECT_EQ(std::get<UpgradeCommand>(parseArguments({"upgrade", "--mac", spelling, "--file", "f"})).device.mac,
            "001a2b3c4d5e");
    }
    auto batch = std::get<BatchCommand>(
        parseArguments({"batch", "--devices", "10.1.0.40,00-1A-2B-3C-4D-5E", "--start-ip", "10.1.2.1"}));
    ASSERT_EQ(batch.devices.size(), 2u);
    EXPECT_EQ(batch.devices[0], (DeviceChoice {0x0A010028u, ""}));
    EXPECT_EQ(batch.devices[1], (DeviceChoice {0, "001a2b3c4d5e"}));
}

// The old generation's form has the address, mask and gateway only: every
// other value would be dropped without a word, so it is refused before the
// search, whether the mode comes from --mode or from Account.ini.
TEST(CliArguments, OptionsWithoutAFieldInTheOldGeneration)
{
    struct Case {
        std::vector<std::string> option;
        const char* named;
    } cases[] = {
        {{"--dns", "10.1.0.2"}, "--dns"},
        {{"--http-port", "8080"}, "--http-port"},
        {{"--rtsp-port", "1554"}, "--rtsp-port"},
        {{"--dhcp", "off"}, "--dhcp"},
        {{"--user", "admin"}, "--user"},
        {{"--password", "12345"}, "--password"},
        {{"--password-file", "-"}, "--password-file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        std::vector<std::string> set = {"set", "--device", "10.1.0.10"};
        set.insert(set.end(), c.option.begin(), c.option.end());
        const auto setCommand = std::get<SetCommand>(parseArguments(set));
        auto error = checkBeforeSearch(setCommand, 0);
        ASSERT_TRUE(error);
        EXPECT_NE(error->message.find(c.named), std::string::npos) << error->message;
        EXPECT_FALSE(checkBeforeSearch(setCommand, 1));

        if (c.option.front() == "--dhcp")
            continue; // not a batch option
        std::vector<std::string> batch = {"batch", "--devices", "10.1.0.10", "--start-ip", "10.1.2.1"};
        batch.insert(batch.end(), c.option.begin(), c.option.end());
        const auto batchCommand = std::get<BatchCommand>(parseArguments(batch));
        error = checkBeforeSearch(batchCommand, 0);
        ASSERT_TRUE(error);
        EXPECT_NE(error->message.find(c.named), std::string::npos) << error->message;
        EXPECT_FALSE(checkBeforeSearch(batchCommand, 1));
    }
    // The message says where the old mode came from.
    auto oldMode = std::get<SetCommand>(parseArguments({"set", "--device", "10.1.0.10", "--dns", "10.1.0.2"}));
    EXPECT_NE(checkBeforeSearch(oldMode, 0)->message.find("Account.ini"), std::string::npos);
    oldMode.search.searchMode = 0;
    EXPECT_NE(checkBeforeSearch(oldMode, 0)->message.find("--mode old"), std::string::npos);

    const auto fields = std::get<SetCommand>(parseArguments({"set", "--device", "10.1.0.10", "--new-ip",
        "10.1.0.11", "--mask", "255.255.0.0", "--gateway", "10.1.0.1", "--yes", "--mode", "old"}));
    EXPECT_FALSE(checkBeforeSearch(fields, 0));
}

// A package that cannot be read is refused before the search; a FIFO is
// refused without waiting for a writer.
TEST(CliArguments, UpgradePackageCheckedBeforeTheSearch)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("lorvena-cli-file-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "Aktualizacja-łódź.bin") << "package";
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);

    auto problem = [&](const fs::path& path) {
        auto command = std::get<UpgradeCommand>(parseArguments({"upgrade", "--device", "10.1.0.13", "--file", path}));
        auto error = checkBeforeSearch(command);
        return error ? error->message : std::string();
    };
    EXPECT_EQ(problem(folder / "Aktualizacja-łódź.bin"), "");
    for (const fs::path& bad : {folder / "none.bin", folder, folder / "fifo"}) {
        std::string message = problem(bad);
        EXPECT_NE(message.find("--file '" + bad.string() + "'"), std::string::npos) << message;
        EXPECT_NE(message.find("Invalid uploading file!"), std::string::npos) << message;
    }
    fs::remove_all(folder);
}

// "--option=value" reads as "--option value"; only an option's own place is
// split, so a value that holds "=" or reads like an option stays a value.
TEST(CliArguments, JoinedValuesReadAsSeparateOnes)
{
    using Args = std::vector<std::string>;
    struct Case {
        const char* name;
        Args joined;
        Args separate;
    } cases[] = {
        {"search", {"search", "--mode=new", "--wait=0.5", "--format=csv", "--onvif-mask"},
            {"search", "--mode", "new", "--wait", "0.5", "--format", "csv", "--onvif-mask"}},
        {"set", {"set", "--device=10.1.0.40", "--mask=255.255.0.0", "--password=a=b", "--yes"},
            {"set", "--device", "10.1.0.40", "--mask", "255.255.0.0", "--password", "a=b", "--yes"}},
        {"value that reads like an option", {"set", "--device=10.1.0.40", "--password", "--help"},
            {"set", "--device", "10.1.0.40", "--password", "--help"}},
        {"empty value", {"set", "--device=10.1.0.40", "--password="},
            {"set", "--device", "10.1.0.40", "--password", ""}},
        {"batch", {"batch", "--devices=10.1.0.40,00:12:34:00:00:01", "--start-ip=10.1.2.1", "--verify-wait=2"},
            {"batch", "--devices", "10.1.0.40,00:12:34:00:00:01", "--start-ip", "10.1.2.1", "--verify-wait", "2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliCommand joined = parseArguments(c.joined);
        CliCommand separate = parseArguments(c.separate);
        ASSERT_EQ(joined.index(), separate.index()) << usageError(joined);
        ASSERT_FALSE(std::holds_alternative<UsageError>(joined)) << usageError(joined);
        if (auto* set = std::get_if<SetCommand>(&joined)) {
            const auto& other = std::get<SetCommand>(separate);
            EXPECT_EQ(set->device, other.device);
            EXPECT_EQ(set->change.mask, other.change.mask);
            EXPECT_EQ(set->change.password, other.change.password);
            EXPECT_EQ(set->change.yes, other.change.yes);
        } else if (auto* batch = std::get_if<BatchCommand>(&joined)) {
            const auto& other = std::get<BatchCommand>(separate);
            EXPECT_EQ(batch->devices, other.devices);
            EXPECT_EQ(batch->startIp, other.startIp);
            EXPECT_EQ(batch->change.verifyWaitSeconds, other.change.verifyWaitSeconds);
        } else {
            const auto& search = std::get<SearchCommand>(joined);
            const auto& other = std::get<SearchCommand>(separate);
            EXPECT_EQ(search.searchMode, other.searchMode);
            EXPECT_EQ(search.waitSeconds, other.waitSeconds);
            EXPECT_EQ(search.format, other.format);
            EXPECT_EQ(search.onvifMaskMode, other.onvifMaskMode);
        }
    }
    EXPECT_EQ(std::get<SetCommand>(parseArguments({"set", "--device", "10.1.0.40", "--password", "--help"}))
                  .change.password,
        "--help");
}

// Help and version as Linux users ask for them, and the usage errors among
// them; a usage error names the command whose help the hint points to.
TEST(CliArguments, HelpVersionAndTheHintAfterAUsageError)
{
    using Args = std::vector<std::string>;
    struct Case {
        Args arguments;
        const char* help; // the help shown; nullptr: none
        const char* hint; // the hint after a usage error; nullptr: none
    } cases[] = {
        {{"help"}, "", nullptr},
        {{"--help"}, "", nullptr},
        {{"-h"}, "", nullptr},
        {{"help", "set"}, "set", nullptr},
        {{"--help", "batch"}, "batch", nullptr},
        {{"upgrade", "--help"}, "upgrade", nullptr},
        {{"set", "--device", "10.1.0.40", "-h"}, "set", nullptr},
        {{"soft-close", "--help"}, "soft-close", nullptr},
        {{"search", "--mode=newer", "--help"}, "search", nullptr},
        {{"help", "find"}, nullptr, "try 'lorvena-cli help'"},
        {{"help", "set", "batch"}, nullptr, "try 'lorvena-cli help help'"},
        {{"--version", "search"}, nullptr, "try 'lorvena-cli help'"},
        {{"set", "--yes=1", "--device", "10.1.0.40"}, nullptr, "try 'lorvena-cli help set'"},
        {{"search", "--wait=soon"}, nullptr, "try 'lorvena-cli help search'"},
        {{"batch", "--devices", "10.1.0.40"}, nullptr, "try 'lorvena-cli help batch'"},
        {{"soft-close", "now"}, nullptr, "try 'lorvena-cli help soft-close'"},
        {{"find"}, nullptr, "try 'lorvena-cli help'"},
    };
    for (const Case& c : cases) {
        CliCommand command = parseArguments(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? std::string() : c.arguments.front() + " " + std::to_string(c.arguments.size()));
        if (c.help) {
            ASSERT_TRUE(std::holds_alternative<HelpCommand>(command)) << usageError(command);
            EXPECT_EQ(std::get<HelpCommand>(command).command, c.help);
        } else {
            ASSERT_TRUE(std::holds_alternative<UsageError>(command));
            EXPECT_EQ(usageHint(std::get<UsageError>(command)), c.hint);
        }
    }
    for (const char* version : {"--version", "-V"})
        EXPECT_TRUE(std::holds_alternative<VersionCommand>(parseArguments({version}))) << version;
    EXPECT_NE(usageError(parseArguments({"set", "--yes=1"})).find("'--yes' takes no value"), std::string::npos);
}

// One command's help shows that command and the notes it needs, not the
// others'.
TEST(CliArguments, OneCommandsHelp)
{
    const std::string whole = usageText();
    for (const char* command : {"search", "set", "batch", "upgrade", "soft-close"}) {
        const std::string synopsis = std::string("lorvena-cli ") + command;
        EXPECT_NE(whole.find(synopsis), std::string::npos) << command;
        const std::string text = usageText(command);
        EXPECT_NE(text.find(synopsis), std::string::npos) << command;
        EXPECT_NE(text.find("Exit status"), std::string::npos) << command;
        for (const char* other : {"search", "set", "batch", "upgrade", "soft-close"}) {
            if (std::string_view(other) != command) {
                EXPECT_EQ(text.find(std::string("lorvena-cli ") + other + " "), std::string::npos)
                    << other << " in the help of " << command;
            }
        }
    }
    EXPECT_NE(usageText("set").find("LORVENA_PASSWORD"), std::string::npos);
    EXPECT_EQ(usageText("search").find("LORVENA_PASSWORD"), std::string::npos);
}

} // namespace
} // namespace lorvena
