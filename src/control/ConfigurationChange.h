#pragma once

#include "control/AddressUse.h"
#include "control/BatchChange.h"
#include "control/BusyExchange.h"
#include "control/ChangeOutcome.h"
#include "control/ChangeRules.h"
#include "control/ChangeServices.h"
#include "control/ChangeVerification.h"
#include "control/LoginSessions.h"
#include "control/MainView.h"
#include "control/WindowState.h"
#include "platform/WindowMessage.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lorvena {

// How far the ONVIF change of the selected device got. The window says
// nothing after the login on this path; whoever must report the change (the
// console) follows it here.
enum class OnvifChangeStep {
    None,          // the last "Zmiana IP" took another path, or stopped first
    Unavailable,   // no ONVIF library to log in with
    LoginPending,  // waiting for the library's login answer
    LoginFailed,   // wrong credentials, or no answer from the device
    Stopped,       // logged in, but the form failed a check after it
    NotTaken,      // logged in, but the library refused the settings (no usable mask, say)
    ChangePending, // handed to the library; waiting for the device's answer
    Accepted,      // the device took the settings
    NotAccepted,   // the device refused them or did not answer
};

// "Zmiana IP": checks the form and changes the selected device, or hands
// the Ctrl+clicked devices to a batch, by the path their generation and type
// code call for. Runs on the window's thread; a batch runs on a worker of its
// own while the window shows the busy dialog.
class ConfigurationChange {
public:
    // `poster` carries the end of an exchange run off the window's thread.
    ConfigurationChange(MainView& view, WindowState& state, ChangeServices& services, MessagePoster& poster);
    ~ConfigurationChange();
    ConfigurationChange(const ConfigurationChange&) = delete;
    ConfigurationChange& operator=(const ConfigurationChange&) = delete;

    void apply();

    // What became of the device of the last single change: nothing when no
    // single change has been tried since the last batch. While a library's
    // answer is pending (answerPending()) or an ONVIF change waits for the
    // device, it tells what holds so far: Unreachable, NotConfirmed.
    const std::optional<DeviceChangeOutcome>& lastOutcome() const { return outcome_; }
    // What became of each device of the last batch, in run order.
    std::vector<DeviceChangeOutcome> lastBatchReport() const { return batch_.lastOutcomes(); }
    // The addresses the last batch passed over because another device held them.
    std::vector<AddressSkip> lastBatchSkips() const { return batch_.lastSkips(); }

    // The answer of an SDK or ONVIF login started for a change, with the
    // session its message carries; answers of other logins are ignored.
    void loginAnswered(bool accepted, std::uintptr_t session);
    // MessageId::DeviceExchangeDone: closes the busy dialog of that exchange.
    void exchangeDone(std::uintptr_t exchange) { busy_.exchangeDone(exchange); }
    // How the device took an ONVIF change (MessageId::OnvifChangeResult),
    // with the session of the login it was made in.
    void onvifChangeAnswered(bool accepted, std::uintptr_t session);
    OnvifChangeStep onvifStep() const { return onvifStep_; }
    // The library lost the device: no answer will come (a batch waiting for
    // it stops waiting).
    void loginAbandoned();
    // A change waits for a library's login answer to go on.
    bool answerPending() const { return answerPending_; }
    // Waits until a batch worker has finished.
    void waitForBatch() { batch_.wait(); }
    // Stops a batch before its next device and waits for every thread that
    // talks to devices: before the services and libraries they use go away.
    void shutdown();
    // The session number of the last login a change started.
    std::uintptr_t loginSession() const { return sessions_.last(); }
    // The user has moved on (another row, another "Zmiana IP"): the answer
    // of a login still pending continues nothing, since the form and the
    // selection it would act on are no longer that change's.
    void forgetPendingLogin();

    // How long a batch waits for a library's login answer, and for the
    // device's answer to an ONVIF change.
    void setLoginWait(std::chrono::milliseconds wait) { batch_.setLoginWait(wait); }
    void setChangeWait(std::chrono::milliseconds wait) { batch_.setChangeWait(wait); }
    // Where each device reported as changed is handed over to be looked
    // for at its new settings; null: nowhere.
    void setVerification(ChangeVerification* verification);
    // Where the address a change is about to give is looked up first: the
    // device list (`table`, read on the window's thread as the change
    // starts) and an echo waiting `pingWait` (`ping` null: none). A single
    // change asks before giving an address another device holds; a batch
    // passes over such addresses. Null table: nothing is looked up.
    void setAddressCheck(const DeviceTable* table, AddressPing* ping, std::chrono::milliseconds pingWait);

private:
    // Speaks to the user on the window's thread.
    class WindowDialogue final : public ChangeDialogue {
    public:
        explicit WindowDialogue(MainView& view) : view_(view) {}
        void say(std::string_view text) override { view_.showMessage(text); }
        bool ask(std::string_view text) override { return view_.askOkCancel(text); }

    private:
        MainView& view_;
    };

    void say(std::string_view text) { user_.say(text); }
    void showForm();
    void reportChanged(const ChangeExpectation& expected);
    // The single change's device, from here on, with what holds so far.
    void beginOutcome(std::string formerIp, std::uint32_t newIp);
    void settle(DeviceOutcome outcome);

    void startBatch();
    void oldGeneration();
    void newGeneration();
    void onvifPath(std::int32_t typeCode);
    void onvifChange();
    void extendedPath();
    void basicPath(std::int32_t typeCode);
    void basicAfterSdkLogin();
    bool portsPass(std::string_view kindText, std::int32_t typeCode);
    // Which address must share a subnet with the new gateway (else the
    // subnet question is asked).
    enum class SubnetChecked { NewAddress, PresentAddress };
    // The new address, the mask and the subnet question, in that order; a
    // bad new address is put back to the present one.
    bool newSettingsPass(SubnetChecked checked);
    // The new address is the device's own, or nobody else holds it, or the
    // user gives it anyway. `dhcp`: no fixed address goes out, nothing to look up.
    bool newAddressConfirmed(std::uint32_t newAddress, bool dhcp);

    MainView& view_;
    WindowState& state_;
    ChangeServices& services_;
    WindowDialogue user_;
    LoginSessions sessions_;
    BusyExchange busy_;
    BatchChange batch_;

    std::optional<DeviceChangeOutcome> outcome_;
    bool answerPending_ = false;
    // The pending SDK login of a basic change follows a web check that got
    // no answer at all: its refusal is no proof of a wrong password.
    bool sdkAfterUnansweredCheck_ = false;
    OnvifChangeStep onvifStep_ = OnvifChangeStep::None;
    std::atomic<ChangeVerification*> verification_ {nullptr};
    const DeviceTable* addressTable_ = nullptr;
    AddressPing* addressPing_ = nullptr;
    std::chrono::milliseconds pingWait_ {1000};
};

} // namespace lorvena
