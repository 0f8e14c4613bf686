#include "cli/ConsoleSession.h"

#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"

#include <iostream>
#include <mutex>

namespace lorvena {

namespace {

MainController::Dependencies dependencies(
    ConsoleView& view, MessageQueue& queue, OnvifLibrary& onvif, std::chrono::milliseconds verifyWait)
{
    MainController::Dependencies result {view, queue, localIpv4Addresses};
    result.onvifLibrary = &onvif;
    result.verifyWait = verifyWait;
    return result;
}

} // namespace

ConsoleSession::ConsoleSession(const SearchCommand& search, bool answerYes, std::chrono::milliseconds verifyWait)
    : loop(queue)
    , view(loop, answerYes)
    , onvif(search.waitSeconds)
    , controller(search.searchMode.value_or(SettingsFile(executableDirectory()).readSearchMode()),
          dependencies(view, queue, onvif, verifyWait))
{
    view.setChecked(ControlId::OnvifMaskCheck, search.onvifMaskMode);
    // A search that could not cover an address says so: an empty list alone
    // would look like a network without devices.
    controller.discovery().sockets().setProblemSink([](const SocketProblem& problem) {
        static std::mutex output;
        std::lock_guard lock(output);
        std::cerr << "lorvena-cli: warning: " << describeSocketProblem(problem) << '\n';
    });
    // Far beyond the discovery's own wait and its questions to each device
    // found.
    view.setSearchBusyLimit(std::chrono::milliseconds(static_cast<long long>(search.waitSeconds * 1000))
        + std::chrono::minutes(2));
    loop.attach(controller);
    controller.initialise();
    controller.search();
    // A new-generation search has listened through its ONVIF discovery,
    // which lasts --wait at least: only what is queued remains.
    bool listened = controller.generation() == SearchGeneration::New;
    loop.pumpFor(listened ? std::chrono::milliseconds(0)
                          : std::chrono::milliseconds(static_cast<long long>(search.waitSeconds * 1000)));
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
