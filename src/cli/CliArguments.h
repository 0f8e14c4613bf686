#pragma once

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
};

struct HelpCommand {};

// Closes a window started with "-Soft".
struct SoftCloseCommand {};

// A usage error, with the message for standard error.
struct UsageError {
    std::string message;
};

using CliCommand = std::variant<SearchCommand, HelpCommand, SoftCloseCommand, UsageError>;

CliCommand parseArguments(const std::vector<std::string>& arguments);

const char* usageText();

} // namespace lorvena
