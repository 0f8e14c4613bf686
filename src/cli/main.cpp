#include "cli/CliArguments.h"
#include "cli/ConsoleView.h"
#include "cli/TableOutput.h"
#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"
#include "platform/SoftCloseChannel.h"
#include "platform/WindowMessage.h"

#include <cstdio>
#include <iostream>

namespace {

using namespace lorvena;

int runSearch(const SearchCommand& command)
{
    int searchMode = command.searchMode.value_or(SettingsFile(executableDirectory()).readSearchMode());
    MessageQueue queue;
    ConsoleView view;
    MainController controller(searchMode, {view, queue, localIpv4Addresses});
    controller.initialise();
    controller.search();
    pumpMessages(controller, queue, std::chrono::milliseconds(static_cast<long long>(command.waitSeconds * 1000)));
    controller.shutdownSearch();
    std::cout << formatDeviceTable(controller.table(), command.format) << std::flush;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    CliCommand command = parseArguments(arguments);
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
    return runSearch(std::get<SearchCommand>(command));
}
