#include "cli/CliArguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <type_traits>

namespace lorvena {

namespace {

std::optional<double> parseSeconds(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0 || value > 24 * 3600)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parseAddress(const std::string& text)
{
    std::uint32_t address = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        std::size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos || end == start || end - start > 3)
            return std::nullopt;
        unsigned value = 0;
        for (std::size_t i = start; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        }
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | value;
        start = end + 1;
    }
    return address;
}

bool isPortText(const std::string& text)
{
    return !text.empty() && text.size() <= 5 &&
        text.find_first_not_of("0123456789") == std::string::npos;
}

// Reads one search option (--mode, --wait, --format) into `command`.
// Returns an error text, empty on success.
std::string searchOption(const std::string& option, const std::string& value, SearchCommand& command)
{
    if (option == "--mode") {
        if (value == "old")
            command.searchMode = 0;
        else if (value == "new")
            command.searchMode = 1;
        else
            return "--mode takes 'old' or 'new', not '" + value + "'";
    } else if (option == "--wait") {
        auto seconds = parseSeconds(value);
        if (!seconds)
            return "--wait takes a number of seconds (0 to 86400), not '" + value + "'";
        command.waitSeconds = *seconds;
    } else {
        if (value == "table")
            command.format = OutputFormat::Table;
        else if (value == "csv")
            command.format = OutputFormat::Csv;
        else if (value == "json")
            command.format = OutputFormat::Json;
        else
            return "--format takes 'table', 'csv' or 'json', not '" + value + "'";
    }
    return {};
}

// Reads one change option into `change`; an error text, empty on success.
std::string changeOption(const std::string& option, const std::string& value, ChangeOptions& change)
{
    auto address = [&](std::optional<std::uint32_t>& target) -> std::string {
        auto parsed = parseAddress(value);
        if (!parsed)
            return option + " takes a dotted IPv4 address, not '" + value + "'";
        target = parsed;
        return {};
    };
    auto port = [&](std::optional<std::string>& target) -> std::string {
        if (!isPortText(value))
            return option + " takes a port number, not '" + value + "'";
        target = value;
        return {};
    };
    if (option == "--new-ip")
        return address(change.newIp);
    if (option == "--mask")
        return address(change.mask);
    if (option == "--gateway")
        return address(change.gateway);
    if (option == "--dns")
        return address(change.dns);
    if (option == "--http-port")
        return port(change.httpPort);
    if (option == "--rtsp-port")
        return port(change.rtspPort);
    if (option == "--dhcp") {
        if (value != "on" && value != "off")
            return "--dhcp takes 'on' or 'off', not '" + value + "'";
        change.dhcp = value == "on";
        return {};
    }
    if (option == "--user") {
        change.userName = value;
        return {};
    }
    if (option == "--password") {
        change.password = value;
        return {};
    }
    return "unknown";
}

CliCommand parseSearch(const std::vector<std::string>& arguments)
{
    SearchCommand command;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--onvif-mask") {
            command.onvifMaskMode = true;
            continue;
        }
        if (option != "--mode" && option != "--wait" && option != "--format")
            return UsageError {"unknown argument '" + option + "' for 'search'"};
        if (i + 1 >= arguments.size())
            return UsageError {"'" + option + "' needs a value"};
        if (std::string error = searchOption(option, arguments[++i], command); !error.empty())
            return UsageError {error};
    }
    return command;
}

