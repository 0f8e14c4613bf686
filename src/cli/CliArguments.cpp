#include "cli/CliArguments.h"

#include "control/ChangeRules.h"
#include "platform/LocalAddresses.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cmath>
#include <iterator>
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

// A port a device can be given: 1 to 65535 in decimal. The request fields
// are wider, so a larger number would reach the device cut or refused.
bool isPortText(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    return value >= 1 && value <= 65535;
}

constexpr const char* macSpellings = "00:1a:2b:3c:4d:5e, 00-1A-2B-3C-4D-5E or 001a2b3c4d5e";

// --device IP or --mac MAC into `choice`; an error text, empty on success.
std::string deviceOption(const std::string& option, const std::string& value, DeviceChoice& choice)
{
    if (option == "--device") {
        auto address = parseAddress(value);
        if (!address)
            return "--device takes a dotted IPv4 address, not '" + value + "'";
        choice.ip = *address;
        return {};
    }
    auto mac = macDigits(value);
    if (!mac)
        return "--mac takes a MAC address (" + std::string(macSpellings) + "), not '" + value + "'";
    choice.mac = *mac;
    return {};
}

// The device options seen: exactly one of --device and --mac.
std::string deviceGiven(const std::string& command, bool haveDevice, bool haveMac)
{
    if (haveDevice && haveMac)
        return "'" + command + "' takes --device or --mac, not both";
    if (!haveDevice && !haveMac)
        return "'" + command + "' needs --device or --mac";
    return {};
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
            return option + " takes a port number from 1 to 65535, not '" + value + "'";
        target = value;
        return {};
    };
    if (option == "--new-ip")
        return address(change.newIp);
    if (option == "--mask") {
        std::string error = address(change.mask);
        // A mask is ones from the top, then zeros: anything else would leave
        // the device unreachable.
        if (error.empty() && !maskAcceptable(*change.mask))
            return "--mask takes a network mask (ones from the top, then zeros, e.g. 255.255.255.0), not '" +
                value + "'";
        return error;
    }
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
    if (option == "--password" || option == "--password-file") {
        if (change.password || change.passwordFile)
            return "give one of --password and --password-file, once";
        (option == "--password" ? change.password : change.passwordFile) = value;
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

// A batch's entries, each an address or a MAC; an error text, empty on
// success.
std::string batchEntries(const std::string& value, std::vector<DeviceChoice>& devices)
{
    std::size_t start = 0;
    while (true) {
        std::size_t comma = value.find(',', start);
        std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        DeviceChoice choice;
        if (auto address = parseAddress(item))
            choice.ip = *address;
        else if (auto mac = macDigits(item))
            choice.mac = *mac;
        else
            return "--devices takes addresses or MACs separated by commas, not '" + item + "'";
        // A second Ctrl+click on a row takes it out of the batch again.
        if (std::find(devices.begin(), devices.end(), choice) != devices.end())
            return "--devices names '" + item + "' twice";
        devices.push_back(choice);
        if (comma == std::string::npos)
            return {};
        start = comma + 1;
    }
}

// What a whole `set` or `batch` asks that no device could take.
std::string changeConflicts(const SetCommand& command)
{
    const ChangeOptions& change = command.change;
    if (change.dhcp.value_or(false)) {
        // With DHCP on the request carries no address fields: the values
        // would be dropped without a word.
        for (auto [given, option] : {std::pair {change.newIp.has_value(), "--new-ip"},
                 {change.mask.has_value(), "--mask"}, {change.gateway.has_value(), "--gateway"},
                 {change.dns.has_value(), "--dns"}}) {
            if (given)
                return std::string(option) + " has no effect with --dhcp on: the device takes its addresses from "
                                             "the DHCP server";
        }
    }
    return {};
}

std::string changeConflicts(const BatchCommand& command)
{
    // The devices take consecutive addresses: each must be one a device may
    // take, or the run stops half-way with some devices moved.
    for (std::size_t k = 0; k < command.devices.size(); ++k) {
        std::uint32_t address = command.startIp + static_cast<std::uint32_t>(k);
        if (!addressAcceptable(address)) {
            std::string which = k == 0 ? std::string("itself")
                                       : "the address " + dottedAddress(address) + " for device " + std::to_string(k + 1);
            return "--start-ip " + dottedAddress(command.startIp) + " gives " + which +
                ", which no device may take (it ends in .0 or .255)";
        }
    }
    return {};
}

// `set` and `batch`: search options, change options, and their own.
template<typename Command>
CliCommand parseChange(const std::vector<std::string>& arguments, bool batch)
{
    Command command;
    bool haveDevice = false;
    bool haveMac = false;
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
        } else if (!batch && (option == "--device" || option == "--mac")) {
            if constexpr (std::is_same_v<Command, SetCommand>)
                error = deviceOption(option, value, command.device);
            (option == "--device" ? haveDevice : haveMac) = true;
        } else if (batch && option == "--devices") {
            if constexpr (std::is_same_v<Command, BatchCommand>) {
                command.devices.clear();
                error = batchEntries(value, command.devices);
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
    if (!batch) {
        if (std::string error = deviceGiven(name, haveDevice, haveMac); !error.empty())
            return UsageError {error};
    } else if (!haveTarget) {
        return UsageError {"'batch' needs --devices"};
    }
    if (batch && !haveStart)
        return UsageError {"'batch' needs --start-ip"};
    if (std::string error = changeConflicts(command); !error.empty())
        return UsageError {error};
    return command;
}

CliCommand parseUpgrade(const std::vector<std::string>& arguments)
{
    UpgradeCommand command;
    command.search.searchMode = 1;
    bool haveDevice = false;
    bool haveMac = false;
    bool haveFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool known = option == "--device" || option == "--mac" || option == "--file" || option == "--user" ||
            option == "--password" || option == "--password-file" || option == "--mode" || option == "--wait";
        if (!known)
            return UsageError {"unknown argument '" + option + "' for 'upgrade'"};
        if (i + 1 >= arguments.size())
            return UsageError {"'" + option + "' needs a value"};
        const std::string& value = arguments[++i];
        if (option == "--device" || option == "--mac") {
            if (std::string error = deviceOption(option, value, command.device); !error.empty())
                return UsageError {error};
            (option == "--device" ? haveDevice : haveMac) = true;
        } else if (option == "--file") {
            if (value.empty())
                return UsageError {"--file needs a path"};
            command.file = value;
            haveFile = true;
        } else if (option == "--user") {
            command.userName = value;
        } else if (option == "--password" || option == "--password-file") {
            if (command.passwordGiven || command.passwordFile)
                return UsageError {"give one of --password and --password-file, once"};
            if (option == "--password") {
                command.password = value;
                command.passwordGiven = true;
            } else {
                command.passwordFile = value;
            }
        } else if (option == "--mode" && value != "new") {
            return UsageError {"'upgrade' works in the new mode only: --mode takes 'new', not '" + value + "'"};
        } else if (option == "--wait") {
            if (std::string error = searchOption(option, value, command.search); !error.empty())
                return UsageError {error};
        }
    }
    if (std::string error = deviceGiven("upgrade", haveDevice, haveMac); !error.empty())
        return UsageError {error};
    if (!haveFile)
        return UsageError {"'upgrade' needs --file"};
    return command;
}

constexpr std::string_view commandNames[] = {"search", "set", "batch", "upgrade", "soft-close", "help"};

bool isCommand(std::string_view name)
{
    return std::find(std::begin(commandNames), std::end(commandNames), name) != std::end(commandNames);
}

// Options that take no value; every other "--" option takes one.
bool isFlag(std::string_view option)
{
    return option == "--yes" || option == "--onvif-mask" || option == "--no-verify";
}

// The arguments after the command with "--option=value" split in two, or
// the help asked for with --help or -h among the options. Only an option's
// own place is looked at: a password that reads "--help" or holds "=" stays
// a value.
std::variant<std::vector<std::string>, HelpCommand, UsageError> splitOptions(const std::vector<std::string>& arguments)
{
    std::vector<std::string> split {arguments.front()};
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h")
            return HelpCommand {arguments.front()};
        std::size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string::npos) {
            std::string option = argument.substr(0, equals);
            if (isFlag(option))
                return UsageError {"'" + option + "' takes no value"};
            split.push_back(option);
            split.push_back(argument.substr(equals + 1));
            continue;
        }
        split.push_back(argument);
        if (argument.starts_with("--") && !isFlag(argument) && i + 1 < arguments.size())
            split.push_back(arguments[++i]);
    }
    return split;
}

