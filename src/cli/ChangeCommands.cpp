#include "cli/ChangeCommands.h"

#include "cli/ConsoleView.h"
#include "control/ChangeRules.h"
#include "control/MainController.h"
#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"

#include <iostream>
#include <memory>
#include <optional>

namespace lorvena {

namespace {

// How long a change waits for a library's login answer.
constexpr std::chrono::seconds answerWait {30};
constexpr int exitFailed = 1;
constexpr int exitNotListed = 3;

// One console session: the controller, its loop and view, and a search.
struct Session {
    explicit Session(const SearchCommand& search, bool answerYes)
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
    ~Session()
    {
        controller.shutdownSearch();
        loop.close();
    }

    std::optional<int> rowOf(std::uint32_t address) const
    {
        const DeviceTable& table = controller.table();
        std::string text = dottedAddress(address);
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            if (table.row(row).ip == text)
                return static_cast<int>(row);
        }
        return std::nullopt;
    }

    // Puts the options into the form as a user would type them.
    void fillForm(const ChangeOptions& change)
    {
        FormValues form = view.readForm();
        if (change.newIp)
            form.newIp = *change.newIp;
        if (change.mask)
            form.netMask = *change.mask;
        if (change.gateway)
            form.gateway = *change.gateway;
        if (change.dns)
            form.dnsServer = *change.dns;
        if (change.userName)
            form.userName = *change.userName;
        if (change.password)
            form.passwordText = *change.password;
        if (change.dhcp)
            form.dhcpEnabled = *change.dhcp;
        if (change.httpPort)
            form.httpPortText = *change.httpPort;
        view.writeForm(form);
        if (change.httpPort)
            controller.httpPortChanged();
        if (change.rtspPort) {
            form = view.readForm();
            form.rtspPortText = *change.rtspPort;
            view.writeForm(form);
        }
    }

    bool endedWithSuccess() const
    {
        return !view.messages().empty() && view.messages().back() == ChangeMessages::success;
    }

    MessageQueue queue;
    ConsoleLoop loop;
    ConsoleView view;
    MainController controller;
};

void reportMissing(std::uint32_t address)
{
    std::cerr << "no device with address " << dottedAddress(address) << '\n';
}

const char* outcomeText(BatchOutcome outcome)
{
    switch (outcome) {
    case BatchOutcome::Changed:
        return "changed";
    case BatchOutcome::Skipped:
        return "skipped (DHCP on)";
    case BatchOutcome::Failed:
        break;
    }
    return "not changed";
}

} // namespace

int runSetCommand(const SetCommand& command)
{
    Session session(command.search, command.change.yes);
    std::optional<int> row = session.rowOf(command.device);
    if (!row) {
        reportMissing(command.device);
        return exitNotListed;
    }
    session.controller.rowClicked(*row, ClickKind::Plain);
    session.fillForm(command.change);
    session.controller.applyChanges();
    ConfigurationChange& change = session.controller.configurationChange();
    session.loop.pumpUntil([&] { return !change.answerPending(); }, answerWait);
    return session.endedWithSuccess() ? 0 : exitFailed;
}

int runBatchCommand(const BatchCommand& command)
{
    Session session(command.search, command.change.yes);
    for (std::uint32_t device : command.devices) {
        std::optional<int> row = session.rowOf(device);
        if (!row) {
            reportMissing(device);
            return exitNotListed;
        }
        session.controller.rowClicked(*row, ClickKind::CtrlOnly);
    }
    FormValues form = session.view.readForm();
    form.startIp = command.startIp;
    session.view.writeForm(form);
    session.fillForm(command.change);
    session.controller.applyChanges();
    ConfigurationChange& change = session.controller.configurationChange();
    change.waitForBatch();

    bool everyDevice = true;
    for (const auto& [ip, outcome] : change.lastBatchReport()) {
        std::cerr << ip << ": " << outcomeText(outcome) << '\n';
        everyDevice = everyDevice && outcome == BatchOutcome::Changed;
    }
    std::size_t reported = change.lastBatchReport().size();
    everyDevice = everyDevice && reported == command.devices.size();
    return session.endedWithSuccess() && everyDevice ? 0 : exitFailed;
}

} // namespace lorvena
