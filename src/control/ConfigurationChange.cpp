#include "control/ConfigurationChange.h"

#include "control/BusyDialog.h"
#include "control/ChangeRules.h"
#include "control/OnvifParameterBlock.h"
#include "net/Base64.h"
#include "platform/DeviceAddress.h"
#include "platform/LocalAddresses.h"
#include "platform/TextCase.h"
#include "platform/TextCodec.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cctype>

namespace lorvena {

namespace M = ChangeMessages;

namespace {

constexpr std::size_t passwordFieldLimit = 31;

enum class Path { Onvif, Extended, Basic };

Path pathFor(std::int32_t typeCode)
{
    if (typeCode >= 900 && typeCode <= 999)
        return Path::Onvif;
    if ((typeCode >= 500 && typeCode <= 899) || typeCode == 1000)
        return Path::Extended;
    return Path::Basic;
}

} // namespace

ConfigurationChange::ConfigurationChange(MainView& view, WindowState& state, ChangeServices& services,
    MessagePoster& poster)
    : view_(view), state_(state), services_(services), poster_(poster)
{
}

template<typename Result>
std::optional<Result> ConfigurationChange::whileBusy(std::function<Result()> exchange)
{
    reapExchanges();
    const std::uintptr_t number = ++exchangeNumber_;
    // The worker owns what it works with: after a Cancel it outlives this call.
    auto result = std::make_shared<std::optional<Result>>();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    exchangeShown_ = number;
    // The end travels as a posted message: a worker that waited for the
    // window's thread could wait forever for a thread that waits to join it.
    std::thread worker([this, number, result, ended, exchange = std::move(exchange)] {
        *result = exchange();
        poster_.post({MessageId::DeviceExchangeDone, number, 0, {}});
        *ended = true;
    });
    const int closedWith = showBusyDialog(view_, state_, MainView::BusyPicture::Changing);
    exchangeShown_ = 0;
    if (closedWith == busyCancelled) {
        // Cancel gives the window back at once. The exchange ends on its own
        // (its waits bound it) and its result is dropped; the thread is
        // joined once it has ended, or at shutdown.
        exchanges_.push_back({std::move(worker), std::move(ended)});
        return std::nullopt;
    }
    // Closed by the exchange's end: the worker is done or about to be.
    worker.join();
    return *result;
}

void ConfigurationChange::reapExchanges()
{
    std::erase_if(exchanges_, [](Exchange& exchange) {
        if (!*exchange.ended)
            return false;
        exchange.thread.join();
        return true;
    });
}

void ConfigurationChange::exchangeDone(std::uintptr_t exchange)
{
    // Only the dialog of that exchange; a late end (after Cancel) is ignored.
    if (exchange != 0 && exchange == exchangeShown_)
        view_.endBusyDialog(0);
}

void ConfigurationChange::shutdown()
{
    batchRunActive_ = false;
    {
        std::lock_guard lock(answerMutex_);
        answer_ = false;
    }
    answerArrived_.notify_all();
    if (worker_.joinable())
        worker_.join();
    for (Exchange& exchange : exchanges_)
        exchange.thread.join();
    exchanges_.clear();
}

ConfigurationChange::~ConfigurationChange()
{
    shutdown();
}

// --- talking to the user from either thread

void ConfigurationChange::say(std::string_view text)
{
    if (onWorker_)
        view_.runOnGuiThread([this, text] { view_.showMessage(text); });
    else
        view_.showMessage(text);
}

bool ConfigurationChange::ask(std::string_view text)
{
    bool confirmed = false;
    if (onWorker_)
        view_.runOnGuiThread([this, text, &confirmed] { confirmed = view_.askOkCancel(text); });
    else
        confirmed = view_.askOkCancel(text);
    return confirmed;
}

void ConfigurationChange::showForm()
{
    view_.writeForm(state_.form);
}

void ConfigurationChange::reportChanged(const ChangeExpectation& expected)
{
    if (ChangeVerification* verification = verification_)
        verification->changeReported(expected);
}

// --- "Zmiana IP"

void ConfigurationChange::apply()
{
    // A batch still under way, or one cancelled whose worker is finishing
    // its device: the window is not held up waiting for it.
    if (batchRunActive_ || workerRunning_)
        return;
    if (worker_.joinable())
        worker_.join();
    forgetPendingLogin();
    state_.form = view_.readForm();
    onvifStep_ = OnvifChangeStep::None;
    if (state_.batchMode) {
        startBatch();
        return;
    }
    if (state_.searchMode == 0)
        oldGeneration();
    else
        newGeneration();
}

ModifyValues modifyValues(const FormValues& form, const std::string& currentIpText, const std::string& macText)
{
    ModifyValues values;
    values.currentIpText = currentIpText;
    // The address fields go out only while they can be edited: with DHCP on
    // the device takes them from the server.
    values.addressesIncluded = !form.dhcpEnabled;
    values.newIp = form.newIp;
    values.mask = form.netMask;
    values.gateway = form.gateway;
    values.dns = form.dnsServer;
    values.dhcp = form.dhcpEnabled;
    values.macText = macText;
    values.httpPort = leadingInteger(form.httpPortText);
    values.rtspPort = leadingInteger(form.rtspPortText);
    values.thirdPort = leadingInteger(form.mobilePortText);
    values.userName = utf8ToDeviceText(form.userName);
    values.password = utf8ToDeviceText(form.passwordText);
    return values;
}

namespace {

// An old-generation request: those devices have no DHCP flag, so it always
// carries the fixed addresses the form shows, whatever a hidden DHCP box says.
ModifyValues oldModifyValues(const FormValues& form, const std::string& currentIpText, std::uint32_t newAddress,
    std::uint32_t gateway)
{
    ModifyValues values = modifyValues(form, currentIpText, {});
    values.addressesIncluded = true;
    values.dhcp = false;
    values.newIp = newAddress;
    values.gateway = gateway;
    return values;
}

} // namespace

void ConfigurationChange::oldGeneration()
{
    FormValues& form = state_.form;
    form.dhcpEnabled = false;
    // The address the user sees and typed: "Start IP" when it stands in the
    // IP field's place (the hidden IP field still holds the present address).
    if (state_.startIpShown)
        form.newIp = form.startIp;
    if (!addressAcceptable(form.newIp)) {
        say(M::badAddress);
        return;
    }
    // A device given a broken mask could not be reached again.
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return;
    }
    SimpleSubnetVerdict subnet = simpleSubnetRule(form.newIp, form.gateway);
    if (subnet.filledGateway) {
        form.gateway = *subnet.filledGateway;
        showForm();
    } else if (subnet.ask && !ask(M::subnetQuestion)) {
        return;
    }
    // The device is named by the address it was listed with.
    services_.sendOldModify(oldModifyValues(form, dottedAddress(form.originalIp), form.newIp, form.gateway));
    reportChanged(selectedExpectation(VerifyGeneration::Old, form, state_.selected, dottedAddress(form.originalIp)));
    say(M::success);
}