CliCommand parseCommand(const std::vector<std::string>& arguments)
{
    const std::string& command = arguments.front();
    if (command == "search")
        return parseSearch(arguments);
    if (command == "set")
        return parseChange<SetCommand>(arguments, false);
    if (command == "batch")
        return parseChange<BatchCommand>(arguments, true);
    if (command == "upgrade")
        return parseUpgrade(arguments);
    if (arguments.size() > 1)
        return UsageError {"unknown argument '" + arguments[1] + "' for '" + command + "'"};
    return SoftCloseCommand {};
}

struct CommandHelp {
    std::string_view command;
    std::string_view text;
};

constexpr CommandHelp commandHelp[] = {
    {"search",
        "  lorvena-cli search [--mode old|new] [--wait SECONDS] [--format table|csv|json]\n"
        "                     [--onvif-mask]\n"
        "      Broadcasts a device search from every local IPv4 address, keeps\n"
        "      receiving replies for SECONDS (default 3), then prints the device list.\n"
        "      The new mode also runs the ONVIF discovery, after a one-second pause,\n"
        "      for SECONDS (at least 1) and until it has asked every device found;\n"
        "      --onvif-mask (\"ONVIF tryb maski\") also asks every address of each\n"
        "      local subnet. Without --mode the mode stored in Account.ini is used\n"
        "      (missing: old).\n"},
    {"set",
        "  lorvena-cli set --device IP|--mac MAC [--new-ip A] [--mask M] [--gateway G]\n"
        "                  [--dns D] [--http-port P] [--rtsp-port P] [--dhcp on|off]\n"
        "                  [--user NAME] [--password PW|--password-file FILE] [--yes]\n"
        "                  [--mode old|new] [--wait SECONDS] [--onvif-mask]\n"
        "                  [--no-verify] [--verify-wait SECONDS]\n"
        "      Searches, clicks the device listed at IP (or with MAC), puts the options\n"
        "      into the form and presses \"Zmiana IP\". Every message is printed on its\n"
        "      own line; the subnet question, and the question before giving an\n"
        "      address another device holds (listed, or answering ping), are answered\n"
        "      OK only with --yes. An ONVIF\n"
        "      device (type 900..999) shows no message after its login: lines starting\n"
        "      \"onvif:\" tell whether the login failed, that the settings were handed\n"
        "      to the device, and whether the device took them. The old generation\n"
        "      takes --new-ip, --mask and --gateway only.\n"},
    {"batch",
        "  lorvena-cli batch --devices IP|MAC[,IP|MAC...] --start-ip A [--mask M]\n"
        "                  [--gateway G] [--dns D] [--http-port P] [--rtsp-port P]\n"
        "                  [--user NAME] [--password PW|--password-file FILE] [--yes]\n"
        "                  [--mode old|new] [--wait SECONDS] [--onvif-mask]\n"
        "                  [--no-verify] [--verify-wait SECONDS]\n"
        "      Ctrl+clicks the devices in order and changes them to consecutive\n"
        "      addresses from A; a line per device on standard error. An address\n"
        "      another device holds (listed, or answering ping) is skipped, with a\n"
        "      line on standard error, and numbering goes on from the next free one.\n"
        "      After set and batch, each device reported changed is looked for at\n"
        "      its new settings for SECONDS (default 15, or Account.ini's [VERIFY]\n"
        "      WAIT): a line \"verified: MAC at NEW-IP\" or \"not seen: MAC expected\n"
        "      at NEW-IP\" per device. --no-verify skips it.\n"},
    {"upgrade",
        "  lorvena-cli upgrade --device IP|--mac MAC --file PATH [--user NAME]\n"
        "                      [--password PW|--password-file FILE] [--mode new]\n"
        "                      [--wait SECONDS]\n"
        "      Searches (new mode), clicks the device listed at IP (or with MAC), fills\n"
        "      the Upgrade tab with the package, user (default admin) and password,\n"
        "      presses Upgrade and follows the device to the end. Progress goes to\n"
        "      standard error; every message is printed on its own line.\n"},
    {"soft-close",
        "  lorvena-cli soft-close\n"
        "      Closes the window of a Lorvena started with the argument -Soft\n"
        "      (message 6024 over the per-user local socket).\n"},
    {"help",
        "  lorvena-cli help [COMMAND]\n"
        "      Shows this text, or the text of one command (also: COMMAND --help).\n"
        "  lorvena-cli --version\n"
        "      Shows the version (also: -V).\n"},
};

