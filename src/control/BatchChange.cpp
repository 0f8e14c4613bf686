#include "control/BatchChange.h"

#include "control/BusyDialog.h"
#include "control/OnvifParameterBlock.h"
#include "net/Base64.h"
#include "platform/DeviceAddress.h"
#include "platform/LocalAddresses.h"
#include "platform/TextCodec.h"

#include <atomic>
#include <memory>
#include <string>

namespace lorvena {

namespace M = ChangeMessages;

void BatchChange::WorkerDialogue::say(std::string_view text)
{
    // The text is copied: a closing window gives the worker back before a
    // message it shows is closed.
    view_.runOnGuiThread([this, message = std::string(text)] { view_.showMessage(message); });
}

bool BatchChange::WorkerDialogue::ask(std::string_view text)
{
    // Shared, not on this stack: a closing window gives the worker back while
    // the question may still be up, and its answer comes later.
    auto confirmed = std::make_shared<std::atomic<bool>>(false);
    view_.runOnGuiThread(
        [this, question = std::string(text), confirmed] { *confirmed = view_.askOkCancel(question); });
    return *confirmed;
}

BatchChange::BatchChange(MainView& view, WindowState& state, ChangeServices& services, LoginSessions& sessions)
    : view_(view), state_(state), services_(services), sessions_(sessions), user_(view)
{
}

BatchChange::~BatchChange()
{
    shutdown();
}

void BatchChange::wait()
{
    if (worker_.joinable())
        worker_.join();
}

void BatchChange::shutdown()
{
    runActive_ = false;
    {
        std::lock_guard lock(mutex_);
        answer_ = false;
    }
    answerArrived_.notify_all();
    wait();
}

void BatchChange::start(BatchInputs inputs)
{
    wait();
    runActive_ = true;
    workerRunning_ = true;
    {
        std::lock_guard lock(mutex_);
        outcomes_.clear();
        skips_.clear();
    }
    const std::uintptr_t number = ++runNumber_;
    runShown_ = number;
    worker_ = std::thread([this, number, inputs = std::move(inputs)] { run(number, inputs); });
    const int closedWith = showBusyDialog(view_, state_, MainView::BusyPicture::Changing);
    runShown_ = 0;
    if (closedWith == MainView::busyCancelled) {
        // Cancel gives the window back at once: the device being changed
        // finishes (a wait for a library's answer ends now), no further one
        // starts, and the worker ends on its own.
        {
            std::lock_guard lock(mutex_);
            runActive_ = false;
        }
        answerArrived_.notify_all();
    }
}

std::vector<DeviceChangeOutcome> BatchChange::lastOutcomes() const
{
    std::lock_guard lock(mutex_);
    return outcomes_;
}

std::vector<AddressSkip> BatchChange::lastSkips() const
{
    std::lock_guard lock(mutex_);
    return skips_;
}

BatchChange::AddressChoice BatchChange::chooseAddress(const BatchInputs& inputs, const BatchEntry& entry,
    std::uint32_t& offset, bool& pinging, std::vector<std::string>& skipLines)
{
    using Verdict = AddressChoice::Verdict;
    const std::uint32_t startIp = inputs.form.startIp;
    std::uint32_t candidate = startIp + offset;
    if (!inputs.addressCheck)
        return {Verdict::Chosen, candidate};
    // The device's own address is its own to keep.
    const std::uint32_t present = dottedToAddress(entry.ip);
    for (;;) {
        // An address no host may have is refused by the entry's own checks,
        // as it always was; skipping never leads there (see below).
        if (!addressAcceptable(candidate) || candidate == present)
            return {Verdict::Chosen, candidate};
        // Another device of this batch still at the address counts as its
        // holder: this entry's change goes out first, and the two would
        // meet there.
        const AddressUse use = inputs.addressCheck->check(candidate, entry.mac,
            pinging ? AddressUseCheck::Pinging::Yes : AddressUseCheck::Pinging::No);
        if (use.notPinged) {
            // Said once: a run that cannot ping stops trying.
            pinging = false;
            view_.runOnGuiThread([this, note = M::FormatNotPinged(dottedAddress(candidate))] { view_.showNote(note); });
        }
        if (!use.inUse())
            return {Verdict::Chosen, candidate};
        skipLines.push_back(M::FormatAddressSkipped(dottedAddress(candidate),
            use.holder == AddressHolder::Listed ? use.who : "odpowiada na ping"));
        {
            std::lock_guard lock(mutex_);
            skips_.push_back({candidate, use});
        }
        if (!runActive_)
            return {Verdict::Cancelled, candidate};
        ++offset;
        // Past .254 the numbering would carry into .255 and the next
        // network; the devices left get no address rather than one there.
        if (!addressAcceptable(startIp + offset))
            return {Verdict::RunOut, candidate};
        candidate = startIp + offset;
    }
}

void BatchChange::run(std::uintptr_t number, const BatchInputs& inputs)
{
    const FormValues& form = inputs.form;
    const std::uint32_t startIp = form.startIp;

    bool everyDeviceChanged = true;
    bool anyDeviceChanged = false;
    bool startRefused = false;
    std::vector<std::string> skipLines;
    if (!addressAcceptable(startIp)) {
        user_.say(M::badAddress);
        startRefused = true;
    } else {
        std::uint32_t offset = 0;
        bool pinging = true;
        bool addressesRunOut = false;
        for (const BatchEntry& entry : inputs.entries) {
            DeviceChangeOutcome record {entry.mac, entry.ip, 0, DeviceOutcome::Skipped};
            // Devices on DHCP take their address from the server; old
            // devices have no such flag.
            if (entry.dhcp == 0 || inputs.oldDevices) {
                if (!runActive_)
                    break;
                AddressChoice choice {AddressChoice::Verdict::RunOut, 0};
                if (!addressesRunOut) {
                    choice = chooseAddress(inputs, entry, offset, pinging, skipLines);
                    // The echo before the choice takes up to a second: a
                    // Cancel meanwhile sends nothing more.
                    if (choice.verdict == AddressChoice::Verdict::Cancelled || !runActive_)
                        break;
                    if (choice.verdict == AddressChoice::Verdict::RunOut) {
                        addressesRunOut = true;
                        user_.say(M::FormatNoFreeAddress(dottedAddress(choice.address)));
                    }
                }
                if (choice.verdict == AddressChoice::Verdict::Chosen) {
                    record.newIp = choice.address;
                    EntryResult result = inputs.oldDevices ? changeOldEntry(form, entry, record.newIp)
                                                           : changeEntry(form, entry, record.newIp);
                    record.outcome = result.outcome;
                    if (result.addressTaken)
                        ++offset;
                } else {
                    record.outcome = DeviceOutcome::Refused;
                }
                if (record.outcome != DeviceOutcome::Changed)
                    everyDeviceChanged = false;
                else
                    anyDeviceChanged = true;
            }
            std::lock_guard lock(mutex_);
            outcomes_.push_back(std::move(record));
        }
    }
    // Success only for a run that changed something: skipped devices (DHCP)
    // and refused ones leave nothing to report as done. A refused start
    // address has already said why nothing was tried. The addresses passed
    // over follow, one line each.
    std::string summary;
    if (!startRefused && !anyDeviceChanged)
        summary = M::nothingChanged;
    else if (everyDeviceChanged && anyDeviceChanged && runActive_)
        summary = M::success;
    for (const std::string& line : skipLines)
        summary += (summary.empty() ? "" : "\n") + line;
    if (!summary.empty())
        user_.say(summary);
    runActive_ = false;
    // Only this run's dialog: after a Cancel another may be up by now.
    view_.runOnGuiThread([this, number] {
        if (runShown_ == number)
            view_.endBusyDialog(MainView::busyEnded);
    });
    workerRunning_ = false;
}

void BatchChange::reportChanged(const ChangeExpectation& expected)
{
    if (ChangeVerification* verification = verification_)
        verification->changeReported(expected);
}

std::uintptr_t BatchChange::newLogin(LoginPurpose purpose)
{
    const std::uintptr_t session = sessions_.next();
    lastLogin_ = session;
    expectAnswer(Answer::Login, session);
    view_.runOnGuiThread([this, purpose] { state_.loginPurpose = purpose; });
    return session;
}

void BatchChange::expectAnswer(Answer answer, std::uintptr_t session)
{
    std::lock_guard lock(mutex_);
    awaiting_ = answer;
    awaitingSession_ = session;
    loginLost_ = false;
    answer_.reset();
}

void BatchChange::forgetAnswer()
{
    std::lock_guard lock(mutex_);
    awaiting_ = Answer::None;
    answer_.reset();
}

std::optional<bool> BatchChange::awaitAnswer(std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex_);
    // A Cancel ends the wait too, and so does a library that lost the device:
    // the device then counts as not changed.
    bool answered =
        answerArrived_.wait_for(lock, wait, [this] { return answer_.has_value() || !runActive_ || loginLost_; });
    answered = answered && answer_.has_value();
    awaiting_ = Answer::None;
    std::optional<bool> result = answered ? answer_ : std::nullopt;
    answer_.reset();
    return result;
}

