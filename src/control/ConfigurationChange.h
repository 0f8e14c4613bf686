#pragma once

#include "control/ChangeServices.h"
#include "control/ChangeVerification.h"
#include "control/MainView.h"
#include "control/WindowState.h"
#include "platform/WindowMessage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lorvena {

// The values a modify request carries, from the form and the device named.
ModifyValues modifyValues(const FormValues& form, const std::string& currentIpText, const std::string& macText);

// What becomes of one device of a batch.
enum class BatchOutcome { Changed, Skipped, Failed };

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

// "Zmiana IP": checks the form and changes the selected device, or the
// Ctrl+clicked batch, by the path its generation and type code call for.
// Runs on the window's thread; a batch runs on a worker of its own while the
// window shows the busy dialog.
class ConfigurationChange {
public:
    // `poster` carries the end of an exchange run off the window's thread.
    ConfigurationChange(MainView& view, WindowState& state, ChangeServices& services, MessagePoster& poster);
    ~ConfigurationChange();
    ConfigurationChange(const ConfigurationChange&) = delete;
    ConfigurationChange& operator=(const ConfigurationChange&) = delete;

    void apply();

    // The answer of an SDK or ONVIF login started for a change, with the
    // session its message carries; answers of other logins are ignored.
    void loginAnswered(bool accepted, std::uintptr_t session);
    // MessageId::DeviceExchangeDone: closes the busy dialog of that exchange.
    void exchangeDone(std::uintptr_t exchange);
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
    void waitForBatch();
    // Stops a batch before its next device and waits for every thread that
    // talks to devices: before the services and libraries they use go away.
    void shutdown();
    // The session number of the last login a change started.
    std::uintptr_t loginSession() const { return loginSession_; }
    // The user has moved on (another row, another "Zmiana IP"): the answer
    // of a login still pending continues nothing, since the form and the
    // selection it would act on are no longer that change's.
    void forgetPendingLogin();

    // How long a batch waits for a library's login answer, and for the
    // device's answer to an ONVIF change.
    void setLoginWait(std::chrono::milliseconds wait) { loginWait_ = wait; }
    void setChangeWait(std::chrono::milliseconds wait) { changeWait_ = wait; }
    // Where each device reported as changed is handed over to be looked
    // for at its new settings; null: nowhere.
    void setVerification(ChangeVerification* verification) { verification_ = verification; }

    // What happened to each device of the last batch, in run order: its
    // address as listed, and the outcome.
    std::vector<std::pair<std::string, BatchOutcome>> lastBatchReport() const;

private:
    // Where a step runs: on the window's thread, or on the batch worker,
    // which reaches the view through runOnGuiThread.
    void say(std::string_view text);
    bool ask(std::string_view text);
    void showForm();
    void reportChanged(const ChangeExpectation& expected);

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
    // Runs a blocking exchange with the device (the credential check, the
    // extended exchange) on a thread of its own while the busy dialog keeps
    // the window painting; returns its result, or nothing after Cancel,
    // which returns at once: the exchange is bounded by its own waits, ends
    // on its own and its result is dropped.
    template<typename Result>
    std::optional<Result> whileBusy(std::function<Result()> exchange);
    // Joins the exchange threads left by a Cancel that have ended since.
    void reapExchanges();
    std::uintptr_t newLoginSession();

    // One device of a batch: what became of it, and whether its new address
    // is taken (the next device then gets the next one).
    struct EntryResult {
        BatchOutcome outcome;
        bool addressTaken;
    };
    // What a batch worker waits for from the window's thread.
    enum class Answer { None, Login, Change };

    void startBatch();
    void runBatch(std::uintptr_t number);
    EntryResult changeBatchEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    EntryResult changeOldEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    EntryResult changeOnvifEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    // Before starting what will answer: from then on the answer is the worker's.
    void expectAnswer(Answer answer, std::uintptr_t session);
    void forgetAnswer();
    std::optional<bool> awaitAnswer(std::chrono::milliseconds wait);
    // Hands an answer to a worker waiting for it; false when none waits.
    bool handOver(Answer answer, bool value, std::uintptr_t session);

    MainView& view_;
    WindowState& state_;
    ChangeServices& services_;
    MessagePoster& poster_;
    static constexpr int busyCancelled = 2;
    std::uintptr_t exchangeNumber_ = 0; // window's thread only
    // The exchange or batch whose dialog is up (0: none of ours).
    std::atomic<std::uintptr_t> exchangeShown_ {0};
    // Exchanges left running by a Cancel.
    struct Exchange {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::vector<Exchange> exchanges_;
    std::atomic<std::uintptr_t> sessionNumber_ {0};
    std::atomic<std::uintptr_t> loginSession_ {0};

    std::thread worker_;
    std::atomic<bool> onWorker_ {false};
    std::atomic<bool> batchRunActive_ {false};
    // The batch worker has not finished (it may after a Cancel).
    std::atomic<bool> workerRunning_ {false};
    std::vector<std::pair<std::string, BatchOutcome>> batchReport_;

    // A batch waiting for a library's answer.
    mutable std::mutex answerMutex_;
    std::condition_variable answerArrived_;
    Answer awaiting_ = Answer::None;
    std::uintptr_t awaitingSession_ = 0;
    bool loginLost_ = false;
    std::optional<bool> answer_;
    std::chrono::milliseconds loginWait_ {30000};
    // A change's requests take up to the library's request wait each.
    std::chrono::milliseconds changeWait_ {60000};
    bool answerPending_ = false;
    // The pending SDK login of a basic change follows a web check that got
    // no answer at all: its refusal is no proof of a wrong password.
    bool sdkAfterUnansweredCheck_ = false;
    OnvifChangeStep onvifStep_ = OnvifChangeStep::None;
    std::atomic<ChangeVerification*> verification_ {nullptr};
};

} // namespace lorvena
