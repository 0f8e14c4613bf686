#include "cli/ArgumentChecks.h"
#include "cli/ChangeCommands.h"
#include "cli/CliArguments.h"
#include "cli/ConsoleSession.h"
#include "cli/PasswordSource.h"
#include "cli/TableOutput.h"
#include "platform/TerminalText.h"
#include "cli/UpgradeCommandRun.h"
#include "discovery/AddressConflicts.h"
#include "platform/SoftCloseChannel.h"
#include "platform/WindowMessage.h"

#include <LorvenaVersion.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <iostream>

namespace {

using namespace lorvena;

int runSearch(const SearchCommand& command)
{
    ConsoleSession session(command, false);
    session.controller.shutdownSearch();
    const DeviceTable& table = session.controller.table();
    std::cout << formatDeviceTable(table, command.format) << std::flush;
    // On standard error: the list itself stays the same for what reads it.
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (std::string note = DescribeConflict(table, row); !note.empty())
            std::cerr << "lorvena-cli: " << printableText(table.row(row).ip + " " + table.row(row).mac + ": " + note)
                      << '\n';
    }
    return 0;
}

// The copy of --password in our own arguments is what `ps` and
// /proc/PID/cmdline show: it is blanked once read (the shell's history is
// the user's to mind: see --password-file). Both spellings, "--password PW"
// and "--password=PW".
void blankPasswordArguments(int argc, char** argv)
{
    constexpr const char joined[] = "--password=";
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--password") == 0)
            std::memset(argv[i + 1], 0, std::strlen(argv[i + 1]));
        else if (std::strncmp(argv[i], joined, sizeof joined - 1) == 0)
            std::memset(argv[i] + sizeof joined - 1, 0, std::strlen(argv[i] + sizeof joined - 1));
    }
}

const char* commandName(const CliCommand& command)
{
    if (std::holds_alternative<SetCommand>(command))
        return "set";
    if (std::holds_alternative<BatchCommand>(command))
        return "batch";
    return "upgrade";
}

// Fills in the password of a command that sends one; a usage error when a
// named source could not be read.
std::optional<UsageError> readPassword(std::optional<std::string>& password, const std::optional<std::string>& file)
{
    PasswordOutcome outcome = resolvePassword({password, file});
    if (!outcome.error.empty())
        return UsageError {outcome.error};
    password = outcome.password;
    return std::nullopt;
}

// What can be checked without the network is checked before the search, and
// the password is read then too. The session searches in the mode the
// check assumed.
template<typename ChangeCommand>
std::optional<UsageError> prepareChange(ChangeCommand& command)
{
    const int searchMode = chosenSearchMode(command.search);
    // The old generation sends no credentials: nothing to ask for.
    if (searchMode != 0) {
        if (auto error = readPassword(command.change.password, command.change.passwordFile))
            return error;
    }
    if (auto error = checkBeforeSearch(command, searchMode))
        return error;
    command.search.searchMode = searchMode;
    return std::nullopt;
}

std::optional<UsageError> prepareUpgrade(UpgradeCommand& command)
{
    if (auto error = checkBeforeSearch(command))
        return error;
    std::optional<std::string> password;
    if (command.passwordGiven)
        password = command.password;
    if (auto error = readPassword(password, command.passwordFile))
        return error;
    command.password = password.value_or("");
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    blankPasswordArguments(argc, argv);
    CliCommand command = parseArguments(arguments);
    std::optional<UsageError> notReady;
    if (auto* set = std::get_if<SetCommand>(&command))
        notReady = prepareChange(*set);
    else if (auto* batch = std::get_if<BatchCommand>(&command))
        notReady = prepareChange(*batch);
    else if (auto* upgrade = std::get_if<UpgradeCommand>(&command))
        notReady = prepareUpgrade(*upgrade);
    if (notReady) {
        notReady->command = commandName(command);
        command = *notReady;
    }
    // One line naming what is wrong and one saying where to read more: the
    // whole help text would push the message itself off the screen.
    if (auto* error = std::get_if<UsageError>(&command)) {
        std::cerr << "lorvena-cli: " << error->message << '\n' << usageHint(*error) << '\n';
        return 2;
    }
    if (auto* help = std::get_if<HelpCommand>(&command)) {
        std::cout << usageText(help->command);
        return 0;
    }
    if (std::holds_alternative<VersionCommand>(command)) {
        std::cout << "lorvena-cli " << kLorvenaVersion << '\n';
        return 0;
    }
    if (std::holds_alternative<SoftCloseCommand>(command)) {
        std::string problem = SoftCloseChannel::send(static_cast<unsigned>(MessageId::SoftClose));
        if (!problem.empty()) {
            std::cerr << "lorvena-cli: " << problem << '\n';
            return 1;
        }
        return 0;
    }
    if (auto* set = std::get_if<SetCommand>(&command))
        return runSetCommand(*set);
    if (auto* batch = std::get_if<BatchCommand>(&command))
        return runBatchCommand(*batch);
    if (auto* upgrade = std::get_if<UpgradeCommand>(&command))
        return runUpgradeCommand(*upgrade);
    return runSearch(std::get<SearchCommand>(command));
}