constexpr std::string_view passwordNotes =
    "The password: --password PW (visible to anyone listing processes, and\n"
    "kept in shell history), else the first line of --password-file FILE (- for\n"
    "standard input), else the environment variable LORVENA_PASSWORD, else a\n"
    "prompt without echo when standard input is a terminal.\n"
    "A MAC may be written 00:1a:2b:3c:4d:5e, 00-1A-2B-3C-4D-5E or 001a2b3c4d5e.\n"
    "Several devices can answer from one address (factory defaults): an address\n"
    "that lists more than one is refused with the candidates; choose by MAC.\n"
    "Arguments are checked before anything is sent: ports 1 to 65535, masks of\n"
    "ones then zeros, options the chosen generation has a field for, batch\n"
    "addresses that do not end in .0 or .255 and a batch password of at most\n"
    "31 characters, a readable package file.\n";

constexpr std::string_view exitNotes =
    "Exit status: 0 on success (a search also when no device answered; a change\n"
    "when it ended with \"Zmiana zakończona powodzeniem\" or an ONVIF device took\n"
    "it and every changed device was seen at its new settings; an upgrade when\n"
    "the device confirmed its end), 1 when a change or an upgrade failed or\n"
    "soft-close finds no window, 2 on a usage error (also an address listing\n"
    "several devices, a device that cannot be reached alone at a shared\n"
    "address, or an address for a device on DHCP without --dhcp off), 3 when a\n"
    "device to change is not listed (by address or by MAC), 4 when a change was\n"
    "sent or accepted but a device was not seen at its new settings.\n";