void ConfigurationChange::newGeneration()
{
    FormValues& form = state_.form;
    form.userName = lowerCased(form.userName);
    if (form.userName != "admin") {
        say(M::notAdministrator);
        form.userName.clear();
        showForm();
        view_.focusControl(ControlId::UserName);
        return;
    }
    if (utf8ToDeviceText(form.passwordText).size() > passwordFieldLimit) {
        say(M::passwordTooLong);
        form.passwordText.clear();
        showForm();
        return;
    }
    state_.selected.ipText = dottedAddress(form.originalIp);
    // Credentials go only to an address one device can have: not this
    // machine (a row whose address text was no address reads as 0.0.0.0),
    // not a broadcast or multicast address.
    if (!deviceAddress(state_.selected.ipText)) {
        say(M::badAddress);
        return;
    }
    // The type of the clicked device (a sort may have moved its row since).
    std::int32_t typeCode = state_.selectedRow >= 0 ? leadingInteger(state_.selected.typeText) : 0;
    switch (pathFor(typeCode)) {
    case Path::Onvif:
        onvifPath(typeCode);
        break;
    case Path::Extended:
        extendedPath();
        break;
    case Path::Basic:
        basicPath(typeCode);
        break;
    }
}

bool ConfigurationChange::portsPass(std::string_view kindText, std::int32_t typeCode)
{
    const FormValues& form = state_.form;
    if (auto problem = portProblem(kindText, typeCode, form.httpPortText, form.rtspPortText, form.mobilePortText)) {
        say(*problem);
        return false;
    }
    return true;
}