bool BatchChange::handOver(Answer answer, bool value, std::uintptr_t session)
{
    std::lock_guard lock(mutex_);
    if (awaiting_ != answer || awaitingSession_ != session)
        return false;
    answer_ = value;
    answerArrived_.notify_all();
    return true;
}

bool BatchChange::loginAnswered(bool accepted, std::uintptr_t session)
{
    return handOver(Answer::Login, accepted, session);
}

bool BatchChange::changeAnswered(bool accepted, std::uintptr_t session)
{
    return handOver(Answer::Change, accepted, session);
}

bool BatchChange::loginAbandoned()
{
    std::lock_guard lock(mutex_);
    if (awaiting_ != Answer::Login)
        return false;
    loginLost_ = true;
    answerArrived_.notify_all();
    return true;
}

BatchChange::EntryResult BatchChange::changeEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    const EntryResult refused {DeviceOutcome::Refused, false};
    std::string port = std::to_string(entry.httpPort);
    // The row's own address text, as the device sent it: credentials go to
    // a dotted-quad address one device can have, and nowhere else.
    if (!deviceAddress(entry.ip)) {
        user_.say(M::badAddress);
        return refused;
    }
    if (form.passwordText.empty()) {
        user_.say(M::wrongPassword);
        return refused;
    }
    if (auto problem = portProblem(entry.kind, entry.typeCode, form.httpPortText, form.rtspPortText,
            form.mobilePortText)) {
        user_.say(*problem);
        return refused;
    }
    if (!addressAcceptable(newAddress)) {
        user_.say(M::badAddress);
        return refused;
    }
    const ChangePath path = changePathFor(entry.typeCode);
    if (path == ChangePath::Onvif)
        return changeOnvifEntry(form, entry, newAddress);
    if (!maskedSubnetPasses(user_, newAddress, form.netMask, form.gateway))
        return refused;

    ModifyValues values = modifyValues(form, entry.ip, entry.mac);
    values.newIp = newAddress;
    values.addressesIncluded = true;
    values.dhcp = false;

    if (path == ChangePath::Extended) {
        const ExchangeOutcome outcome = services_.extendedExchange(values);
        if (outcome == ExchangeOutcome::Accepted) {
            reportChanged(batchExpectation(VerifyGeneration::Extended, entry, newAddress));
            return {DeviceOutcome::Changed, true};
        }
        if (std::optional<std::string_view> problem = exchangeProblem(outcome))
            user_.say(*problem);
        return {exchangeResult(outcome), false};
    }

    // A device that never answered is told so, not that its password is wrong.
    AuthorityVerdict verdict = AuthorityVerdict::Refused;
    if (entry.typeCode >= 500) {
        const std::uintptr_t session = newLogin(LoginPurpose::Change);
        services_.sdkLoginFor(session, entry.ip, port, form.userName, form.passwordText, false);
        std::optional<bool> answer = awaitAnswer(loginWait_);
        if (!runActive_)
            return {DeviceOutcome::Skipped, false}; // cancelled while waiting: no verdict to tell
        verdict = !answer ? AuthorityVerdict::Unreachable
                          : (*answer ? AuthorityVerdict::Accepted : AuthorityVerdict::Refused);
    } else if (!entry.kind.empty()) {
        std::string token = Base64Encode(utf8ToDeviceText(form.userName + ":" + form.passwordText));
        verdict = services_.httpAuthorityCheck(entry.ip, port, token);
    }
    if (verdict != AuthorityVerdict::Accepted) {
        user_.say(authorityProblem(verdict));
        return {authorityResult(verdict), false};
    }
    services_.sendBasicModify(values);
    reportChanged(batchExpectation(VerifyGeneration::Basic, entry, newAddress));
    return {DeviceOutcome::Changed, true};
}

