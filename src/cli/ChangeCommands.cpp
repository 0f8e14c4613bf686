#include "cli/ChangeCommands.h"

#include "cli/ConsoleSession.h"
#include "cli/DeviceSelection.h"
#include "platform/TerminalText.h"
#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

namespace lorvena {

namespace {

// How long a change waits for a library's login answer.
constexpr std::chrono::seconds answerWait {30};
// How long an ONVIF change waits for the device's answer: its requests
// (address, gateway, port, reboot) take up to the library's request wait each.
constexpr std::chrono::seconds onvifChangeWait {90};
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;
constexpr int exitNotListed = 3;
constexpr int exitNotSeen = 4;

std::chrono::milliseconds verifyWaitOf(const ChangeOptions& change)
{
    if (!change.verify)
        return std::chrono::milliseconds(0);
    double seconds = change.verifyWaitSeconds.value_or(SettingsFile(executableDirectory()).readVerifyWaitSeconds());
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// Waits for the devices reported as changed to be seen at their new
// settings, prints a line for each, and gives the exit status: a change that
// succeeded ends 4 when a device was not seen where it should now be.
int reportVerification(ConsoleSession& session, const ChangeOptions& change, int exitCode)
{
    MainController& controller = session.controller;
    const std::chrono::milliseconds wait = verifyWaitOf(change);
    if (wait.count() == 0)
        return exitCode;
    // The verifier ends each device within its wait and a round beyond it.
    session.loop.pumpUntil([&] { return controller.verificationsPending() == 0; },
        wait + 2 * ChangeVerifier::roundInterval + std::chrono::seconds(1));
    bool everyDeviceSeen = true;
    // In the order the devices were changed, whichever answered first.
    std::vector<VerificationResult> results = controller.verificationResults();
    std::sort(results.begin(), results.end(),
        [](const VerificationResult& a, const VerificationResult& b) { return a.ticket < b.ticket; });
    for (const VerificationResult& result : results) {
        const std::string& mac = result.expected.listedMac;
        if (result.confirmed && result.seen) {
            std::cout << "verified: " << printableText(mac) << " at " << printableText(result.seen->ip) << std::endl;
        } else {
            std::cout << "not seen: " << printableText(mac) << " expected at " << expectedAddressText(result.expected)
                      << std::endl;
            everyDeviceSeen = false;
        }
    }
    if (controller.verificationsPending() != 0)
        everyDeviceSeen = false;
    return exitCode == 0 && !everyDeviceSeen ? exitNotSeen : exitCode;
}

// --- device selection

int searchModeOf(const ConsoleSession& session)
{
    return session.controller.generation() == SearchGeneration::New ? 1 : 0;
}

// Says why nothing is chosen; the exit status, or 0 when a row is chosen.
int refusalStatus(RowChoice::Verdict verdict, const std::string& problem)
{
    switch (verdict) {
    case RowChoice::Verdict::Chosen:
        return 0;
    case RowChoice::Verdict::NotListed:
        std::cerr << printableText(problem) << '\n';
        return exitNotListed;
    case RowChoice::Verdict::Refused:
        break;
    }
    std::cerr << "lorvena-cli: " << printableText(problem) << '\n';
    return exitUsage;
}

// A device on DHCP takes its addresses from the server: the form greys them
// and the request leaves them out, so an address given for it would be
// dropped while the change is reported done.
std::string addressesDropped(const DeviceRecord& row, const ChangeOptions& change, int searchMode)
{
    if (searchMode == 0 || row.dhcp == dhcpOffText || change.dhcp.has_value())
        return {};
    for (auto [given, option] : {std::pair {change.newIp.has_value(), "--new-ip"},
             {change.mask.has_value(), "--mask"}, {change.gateway.has_value(), "--gateway"},
             {change.dns.has_value(), "--dns"}}) {
        if (given)
            return "the device at " + row.ip + " is on DHCP: " + option + " takes effect only with --dhcp off";
    }
    return {};
}

// --- end of device selection

// Puts the options into the form as a user would type them.
void fillForm(ConsoleSession& session, const ChangeOptions& change)
{
    ConsoleView& view = session.view;
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
        session.controller.httpPortChanged();
    if (change.rtspPort) {
        form = view.readForm();
        form.rtspPortText = *change.rtspPort;
        view.writeForm(form);
    }
}

// The exit status of a change, from what became of its device.
int changeStatus(const std::optional<DeviceChangeOutcome>& outcome)
{
    return outcome && outcome->outcome == DeviceOutcome::Changed ? 0 : exitFailed;
}

// The ONVIF path shows no message after its login, so the console says
// itself how far it got; the exit status follows the device's answer.
int reportOnvifChange(ConsoleSession& session)
{
    ConfigurationChange& change = session.controller.configurationChange();
    switch (change.onvifStep()) {
    case OnvifChangeStep::None:
        break;
    case OnvifChangeStep::Unavailable:
        std::cout << "onvif: no ONVIF library to log in with" << std::endl;
        break;
    case OnvifChangeStep::LoginPending:
        std::cout << "onvif: no answer to the login" << std::endl;
        break;
    case OnvifChangeStep::LoginFailed:
        std::cout << "onvif: login failed (wrong password, or no answer from the device)" << std::endl;
        break;
    case OnvifChangeStep::Stopped:
        // The check that stopped it has said why.
        break;
    case OnvifChangeStep::NotTaken:
        std::cout << "onvif: the settings were not handed over (they need a new address and a mask)" << std::endl;
        break;
    case OnvifChangeStep::ChangePending:
    case OnvifChangeStep::Accepted:
    case OnvifChangeStep::NotAccepted:
        std::cout << "onvif: settings handed to the device" << std::endl;
        session.loop.pumpUntil([&] { return change.onvifStep() != OnvifChangeStep::ChangePending; }, onvifChangeWait);
        if (change.lastOutcome() && change.lastOutcome()->outcome == DeviceOutcome::Changed)
            std::cout << "onvif: the device took the change" << std::endl;
        else
            std::cout << "onvif: the device did not take the change" << std::endl;
        break;
    }
    return changeStatus(change.lastOutcome());
}

// A console batch is never cancelled: the only devices it skips are those
// on DHCP.
const char* outcomeText(DeviceOutcome outcome)
{
    switch (outcome) {
    case DeviceOutcome::Changed:
        return "changed";
    case DeviceOutcome::Skipped:
        return "skipped (DHCP on)";
    case DeviceOutcome::Refused:
    case DeviceOutcome::Unreachable:
    case DeviceOutcome::NotConfirmed:
        break;
    }
    return "not changed";
}

} // namespace

int runSetCommand(const SetCommand& command)
{
    ConsoleSession session(command.search, command.change.yes, verifyWaitOf(command.change));
    RowChoice chosen =
        chooseRow(session.controller.table(), command.device, SelectionPurpose::Change, searchModeOf(session));
    if (int status = refusalStatus(chosen.verdict, chosen.problem); status != 0)
        return status;
    if (std::string dropped = addressesDropped(session.controller.table().row(static_cast<std::size_t>(chosen.row)),
            command.change, searchModeOf(session));
        !dropped.empty()) {
        std::cerr << "lorvena-cli: " << printableText(dropped) << '\n';
        return exitUsage;
    }
    session.controller.rowClicked(chosen.row, ClickKind::Plain);
    fillForm(session, command.change);
    session.controller.applyChanges();
    ConfigurationChange& change = session.controller.configurationChange();
    session.loop.pumpUntil([&] { return !change.answerPending(); }, answerWait);
    if (change.onvifStep() != OnvifChangeStep::None)
        return reportVerification(session, command.change, reportOnvifChange(session));
    return reportVerification(session, command.change, changeStatus(change.lastOutcome()));
}

int runBatchCommand(const BatchCommand& command)
{
    ConsoleSession session(command.search, command.change.yes, verifyWaitOf(command.change));
    RowChoices chosen = chooseRows(session.controller.table(), command.devices, searchModeOf(session));
    if (int status = refusalStatus(chosen.verdict, chosen.problem); status != 0)
        return status;
    for (int row : chosen.rows)
        session.controller.rowClicked(row, ClickKind::CtrlOnly);
    FormValues form = session.view.readForm();
    form.startIp = command.startIp;
    session.view.writeForm(form);
    fillForm(session, command.change);
    session.controller.applyChanges();
    ConfigurationChange& change = session.controller.configurationChange();
    change.waitForBatch();

    for (const AddressSkip& skip : change.lastBatchSkips()) {
        const std::string holder = skip.use.holder == AddressHolder::Listed ? "listed device " + skip.use.who
                                                                            : "a host answering ping";
        std::cerr << "lorvena-cli: " << dottedAddress(skip.address) << " is in use (" << printableText(holder)
                  << "), skipped\n";
    }
    // Done only when every device asked for was changed.
    const std::vector<DeviceChangeOutcome> outcomes = change.lastBatchReport();
    bool everyDevice = !outcomes.empty() && outcomes.size() == command.devices.size();
    for (const DeviceChangeOutcome& device : outcomes) {
        std::cerr << printableText(device.formerIp) << ": " << outcomeText(device.outcome) << '\n';
        everyDevice = everyDevice && device.outcome == DeviceOutcome::Changed;
    }
    return reportVerification(session, command.change, everyDevice ? 0 : exitFailed);
}

} // namespace lorvena