void ConfigurationChange::onvifPath(std::int32_t typeCode)
{
    FormValues& form = state_.form;
    if (!addressAcceptable(form.newIp)) {
        say(M::badAddress);
        return;
    }
    if (form.passwordText.empty()) {
        say(M::wrongPassword);
        return;
    }
    if (!portsPass(state_.selected.kindText, typeCode))
        return;
    state_.loginPurpose = 3;
    answerPending_ = services_.onvifLoginFor(
        newLoginSession(), state_.selected.ipText, state_.selected.httpPortText, form.userName, form.passwordText);
    onvifStep_ = answerPending_ ? OnvifChangeStep::LoginPending : OnvifChangeStep::Unavailable;
}

bool ConfigurationChange::newSettingsPass(SubnetChecked checked)
{
    FormValues& form = state_.form;
    if (!addressAcceptable(form.newIp)) {
        form.newIp = form.originalIp;
        showForm();
        say(M::badAddress);
        return false;
    }
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return false;
    }
    const std::uint32_t address = checked == SubnetChecked::NewAddress ? form.newIp : form.originalIp;
    return !outsideMaskedSubnet(address, form.netMask, form.gateway) || ask(M::subnetQuestion);
}

void ConfigurationChange::onvifChange()
{
    FormValues& form = state_.form;
    onvifStep_ = OnvifChangeStep::Stopped;
    // A refusal here leaves the login open: the next login replaces it, or
    // shutdown ends it.
    // The device's present address is checked against the new gateway.
    if (!newSettingsPass(SubnetChecked::PresentAddress))
        return;
    OnvifNetParam block = onvifParameterBlock(form, state_.selected.macText, form.newIp);
    // No message on this path: the device may take a while to answer, and
    // a refusal tells nothing the next search would not show.
    onvifStep_ = services_.onvifChange(block) ? OnvifChangeStep::ChangePending : OnvifChangeStep::NotTaken;
}

void ConfigurationChange::extendedPath()
{
    FormValues& form = state_.form;
    if (!addressAcceptable(form.originalIp)) {
        say(M::badAddress);
        return;
    }
    if (form.passwordText.empty()) {
        say(M::wrongPassword);
        return;
    }
    if (!portsPass(state_.selected.kindText, leadingInteger(state_.selected.typeText)))
        return;
    if (!newSettingsPass(SubnetChecked::NewAddress))
        return;
    const ModifyValues values = modifyValues(form, state_.selected.ipText, state_.selected.macText);
    std::optional<ExchangeOutcome> outcome =
        whileBusy<ExchangeOutcome>([this, values] { return services_.extendedExchange(values); });
    if (!outcome)
        return; // cancelled: the window does not wait for the device
    switch (*outcome) {
    case ExchangeOutcome::Accepted:
        reportChanged(selectedExpectation(VerifyGeneration::Extended, form, state_.selected, state_.selected.ipText));
        say(M::success);
        break;
    case ExchangeOutcome::WrongPassword:
        say(M::wrongPassword);
        form.passwordText.clear();
        showForm();
        break;
    case ExchangeOutcome::Timeout:
        say(M::replyTimeout);
        break;
    case ExchangeOutcome::ReceiveError:
        say(M::receiveError);
        break;
    case ExchangeOutcome::Refused:
        break;
    }
}