BatchChange::EntryResult BatchChange::changeOldEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    // As a single old change: no credentials, the old request, no answer.
    if (!addressAcceptable(newAddress)) {
        user_.say(M::badAddress);
        return {DeviceOutcome::Refused, false};
    }
    if (!maskAcceptable(form.netMask)) {
        user_.say(M::badMask);
        return {DeviceOutcome::Refused, false};
    }
    // An empty gateway becomes each new address's own a.b.c.1.
    std::optional<std::uint32_t> gateway = simpleSubnetPasses(user_, newAddress, form.gateway);
    if (!gateway)
        return {DeviceOutcome::Refused, false};
    services_.sendOldModify(oldModifyValues(form, entry.ip, newAddress, *gateway));
    reportChanged(batchExpectation(VerifyGeneration::Old, entry, newAddress));
    return {DeviceOutcome::Changed, true};
}

BatchChange::EntryResult BatchChange::changeOnvifEntry(
    const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress)
{
    const std::uintptr_t session = newLogin(LoginPurpose::OnvifBatchChange);
    if (!services_.onvifLoginFor(session, entry.ip, std::to_string(entry.httpPort), form.userName, form.passwordText)) {
        forgetAnswer();
        return {DeviceOutcome::Refused, false};
    }
    // A refused login is silent on this path; the run's report tells.
    std::optional<bool> loggedIn = awaitAnswer(loginWait_);
    if (!loggedIn)
        return {runActive_ ? DeviceOutcome::Unreachable : DeviceOutcome::Skipped, false};
    if (!*loggedIn)
        return {DeviceOutcome::Refused, false};
    // As for a single device: its present address against the new gateway.
    if (!maskedSubnetPasses(user_, dottedToAddress(entry.ip), form.netMask, form.gateway))
        return {DeviceOutcome::Refused, false};

    // The block names the device it goes to (its own MAC text), and the
    // consecutive addresses of a batch are fixed ones.
    FormValues fixed = form;
    fixed.dhcpEnabled = false;
    OnvifNetParam block = onvifParameterBlock(fixed, entry.mac, newAddress);
    expectAnswer(Answer::Change, session);
    if (!services_.onvifChange(block)) {
        forgetAnswer();
        return {DeviceOutcome::Refused, false};
    }
    // Handed over, the address counts as taken even when the device's
    // answer does not come in time: it may still take it.
    if (!awaitAnswer(changeWait_).value_or(false))
        return {DeviceOutcome::NotConfirmed, true};
    reportChanged(batchExpectation(VerifyGeneration::Onvif, entry, newAddress));
    return {DeviceOutcome::Changed, true};
}

} // namespace lorvena
