#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace lorvena {

enum class OutputFormat { Table, Csv, Json };

struct SearchCommand {
    // Empty: the mode stored in Account.ini.
    std::optional<int> searchMode;
    double waitSeconds = 3.0;
    OutputFormat format = OutputFormat::Table;
    // "ONVIF tryb maski": the new mode's ONVIF discovery also asks every
    // address of each local subnet.
    bool onvifMaskMode = false;
};

// Values a change puts into the form over what the device's row filled.
struct ChangeOptions {
    std::optional<std::uint32_t> newIp;
    std::optional<std::uint32_t> mask;
    std::optional<std::uint32_t> gateway;
    std::optional<std::uint32_t> dns;
    std::optional<std::string> httpPort;
    std::optional<std::string> rtspPort;
    std::optional<bool> dhcp;
    std::optional<std::string> userName;
    std::optional<std::string> password;
    // Answers the subnet question with OK; without it, Cancel.
    bool yes = false;
    // Looks for each changed device at its new settings afterwards
    // (--no-verify: not), for --verify-wait seconds (empty: Account.ini's
    // [VERIFY] WAIT, else 15).
    bool verify = true;
    std::optional<double> verifyWaitSeconds;
};

// Changes one listed device: `lorvena-cli set --device IP ...`.
struct SetCommand {
    SearchCommand search;
    std::uint32_t device = 0;
    ChangeOptions change;
};

// Changes several listed devices to consecutive addresses.
struct BatchCommand {
    SearchCommand search;
    std::vector<std::uint32_t> devices;
    std::uint32_t startIp = 0;
    ChangeOptions change;
};

// Upgrades one listed device's firmware: `lorvena-cli upgrade --device IP
// --file PATH ...`. The upgrade panel exists in the new mode only.
struct UpgradeCommand {
    SearchCommand search;
    std::uint32_t device = 0;
    std::string file;
    std::string userName = "admin";
    std::string password;
};

struct HelpCommand {};

// Closes a window started with "-Soft".
struct SoftCloseCommand {};

// A usage error, with the message for standard error.
struct UsageError {
    std::string message;
};

using CliCommand = std::variant<SearchCommand, SetCommand, BatchCommand, UpgradeCommand, HelpCommand,
    SoftCloseCommand, UsageError>;

CliCommand parseArguments(const std::vector<std::string>& arguments);

const char* usageText();

} // namespace lorvena