void ConfigurationChange::basicPath(std::int32_t typeCode)
{
    FormValues& form = state_.form;
    const SelectedDevice& device = state_.selected;
    if (!addressAcceptable(form.originalIp)) {
        say(M::badAddress);
        return;
    }
    state_.loginPurpose = 1;
    sdkAfterUnansweredCheck_ = false;
    if (typeCode >= 500) {
        // These recorders are checked by the vendor SDK; the change goes on
        // when its answer arrives.
        services_.sdkLoginFor(
            newLoginSession(), device.ipText, device.httpPortText, form.userName, form.passwordText, false);
        answerPending_ = true;
        return;
    }

    // No password, or a row without a kind (an ONVIF row): nothing is asked,
    // and the credentials count as refused.
    AuthorityVerdict verdict = AuthorityVerdict::Refused;
    if (form.passwordText.empty()) {
        form.newIp = form.originalIp;
        showForm();
    } else if (!device.kindText.empty()) {
        std::string credentials = utf8ToDeviceText(form.userName + ":" + form.passwordText);
        state_.authToken = Base64Encode(credentials);
        const std::string ipText = device.ipText, portText = device.httpPortText, token = state_.authToken;
        std::optional<AuthorityVerdict> answered = whileBusy<AuthorityVerdict>(
            [this, ipText, portText, token] { return services_.httpAuthorityCheck(ipText, portText, token); });
        if (!answered)
            return; // cancelled: nothing is sent, nothing said
        verdict = *answered;
    }
    if (verdict != AuthorityVerdict::Accepted) {
        // The SDK may still know the device: its answer can change it later.
        // A device that never answered the check was not refused by it, and
        // the SDK's refusal then claims no wrong password either.
        sdkAfterUnansweredCheck_ = verdict == AuthorityVerdict::Unreachable;
        if (!form.passwordText.empty()) {
            services_.sdkLoginFor(
                newLoginSession(), device.ipText, device.httpPortText, form.userName, form.passwordText, false);
            answerPending_ = true;
        }
        say(sdkAfterUnansweredCheck_ ? M::noConnection : M::wrongPassword);
        return;
    }
    if (!portsPass(device.kindText, typeCode))
        return;
    // The device's present address is checked against the new gateway here.
    if (!newSettingsPass(SubnetChecked::PresentAddress))
        return;
    services_.sendBasicModify(modifyValues(form, device.ipText, device.macText));
    reportChanged(selectedExpectation(VerifyGeneration::Basic, form, device, device.ipText));
    say(M::success);
}

void ConfigurationChange::basicAfterSdkLogin()
{
    FormValues& form = state_.form;
    if (!portsPass(state_.selected.kindText, leadingInteger(state_.selected.typeText)))
        return;
    if (!addressAcceptable(form.newIp)) {
        say(M::badAddress);
        return;
    }
    SimpleSubnetVerdict subnet = simpleSubnetRule(form.newIp, form.gateway);
    if (subnet.filledGateway) {
        form.gateway = *subnet.filledGateway;
        showForm();
    } else if (subnet.ask && !ask(M::subnetQuestion)) {
        return;
    }
    services_.sendBasicModify(modifyValues(form, state_.selected.ipText, state_.selected.macText));
    reportChanged(selectedExpectation(VerifyGeneration::Basic, form, state_.selected, state_.selected.ipText));
    say(M::success);
}

void ConfigurationChange::forgetPendingLogin()
{
    // A number no login carries.
    loginSession_ = ++sessionNumber_;
    answerPending_ = false;
}

std::uintptr_t ConfigurationChange::newLoginSession()
{
    std::uintptr_t session = ++sessionNumber_;
    loginSession_ = session;
    return session;
}

void ConfigurationChange::loginAnswered(bool accepted, std::uintptr_t session)
{
    // Only the answer of the last login started: an earlier login's late
    // answer must not continue (or satisfy the wait of) a later one.
    if (session != loginSession_)
        return;
    if (handOver(Answer::Login, accepted, session))
        return;
    answerPending_ = false;
    // An upgrade started meanwhile: the Modify tab is refused while a device
    // upgrades, and a late login must not change one mid-upgrade either.
    if (state_.upgradeBusy || state_.upgradeRunning) {
        if (onvifStep_ == OnvifChangeStep::LoginPending)
            onvifStep_ = OnvifChangeStep::Stopped;
        return;
    }
    switch (state_.loginPurpose) {
    case 1:
        if (accepted)
            basicAfterSdkLogin();
        else if (!sdkAfterUnansweredCheck_)
            say(M::wrongPassword);
        break;
    case 3:
        // A refused ONVIF login is silent.
        if (accepted)
            onvifChange();
        else if (onvifStep_ == OnvifChangeStep::LoginPending)
            onvifStep_ = OnvifChangeStep::LoginFailed;
        break;
    default:
        // 4: the answer came after its batch stopped waiting.
        break;
    }
}

