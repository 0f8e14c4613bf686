#include "cli/ConsoleSession.h"

#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"

#include <iostream>

namespace lorvena {

ConsoleSession::ConsoleSession(const SearchCommand& search, bool answerYes)
    : loop(queue)
    , view(loop, answerYes)
    , controller(search.searchMode.value_or(SettingsFile(executableDirectory()).readSearchMode()),
          {view, queue, localIpv4Addresses})
{
    loop.attach(controller);
    controller.initialise();
    controller.search();
    loop.pumpFor(std::chrono::milliseconds(static_cast<long long>(search.waitSeconds * 1000)));
}

ConsoleSession::~ConsoleSession()
{
    controller.shutdownSearch();
    // Workers waiting for the loop are let go before the controller, which
    // waits for them, goes.
    loop.close();
}

std::optional<int> ConsoleSession::rowOf(std::uint32_t address) const
{
    const DeviceTable& table = controller.table();
    std::string text = dottedAddress(address);
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (table.row(row).ip == text)
            return static_cast<int>(row);
    }
    return std::nullopt;
}

void reportMissing(std::uint32_t address)
{
    std::cerr << "no device with address " << dottedAddress(address) << '\n';
}

} // namespace lorvena