// `set` and `batch`: search options, change options, and their own.
template<typename Command>
CliCommand parseChange(const std::vector<std::string>& arguments, bool batch)
{
    Command command;
    bool haveTarget = false;
    bool haveStart = false;
    const std::string name = arguments.front();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--yes") {
            command.change.yes = true;
            continue;
        }
        if (option == "--onvif-mask") {
            command.search.onvifMaskMode = true;
            continue;
        }
        if (option == "--no-verify") {
            command.change.verify = false;
            continue;
        }
        if (option == "--verify-wait" && i + 1 < arguments.size()) {
            auto seconds = parseSeconds(arguments[++i]);
            if (!seconds || *seconds > 600)
                return UsageError {"--verify-wait takes a number of seconds (0 to 600), not '" + arguments[i] + "'"};
            command.change.verifyWaitSeconds = *seconds;
            continue;
        }
        if (option == "--format")
            return UsageError {"unknown argument '" + option + "' for '" + name + "'"};
        if (i + 1 >= arguments.size() || !option.starts_with("--"))
            return UsageError {option.starts_with("--") ? "'" + option + "' needs a value"
                                                        : "unknown argument '" + option + "' for '" + name + "'"};
        const std::string& value = arguments[++i];
        std::string error;
        if (option == "--mode" || option == "--wait") {
            error = searchOption(option, value, command.search);
        } else if (!batch && option == "--device") {
            if constexpr (std::is_same_v<Command, SetCommand>) {
                auto address = parseAddress(value);
                if (!address)
                    error = "--device takes a dotted IPv4 address, not '" + value + "'";
                else
                    command.device = *address;
            }
            haveTarget = true;
        } else if (batch && option == "--devices") {
            if constexpr (std::is_same_v<Command, BatchCommand>) {
                std::size_t start = 0;
                while (error.empty() && start <= value.size()) {
                    std::size_t comma = value.find(',', start);
                    std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                    if (auto address = parseAddress(item))
                        command.devices.push_back(*address);
                    else
                        error = "--devices takes dotted IPv4 addresses separated by commas, not '" + item + "'";
                    if (comma == std::string::npos)
                        break;
                    start = comma + 1;
                }
            }
            haveTarget = true;
        } else if (batch && option == "--start-ip") {
            if constexpr (std::is_same_v<Command, BatchCommand>) {
                auto address = parseAddress(value);
                if (!address)
                    error = "--start-ip takes a dotted IPv4 address, not '" + value + "'";
                else
                    command.startIp = *address;
            }
            haveStart = true;
        } else if (batch && (option == "--new-ip" || option == "--dhcp")) {
            error = "unknown argument '" + option + "' for 'batch'";
        } else {
            error = changeOption(option, value, command.change);
            if (error == "unknown")
                error = "unknown argument '" + option + "' for '" + name + "'";
        }
        if (!error.empty())
            return UsageError {error};
    }
    if (!haveTarget)
        return UsageError {batch ? "'batch' needs --devices" : "'set' needs --device"};
    if (batch && !haveStart)
        return UsageError {"'batch' needs --start-ip"};
    return command;
}

CliCommand parseUpgrade(const std::vector<std::string>& arguments)
{
    UpgradeCommand command;
    command.search.searchMode = 1;
    bool haveDevice = false;
    bool haveFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool known = option == "--device" || option == "--file" || option == "--user" || option == "--password" ||
            option == "--mode" || option == "--wait";
        if (!known)
            return UsageError {"unknown argument '" + option + "' for 'upgrade'"};
        if (i + 1 >= arguments.size())
            return UsageError {"'" + option + "' needs a value"};
        const std::string& value = arguments[++i];
        if (option == "--device") {
            auto address = parseAddress(value);
            if (!address)
                return UsageError {"--device takes a dotted IPv4 address, not '" + value + "'"};
            command.device = *address;
            haveDevice = true;
        } else if (option == "--file") {
            if (value.empty())
                return UsageError {"--file needs a path"};
            command.file = value;
            haveFile = true;
        } else if (option == "--user") {
            command.userName = value;
        } else if (option == "--password") {
            command.password = value;
        } else if (option == "--mode" && value != "new") {
            return UsageError {"'upgrade' works in the new mode only: --mode takes 'new', not '" + value + "'"};
        } else if (option == "--wait") {
            if (std::string error = searchOption(option, value, command.search); !error.empty())
                return UsageError {error};
        }
    }
    if (!haveDevice)
        return UsageError {"'upgrade' needs --device"};
    if (!haveFile)
        return UsageError {"'upgrade' needs --file"};
    return command;
}

} // namespace