void ConfigurationChange::onvifChangeAnswered(bool accepted, std::uintptr_t session)
{
    if (session != loginSession_)
        return;
    if (handOver(Answer::Change, accepted, session))
        return;
    if (onvifStep_ == OnvifChangeStep::ChangePending) {
        onvifStep_ = accepted ? OnvifChangeStep::Accepted : OnvifChangeStep::NotAccepted;
        if (accepted)
            reportChanged(selectedExpectation(VerifyGeneration::Onvif, state_.form, state_.selected, state_.selected.ipText));
    }
}

void ConfigurationChange::loginAbandoned()
{
    {
        std::lock_guard lock(answerMutex_);
        if (awaiting_ == Answer::Login) {
            loginLost_ = true;
            answerArrived_.notify_all();
            answerPending_ = false;
            return;
        }
    }
    // A single change's SDK login that could not reach the device: its
    // answer will never come, and the user is told why (once: an unanswered
    // web check before it has said so already).
    const bool singleSdkLogin = answerPending_ && state_.loginPurpose == 1;
    answerPending_ = false;
    if (singleSdkLogin && !sdkAfterUnansweredCheck_)
        say(M::noConnection);
}

bool ConfigurationChange::handOver(Answer answer, bool value, std::uintptr_t session)
{
    std::lock_guard lock(answerMutex_);
    if (awaiting_ != answer || awaitingSession_ != session)
        return false;
    answer_ = value;
    answerArrived_.notify_all();
    return true;
}

// --- batches

void ConfigurationChange::waitForBatch()
{
    if (worker_.joinable())
        worker_.join();
}

void ConfigurationChange::startBatch()
{
    batchRunActive_ = true;
    workerRunning_ = true;
    {
        std::lock_guard lock(answerMutex_);
        batchReport_.clear();
    }
    const std::uintptr_t number = ++exchangeNumber_;
    exchangeShown_ = number;
    worker_ = std::thread([this, number] { runBatch(number); });
    const int closedWith = showBusyDialog(view_, state_, MainView::BusyPicture::Changing);
    exchangeShown_ = 0;
    if (closedWith == busyCancelled) {
        // Cancel gives the window back at once: the device being changed
        // finishes (a wait for a library's answer ends now), no further one
        // starts, and the worker ends on its own.
        {
            std::lock_guard lock(answerMutex_);
            batchRunActive_ = false;
        }
        answerArrived_.notify_all();
    }
}

std::vector<std::pair<std::string, BatchOutcome>> ConfigurationChange::lastBatchReport() const
{
    std::lock_guard lock(answerMutex_);
    return batchReport_;
}

void ConfigurationChange::runBatch(std::uintptr_t number)
{
    onWorker_ = true;
    // The worker works on copies: the window's thread keeps handling
    // messages (search replies, clicks are blocked by the busy dialog).
    const std::vector<BatchEntry> entries = state_.batchEntries;
    const FormValues form = state_.form;
    const std::uint32_t startIp = form.startIp;
    const bool oldDevices = !state_.newGeneration();

    bool everyDeviceChanged = true;
    bool anyDeviceChanged = false;
    bool startRefused = false;
    if (!addressAcceptable(startIp)) {
        say(M::badAddress);
        startRefused = true;
    } else {
        std::uint32_t offset = 0;
        for (const BatchEntry& entry : entries) {
            BatchOutcome outcome = BatchOutcome::Skipped;
            // Devices on DHCP take their address from the server; old
            // devices have no such flag.
            if (entry.dhcp == 0 || oldDevices) {
                if (!batchRunActive_)
                    break;
                EntryResult result = oldDevices ? changeOldEntry(form, entry, startIp + offset)
                                                : changeBatchEntry(form, entry, startIp + offset);
                outcome = result.outcome;
                if (result.addressTaken)
                    ++offset;
                if (outcome != BatchOutcome::Changed)
                    everyDeviceChanged = false;
                else
                    anyDeviceChanged = true;
            }
            std::lock_guard lock(answerMutex_);
            batchReport_.emplace_back(entry.ip, outcome);
        }
    }
    // Success only for a run that changed something: skipped devices (DHCP)
    // and refused ones leave nothing to report as done. A refused start
    // address has already said why nothing was tried.
    if (!startRefused && !anyDeviceChanged)
        say(M::nothingChanged);
    else if (everyDeviceChanged && anyDeviceChanged && batchRunActive_)
        say(M::success);
    batchRunActive_ = false;
    // Only this run's dialog: after a Cancel another may be up by now.
    view_.runOnGuiThread([this, number] {
        if (exchangeShown_ == number)
            view_.endBusyDialog(0);
    });
    onWorker_ = false;
    workerRunning_ = false;
}

