#pragma once

#include "discovery/MacText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
    // --password; after the sources are read (PasswordSource.h), the
    // password to use.
    std::optional<std::string> password;
    std::optional<std::string> passwordFile;
    // Answers the subnet question with OK; without it, Cancel.
    bool yes = false;
    // Looks for each changed device at its new settings afterwards
    // (--no-verify: not), for --verify-wait seconds (empty: Account.ini's
    // [VERIFY] WAIT, else 15).
    bool verify = true;
    std::optional<double> verifyWaitSeconds;
};

// Which listed device a command acts on: the row at an address (--device),
// or the row whose MAC is `mac` (--mac).
struct DeviceChoice {
    std::uint32_t ip = 0;
    // 12 lower-case hex digits; empty: chosen by `ip`.
    std::string mac;

    bool byMac() const { return !mac.empty(); }
    bool operator==(const DeviceChoice&) const = default;
};

// Changes one listed device: `lorvena-cli set --device IP|--mac MAC ...`.
struct SetCommand {
    SearchCommand search;
    DeviceChoice device;
    ChangeOptions change;
};

// Changes several listed devices to consecutive addresses.
struct BatchCommand {
    SearchCommand search;
    std::vector<DeviceChoice> devices;
    std::uint32_t startIp = 0;
    ChangeOptions change;
};

// Upgrades one listed device's firmware: `lorvena-cli upgrade --device IP|
// --mac MAC --file PATH ...`. The upgrade panel exists in the new mode only.
struct UpgradeCommand {
    SearchCommand search;
    DeviceChoice device;
    std::string file;
    std::string userName = "admin";
    // --password; after the sources are read (PasswordSource.h), the
    // password to use (empty without one).
    std::string password;
    bool passwordGiven = false;
    std::optional<std::string> passwordFile;
};

// `help`, `--help`: the whole text; `help COMMAND`, `COMMAND --help`: that
// command's.
struct HelpCommand {
    std::string command;
};

// `--version`, `-V`.
struct VersionCommand {};

// Closes a window started with "-Soft".
struct SoftCloseCommand {};

// A usage error, with the one-line message for standard error; `command`
// (empty when none was recognised) names the help to point to.
struct UsageError {
    std::string message;
    std::string command = {};
};

using CliCommand = std::variant<SearchCommand, SetCommand, BatchCommand, UpgradeCommand, HelpCommand,
    VersionCommand, SoftCloseCommand, UsageError>;

// Reads the arguments and checks everything about them that needs neither
// the network nor the search mode: a usage error comes before any datagram.
// An option's value may follow it as the next argument or after "=".
CliCommand parseArguments(const std::vector<std::string>& arguments);

// The whole help text (`command` empty) or one command's.
std::string usageText(std::string_view command = {});

// The line after a usage error: where to read how it is done right.
std::string usageHint(const UsageError& error);

} // namespace lorvena
