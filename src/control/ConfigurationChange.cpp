#include "control/ConfigurationChange.h"

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

} // namespace

ConfigurationChange::ConfigurationChange(MainView& view, WindowState& state, ChangeServices& services,
    MessagePoster& poster)
    : view_(view),
      state_(state),
      services_(services),
      user_(view),
      busy_(view, state, poster),
      batch_(view, state, services, sessions_)
{
}

ConfigurationChange::~ConfigurationChange()
{
    shutdown();
}

void ConfigurationChange::shutdown()
{
    batch_.shutdown();
    busy_.shutdown();
}

void ConfigurationChange::setVerification(ChangeVerification* verification)
{
    verification_ = verification;
    batch_.setVerification(verification);
}

void ConfigurationChange::setAddressCheck(const DeviceTable* table, AddressPing* ping,
    std::chrono::milliseconds pingWait)
{
    addressTable_ = table;
    addressPing_ = ping;
    pingWait_ = pingWait;
}

bool ConfigurationChange::newAddressConfirmed(std::uint32_t newAddress, bool dhcp)
{
    if (!addressTable_ || dhcp || newAddress == state_.form.originalIp)
        return true;
    const AddressUseCheck check(ListKnownDevices(*addressTable_), addressPing_, pingWait_);
    const std::string mac = state_.selected.macText;
    AddressUse use = check.check(newAddress, mac, AddressUseCheck::Pinging::No);
    if (!use.inUse() && addressPing_) {
        // The echo waits for an answer: never on the window's thread.
        std::optional<AddressUse> pinged = busy_.run<AddressUse>(
            [check, newAddress, mac] { return check.check(newAddress, mac); });
        if (!pinged) {
            settle(DeviceOutcome::Skipped);
            return false; // cancelled: nothing is sent
        }
        use = *pinged;
    }
    const std::string ipText = dottedAddress(newAddress);
    if (use.notPinged)
        view_.showNote(M::FormatNotPinged(ipText));
    return !use.inUse() || user_.ask(M::FormatAddressInUse(ipText));
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

void ConfigurationChange::beginOutcome(std::string formerIp, std::uint32_t newIp)
{
    // Until something else is found, a change that stops has been refused
    // (by a check, or by the user's answer).
    outcome_ = DeviceChangeOutcome {state_.selected.macText, std::move(formerIp), newIp, DeviceOutcome::Refused};
}

void ConfigurationChange::settle(DeviceOutcome outcome)
{
    if (outcome_)
        outcome_->outcome = outcome;
}

// --- "Zmiana IP"

void ConfigurationChange::apply()
{
    // A batch still under way, or one cancelled whose worker is finishing
    // its device: the window is not held up waiting for it.
    if (batch_.busy())
        return;
    batch_.wait();
    forgetPendingLogin();
    state_.form = view_.readForm();
    onvifStep_ = OnvifChangeStep::None;
    outcome_.reset();
    if (state_.batchMode) {
        startBatch();
        return;
    }
    if (state_.searchMode == 0)
        oldGeneration();
    else
        newGeneration();
}

void ConfigurationChange::startBatch()
{
    // Copied here, on the window's thread: the worker must not read the
    // window's state while the window goes on handling messages.
    BatchInputs inputs {state_.batchEntries, state_.form, !state_.newGeneration(), std::nullopt};
    if (addressTable_)
        inputs.addressCheck.emplace(ListKnownDevices(*addressTable_), addressPing_, pingWait_);
    batch_.start(std::move(inputs));
}

void ConfigurationChange::oldGeneration()
{
    FormValues& form = state_.form;
    form.dhcpEnabled = false;
    // The address the user sees and typed: "Start IP" when it stands in the
    // IP field's place (the hidden IP field still holds the present address).
    if (state_.startIpShown)
        form.newIp = form.startIp;
    beginOutcome(dottedAddress(form.originalIp), form.newIp);
    if (!addressAcceptable(form.newIp)) {
        say(M::badAddress);
        return;
    }
    // A device given a broken mask could not be reached again.
    if (!maskAcceptable(form.netMask)) {
        say(M::badMask);
        return;
    }
    std::optional<std::uint32_t> gateway = simpleSubnetPasses(user_, form.newIp, form.gateway);
    if (!gateway)
        return;
    if (*gateway != form.gateway) {
        form.gateway = *gateway;
        showForm();
    }
    // Old devices have no DHCP flag: the address always goes out.
    if (!newAddressConfirmed(form.newIp, false))
        return;
    // The device is named by the address it was listed with.
    services_.sendOldModify(oldModifyValues(form, dottedAddress(form.originalIp), form.newIp, form.gateway));
    reportChanged(selectedExpectation(VerifyGeneration::Old, form, state_.selected, dottedAddress(form.originalIp)));
    settle(DeviceOutcome::Changed);
    say(M::success);
}

void ConfigurationChange::newGeneration()
{
    FormValues& form = state_.form;
    beginOutcome(dottedAddress(form.originalIp), form.newIp);
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
    switch (changePathFor(typeCode)) {
    case ChangePath::Onvif:
        onvifPath(typeCode);
        break;
    case ChangePath::Extended:
        extendedPath();
        break;
    case ChangePath::Basic:
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
    state_.loginPurpose = LoginPurpose::OnvifChange;
    answerPending_ = services_.onvifLoginFor(
        sessions_.next(), state_.selected.ipText, state_.selected.httpPortText, form.userName, form.passwordText);
    onvifStep_ = answerPending_ ? OnvifChangeStep::LoginPending : OnvifChangeStep::Unavailable;
    // Until the login is answered the device has not answered.
    if (answerPending_)
        settle(DeviceOutcome::Unreachable);
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
    const std::uint32_t address = checked == SubnetChecked::NewAddress ? form.newIp : form.originalIp;
    return maskedSubnetPasses(user_, address, form.netMask, form.gateway);
}

void ConfigurationChange::onvifChange()
{
    FormValues& form = state_.form;
    onvifStep_ = OnvifChangeStep::Stopped;
    settle(DeviceOutcome::Refused);
    // A refusal here leaves the login open: the next login replaces it, or
    // shutdown ends it.
    // The device's present address is checked against the new gateway.
    if (!newSettingsPass(SubnetChecked::PresentAddress))
        return;
    if (!newAddressConfirmed(form.newIp, form.dhcpEnabled))
        return;
    OnvifNetParam block = onvifParameterBlock(form, state_.selected.macText, form.newIp);
    // No message on this path: the device may take a while to answer, and
    // a refusal tells nothing the next search would not show.
    const bool handedOver = services_.onvifChange(block);
    onvifStep_ = handedOver ? OnvifChangeStep::ChangePending : OnvifChangeStep::NotTaken;
    if (handedOver)
        settle(DeviceOutcome::NotConfirmed);
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
    if (!newAddressConfirmed(form.newIp, form.dhcpEnabled))
        return;
    const ModifyValues values = modifyValues(form, state_.selected.ipText, state_.selected.macText);
    std::optional<ExchangeOutcome> outcome =
        busy_.run<ExchangeOutcome>([this, values] { return services_.extendedExchange(values); });
    if (!outcome) {
        // Cancelled: the window does not wait for the device, which may
        // still take the request already out.
        settle(DeviceOutcome::NotConfirmed);
        return;
    }
    settle(exchangeResult(*outcome));
    if (*outcome == ExchangeOutcome::Accepted) {
        reportChanged(selectedExpectation(VerifyGeneration::Extended, form, state_.selected, state_.selected.ipText));
        say(M::success);
        return;
    }
    if (std::optional<std::string_view> problem = exchangeProblem(*outcome))
        say(*problem);
    if (*outcome == ExchangeOutcome::WrongPassword) {
        form.passwordText.clear();
        showForm();
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
    state_.loginPurpose = LoginPurpose::Change;
    sdkAfterUnansweredCheck_ = false;
    if (typeCode >= 500) {
        // These recorders are checked by the vendor SDK; the change goes on
        // when its answer arrives.
        services_.sdkLoginFor(
            sessions_.next(), device.ipText, device.httpPortText, form.userName, form.passwordText, false);
        answerPending_ = true;
        settle(DeviceOutcome::Unreachable);
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
        std::optional<AuthorityVerdict> answered = busy_.run<AuthorityVerdict>(
            [this, ipText, portText, token] { return services_.httpAuthorityCheck(ipText, portText, token); });
        if (!answered) {
            settle(DeviceOutcome::Skipped);
            return; // cancelled: nothing is sent, nothing said
        }
        verdict = *answered;
    }
    if (verdict != AuthorityVerdict::Accepted) {
        // The SDK may still know the device: its answer can change it later.
        // A device that never answered the check was not refused by it, and
        // the SDK's refusal then claims no wrong password either.
        sdkAfterUnansweredCheck_ = verdict == AuthorityVerdict::Unreachable;
        settle(authorityResult(verdict));
        if (!form.passwordText.empty()) {
            services_.sdkLoginFor(
                sessions_.next(), device.ipText, device.httpPortText, form.userName, form.passwordText, false);
            answerPending_ = true;
        }
        say(authorityProblem(verdict));
        return;
    }
    if (!portsPass(device.kindText, typeCode))
        return;
    // The device's present address is checked against the new gateway here.
    if (!newSettingsPass(SubnetChecked::PresentAddress))
        return;
    if (!newAddressConfirmed(form.newIp, form.dhcpEnabled))
        return;
    services_.sendBasicModify(modifyValues(form, device.ipText, device.macText));
    reportChanged(selectedExpectation(VerifyGeneration::Basic, form, device, device.ipText));
    settle(DeviceOutcome::Changed);
    say(M::success);
}

void ConfigurationChange::basicAfterSdkLogin()
{
    FormValues& form = state_.form;
    settle(DeviceOutcome::Refused);
    if (!portsPass(state_.selected.kindText, leadingInteger(state_.selected.typeText)))
        return;
    if (!addressAcceptable(form.newIp)) {
        say(M::badAddress);
        return;
    }
    std::optional<std::uint32_t> gateway = simpleSubnetPasses(user_, form.newIp, form.gateway);
    if (!gateway)
        return;
    if (*gateway != form.gateway) {
        form.gateway = *gateway;
        showForm();
    }
    if (!newAddressConfirmed(form.newIp, form.dhcpEnabled))
        return;
    services_.sendBasicModify(modifyValues(form, state_.selected.ipText, state_.selected.macText));
    reportChanged(selectedExpectation(VerifyGeneration::Basic, form, state_.selected, state_.selected.ipText));
    settle(DeviceOutcome::Changed);
    say(M::success);
}

void ConfigurationChange::forgetPendingLogin()
{
    sessions_.forget();
    answerPending_ = false;
}

void ConfigurationChange::loginAnswered(bool accepted, std::uintptr_t session)
{
    // Only the answer of the last login started: an earlier login's late
    // answer must not continue (or satisfy the wait of) a later one.
    if (session != sessions_.last())
        return;
    if (batch_.loginAnswered(accepted, session))
        return;
    // A batch's login that its run stopped waiting for continues nothing:
    // the form holds no settings for that device.
    if (batch_.startedLogin(session))
        return;
    answerPending_ = false;
    // An upgrade started meanwhile: the Modify tab is refused while a device
    // upgrades, and a late login must not change one mid-upgrade either.
    if (state_.upgradeBusy || state_.upgradeRunning) {
        if (onvifStep_ == OnvifChangeStep::LoginPending) {
            onvifStep_ = OnvifChangeStep::Stopped;
            settle(DeviceOutcome::Refused);
        }
        return;
    }
    switch (state_.loginPurpose) {
    case LoginPurpose::Change:
        if (accepted) {
            basicAfterSdkLogin();
        } else if (!sdkAfterUnansweredCheck_) {
            settle(DeviceOutcome::Refused);
            say(M::wrongPassword);
        }
        break;
    case LoginPurpose::OnvifChange:
        // A refused ONVIF login is silent.
        if (accepted) {
            onvifChange();
        } else if (onvifStep_ == OnvifChangeStep::LoginPending) {
            onvifStep_ = OnvifChangeStep::LoginFailed;
            settle(DeviceOutcome::Refused);
        }
        break;
    default:
        break;
    }
}

void ConfigurationChange::onvifChangeAnswered(bool accepted, std::uintptr_t session)
{
    if (session != sessions_.last())
        return;
    if (batch_.changeAnswered(accepted, session) || batch_.startedLogin(session))
        return;
    if (onvifStep_ == OnvifChangeStep::ChangePending) {
        onvifStep_ = accepted ? OnvifChangeStep::Accepted : OnvifChangeStep::NotAccepted;
        // A device that answered no has still not confirmed: the library
        // tells a refusal and a missing answer alike.
        if (accepted) {
            settle(DeviceOutcome::Changed);
            reportChanged(selectedExpectation(VerifyGeneration::Onvif, state_.form, state_.selected, state_.selected.ipText));
        }
    }
}

void ConfigurationChange::loginAbandoned()
{
    const bool pending = answerPending_;
    answerPending_ = false;
    // Nothing here is touched once a batch's wait has been ended: the run
    // may then finish, and its owner go away.
    if (batch_.loginAbandoned())
        return;
    // A single change's SDK login that could not reach the device: its
    // answer will never come, and the user is told why (once: an unanswered
    // web check before it has said so already).
    const bool singleSdkLogin = pending && state_.loginPurpose == LoginPurpose::Change;
    if (singleSdkLogin) {
        settle(DeviceOutcome::Unreachable);
        if (!sdkAfterUnansweredCheck_)
            say(M::noConnection);
    }
}

} // namespace lorvena