void ConfigurationChange::expectAnswer(Answer answer, std::uintptr_t session)
{
    std::lock_guard lock(answerMutex_);
    awaiting_ = answer;
    awaitingSession_ = session;
    loginLost_ = false;
    answer_.reset();
}

void ConfigurationChange::forgetAnswer()
{
    std::lock_guard lock(answerMutex_);
    awaiting_ = Answer::None;
    answer_.reset();
}

std::optional<bool> ConfigurationChange::awaitAnswer(std::chrono::milliseconds wait)
{
    std::unique_lock lock(answerMutex_);
    // A Cancel ends the wait too, and so does a library that lost the device:
    // the device then counts as not changed.
    bool answered = answerArrived_.wait_for(
        lock, wait, [this] { return answer_.has_value() || !batchRunActive_ || loginLost_; });
    answered = answered && answer_.has_value();
    awaiting_ = Answer::None;
    std::optional<bool> result = answered ? answer_ : std::nullopt;
    answer_.reset();
    return result;
}

ConfigurationChange::EntryResult ConfigurationChange::changeBatchEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    std::string port = std::to_string(entry.httpPort);
    // The row's own address text, as the device sent it: credentials go to
    // a dotted-quad address one device can have, and nowhere else.
    if (!deviceAddress(entry.ip)) {
        say(M::badAddress);
        return {BatchOutcome::Failed, false};
    }
    if (form.passwordText.empty()) {
        say(M::wrongPassword);
        return {BatchOutcome::Failed, false};
    }
    if (auto problem = portProblem(entry.kind, entry.typeCode, form.httpPortText, form.rtspPortText,
            form.mobilePortText)) {
        say(*problem);
        return {BatchOutcome::Failed, false};
    }
    if (!addressAcceptable(newAddress)) {
        say(M::badAddress);
        return {BatchOutcome::Failed, false};
    }
    if (pathFor(entry.typeCode) == Path::Onvif)
        return changeOnvifEntry(form, entry, newAddress);
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return {BatchOutcome::Failed, false};
    }
    if (outsideMaskedSubnet(newAddress, form.netMask, form.gateway) && !ask(M::subnetQuestion))
        return {BatchOutcome::Failed, false};

    ModifyValues values = modifyValues(form, entry.ip, entry.mac);
    values.newIp = newAddress;
    values.addressesIncluded = true;
    values.dhcp = false;

    if (pathFor(entry.typeCode) == Path::Extended) {
        switch (services_.extendedExchange(values)) {
        case ExchangeOutcome::Accepted:
            reportChanged(batchExpectation(VerifyGeneration::Extended, entry, newAddress));
            return {BatchOutcome::Changed, true};
        case ExchangeOutcome::WrongPassword:
            say(M::wrongPassword);
            return {BatchOutcome::Failed, false};
        case ExchangeOutcome::Timeout:
            say(M::replyTimeout);
            return {BatchOutcome::Failed, false};
        case ExchangeOutcome::ReceiveError:
            say(M::receiveError);
            return {BatchOutcome::Failed, false};
        case ExchangeOutcome::Refused:
            return {BatchOutcome::Failed, false};
        }
        return {BatchOutcome::Failed, false};
    }

    // A device that never answered is told so, not that its password is wrong.
    AuthorityVerdict verdict = AuthorityVerdict::Refused;
    if (entry.typeCode >= 500) {
        const std::uintptr_t session = newLoginSession();
        expectAnswer(Answer::Login, session);
        view_.runOnGuiThread([&] { state_.loginPurpose = 1; });
        services_.sdkLoginFor(session, entry.ip, port, form.userName, form.passwordText, false);
        std::optional<bool> answer = awaitAnswer(loginWait_);
        if (!batchRunActive_)
            return {BatchOutcome::Failed, false}; // cancelled while waiting: no verdict to tell
        verdict = !answer ? AuthorityVerdict::Unreachable
                          : (*answer ? AuthorityVerdict::Accepted : AuthorityVerdict::Refused);
    } else if (!entry.kind.empty()) {
        std::string token = Base64Encode(utf8ToDeviceText(form.userName + ":" + form.passwordText));
        verdict = services_.httpAuthorityCheck(entry.ip, port, token);
    }
    if (verdict != AuthorityVerdict::Accepted) {
        say(verdict == AuthorityVerdict::Unreachable ? M::noConnection : M::wrongPassword);
        return {BatchOutcome::Failed, false};
    }
    services_.sendBasicModify(values);
    reportChanged(batchExpectation(VerifyGeneration::Basic, entry, newAddress));
    return {BatchOutcome::Changed, true};
}