CliCommand parseArguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return UsageError {"no command given"};
    const std::string& command = arguments.front();
    if (command == "help" || command == "--help" || command == "-h")
        return HelpCommand {};
    if (command == "search")
        return parseSearch(arguments);
    if (command == "set")
        return parseChange<SetCommand>(arguments, false);
    if (command == "batch")
        return parseChange<BatchCommand>(arguments, true);
    if (command == "upgrade")
        return parseUpgrade(arguments);
    if (command == "soft-close") {
        if (arguments.size() > 1)
            return UsageError {"unknown argument '" + arguments[1] + "' for 'soft-close'"};
        return SoftCloseCommand {};
    }
    return UsageError {"unknown command '" + command + "'"};
}

const char* usageText()
{
    return "Usage:\n"
           "  lorvena-cli search [--mode old|new] [--wait SECONDS] [--format table|csv|json]\n"
           "                     [--onvif-mask]\n"
           "      Broadcasts a device search from every local IPv4 address, keeps\n"
           "      receiving replies for SECONDS (default 3), then prints the device list.\n"
           "      The new mode also runs the ONVIF discovery, after a one-second pause,\n"
           "      for SECONDS (at least 1) and until it has asked every device found;\n"
           "      --onvif-mask (\"ONVIF tryb maski\") also asks every address of each\n"
           "      local subnet. Without --mode the mode stored in Account.ini is used\n"
           "      (missing: old).\n"
           "  lorvena-cli set --device IP [--new-ip A] [--mask M] [--gateway G] [--dns D]\n"
           "                  [--http-port P] [--rtsp-port P] [--dhcp on|off] [--user NAME]\n"
           "                  [--password PW] [--yes] [--mode old|new] [--wait SECONDS]\n"
           "                  [--onvif-mask] [--no-verify] [--verify-wait SECONDS]\n"
           "      Searches, clicks the device listed at IP, puts the options into the form\n"
           "      and presses \"Zmiana IP\". Every message is printed on its own line;\n"
           "      the subnet question is answered OK only with --yes. An ONVIF device\n"
           "      (type 900..999) shows no message after its login: lines starting\n"
           "      \"onvif:\" tell whether the login failed, that the settings were handed\n"
           "      to the device, and whether the device took them.\n"
           "  lorvena-cli batch --devices IP[,IP...] --start-ip A [--mask M] [--gateway G]\n"
           "                  [--dns D] [--http-port P] [--rtsp-port P] [--user NAME]\n"
           "                  [--password PW] [--yes] [--mode old|new] [--wait SECONDS]\n"
           "                  [--onvif-mask] [--no-verify] [--verify-wait SECONDS]\n"
           "      Ctrl+clicks the devices in order and changes them to consecutive\n"
           "      addresses from A; a line per device on standard error.\n"
           "      After set and batch, each device reported changed is looked for at\n"
           "      its new settings for SECONDS (default 15, or Account.ini's [VERIFY]\n"
           "      WAIT): a line \"verified: MAC at NEW-IP\" or \"not seen: MAC expected\n"
           "      at NEW-IP\" per device. --no-verify skips it.\n"
           "  lorvena-cli upgrade --device IP --file PATH [--user NAME] [--password PW]\n"
           "                      [--mode new] [--wait SECONDS]\n"
           "      Searches (new mode), clicks the device listed at IP, fills the Upgrade\n"
           "      tab with the package, user (default admin) and password, presses\n"
           "      Upgrade and follows the device to the end. Progress goes to standard\n"
           "      error; every message is printed on its own line.\n"
           "  lorvena-cli soft-close\n"
           "      Closes the window of a Lorvena started with the argument -Soft\n"
           "      (message 6024 over the per-user local socket).\n"
           "  lorvena-cli help\n"
           "      Shows this text.\n"
           "\n"
           "Exit status: 0 on success (a search also when no device answered; a change\n"
           "when it ended with \"Zmiana zakończona powodzeniem\" or an ONVIF device took\n"
           "it and every changed device was seen at its new settings; an upgrade when\n"
           "the device confirmed its end), 1 when a change or an upgrade failed or\n"
           "soft-close finds no window, 2 on a usage error, 3 when a device to change\n"
           "is not listed, 4 when a change was sent or accepted but a device was not\n"
           "seen at its new settings.\n";
}

} // namespace lorvena
