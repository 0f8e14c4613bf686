#include "cli/ArgumentChecks.h"
#include "cli/ChangeCommands.h"
#include "cli/CliArguments.h"
#include "cli/ConsoleSession.h"
#include "cli/TableOutput.h"
#include "cli/UpgradeCommandRun.h"
#include "platform/SoftCloseChannel.h"
#include "platform/WindowMessage.h"

#include <cstdio>
#include <iostream>

namespace {

using namespace lorvena;

int runSearch(const SearchCommand& command)
{
    ConsoleSession session(command, false);
    session.controller.shutdownSearch();
    std::cout << formatDeviceTable(session.controller.table(), command.format) << std::flush;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    CliCommand command = parseArguments(arguments);
    // What can be checked without the network is checked before the search.
    // The session then searches in the mode the check assumed.
    if (auto* set = std::get_if<SetCommand>(&command)) {
        int searchMode = chosenSearchMode(set->search);
        if (auto error = checkBeforeSearch(*set, searchMode))
            command = *error;
        else
            set->search.searchMode = searchMode;
    } else if (auto* batch = std::get_if<BatchCommand>(&command)) {
        int searchMode = chosenSearchMode(batch->search);
        if (auto error = checkBeforeSearch(*batch, searchMode))
            command = *error;
        else
            batch->search.searchMode = searchMode;
    } else if (auto* upgrade = std::get_if<UpgradeCommand>(&command)) {
        if (auto error = checkBeforeSearch(*upgrade))
            command = *error;
    }
    if (auto* error = std::get_if<UsageError>(&command)) {
        std::cerr << "lorvena-cli: " << error->message << "\n\n" << usageText();
        return 2;
    }
    if (std::holds_alternative<HelpCommand>(command)) {
        std::cout << usageText();
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