constexpr std::string_view optionNotes =
    "An option's value follows it, or is joined to it by \"=\" (--wait=5).\n";

} // namespace

CliCommand parseArguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return UsageError {"no command given"};
    const std::string& command = arguments.front();
    if (command == "--version" || command == "-V") {
        if (arguments.size() > 1)
            return UsageError {"unknown argument '" + arguments[1] + "' after '" + command + "'"};
        return VersionCommand {};
    }
    if (command == "--help" || command == "-h" || command == "help") {
        if (arguments.size() == 1)
            return HelpCommand {};
        if (arguments.size() > 2)
            return UsageError {"'help' takes one command, not '" + arguments[2] + "'", "help"};
        if (!isCommand(arguments[1]))
            return UsageError {"unknown command '" + arguments[1] + "'"};
        return HelpCommand {arguments[1]};
    }
    if (!isCommand(command))
        return UsageError {"unknown command '" + command + "'"};
    auto split = splitOptions(arguments);
    if (auto* help = std::get_if<HelpCommand>(&split))
        return *help;
    CliCommand parsed = std::holds_alternative<UsageError>(split)
        ? CliCommand {std::get<UsageError>(split)}
        : parseCommand(std::get<std::vector<std::string>>(split));
    if (auto* error = std::get_if<UsageError>(&parsed))
        error->command = command;
    return parsed;
}

std::string usageText(std::string_view command)
{
    std::string text = "Usage:\n";
    for (const CommandHelp& help : commandHelp) {
        if (command.empty() || help.command == command)
            text += help.text;
    }
    bool sendsToDevices = command.empty() || command == "set" || command == "batch" || command == "upgrade";
    if (sendsToDevices) {
        text += "\n";
        text += passwordNotes;
    }
    if (command != "help" && command != "soft-close") {
        text += "\n";
        text += optionNotes;
    }
    if (command != "help") {
        text += "\n";
        text += exitNotes;
    }
    return text;
}

std::string usageHint(const UsageError& error)
{
    return "try 'lorvena-cli help" + (error.command.empty() ? std::string() : " " + error.command) + "'";
}

} // namespace lorvena
