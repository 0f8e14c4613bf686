#include "cli/CliArguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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

CliCommand parseSearch(const std::vector<std::string>& arguments)
{
    SearchCommand command;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option != "--mode" && option != "--wait" && option != "--format")
            return UsageError {"unknown argument '" + option + "' for 'search'"};
        if (i + 1 >= arguments.size())
            return UsageError {"'" + option + "' needs a value"};
        const std::string& value = arguments[++i];
        if (option == "--mode") {
            if (value == "old")
                command.searchMode = 0;
            else if (value == "new")
                command.searchMode = 1;
            else
                return UsageError {"--mode takes 'old' or 'new', not '" + value + "'"};
        } else if (option == "--wait") {
            auto seconds = parseSeconds(value);
            if (!seconds)
                return UsageError {"--wait takes a number of seconds (0 to 86400), not '" + value + "'"};
            command.waitSeconds = *seconds;
        } else {
            if (value == "table")
                command.format = OutputFormat::Table;
            else if (value == "csv")
                command.format = OutputFormat::Csv;
            else if (value == "json")
                command.format = OutputFormat::Json;
            else
                return UsageError {"--format takes 'table', 'csv' or 'json', not '" + value + "'"};
        }
    }
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
           "      Broadcasts a device search from every local IPv4 address, keeps\n"
           "      receiving replies for SECONDS (default 3), then prints the device list.\n"
           "      Without --mode the mode stored in Account.ini is used (missing: old).\n"
           "  lorvena-cli soft-close\n"
           "      Closes the window of a Lorvena started with the argument -Soft\n"
           "      (message 6024 over the per-user local socket).\n"
           "  lorvena-cli help\n"
           "      Shows this text.\n"
           "\n"
           "Exit status: 0 on success (also when no device answered), 1 when soft-close\n"
           "finds no window, 2 on a usage error.\n";
}

} // namespace lorvena