ConfigurationChange::EntryResult ConfigurationChange::changeOldEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    // As a single old change: no credentials, the old request, no answer.
    if (!addressAcceptable(newAddress)) {
        say(M::badAddress);
        return {BatchOutcome::Failed, false};
    }
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return {BatchOutcome::Failed, false};
    }
    // An empty gateway becomes each new address's own a.b.c.1.
    std::uint32_t gateway = form.gateway;
    SimpleSubnetVerdict subnet = simpleSubnetRule(newAddress, gateway);
    if (subnet.filledGateway)
        gateway = *subnet.filledGateway;
    else if (subnet.ask && !ask(M::subnetQuestion))
        return {BatchOutcome::Failed, false};
    services_.sendOldModify(oldModifyValues(form, entry.ip, newAddress, gateway));
    reportChanged(batchExpectation(VerifyGeneration::Old, entry, newAddress));
    return {BatchOutcome::Changed, true};
}

ConfigurationChange::EntryResult ConfigurationChange::changeOnvifEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    const std::uintptr_t session = newLoginSession();
    expectAnswer(Answer::Login, session);
    view_.runOnGuiThread([&] { state_.loginPurpose = 4; });
    if (!services_.onvifLoginFor(session, entry.ip, std::to_string(entry.httpPort), form.userName, form.passwordText)) {
        forgetAnswer();
        return {BatchOutcome::Failed, false};
    }
    // A refused login is silent on this path; the run's report tells.
    if (!awaitAnswer(loginWait_).value_or(false))
        return {BatchOutcome::Failed, false};
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return {BatchOutcome::Failed, false};
    }
    // As for a single device: its present address against the new gateway.
    if (outsideMaskedSubnet(dottedToAddress(entry.ip), form.netMask, form.gateway) && !ask(M::subnetQuestion))
        return {BatchOutcome::Failed, false};

    // The block names the device it goes to (its own MAC text), and the
    // consecutive addresses of a batch are fixed ones.
    FormValues fixed = form;
    fixed.dhcpEnabled = false;
    OnvifNetParam block = onvifParameterBlock(fixed, entry.mac, newAddress);
    expectAnswer(Answer::Change, session);
    if (!services_.onvifChange(block)) {
        forgetAnswer();
        return {BatchOutcome::Failed, false};
    }
    // Handed over, the address counts as taken even when the device's
    // answer does not come in time: it may still take it.
    bool accepted = awaitAnswer(changeWait_).value_or(false);
    if (accepted)
        reportChanged(batchExpectation(VerifyGeneration::Onvif, entry, newAddress));
    return {accepted ? BatchOutcome::Changed : BatchOutcome::Failed, true};
}

} // namespace lorvena
