#pragma once

#include "control/AddressUse.h"
#include "control/ChangeOutcome.h"
#include "control/ChangeRules.h"
#include "control/ChangeServices.h"
#include "control/ChangeVerification.h"
#include "control/FormValues.h"
#include "control/LoginSessions.h"
#include "control/MainView.h"
#include "control/SelectedDevice.h"
#include "control/WindowState.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lorvena {

// What a batch works with, copied on the window's thread before its worker
// starts: the window goes on handling messages and clicks meanwhile, and the
// worker must never read what the window may change under it.
struct BatchInputs {
    std::vector<BatchEntry> entries;
    // The form as "Zmiana IP" read it: the start address, the settings and
    // the credentials.
    FormValues form;
    // Devices of the old generation: the old request, no credentials.
    bool oldDevices = false;
    // Where each address is looked up before it is given; none: not looked
    // up, every address is given in turn.
    std::optional<AddressUseCheck> addressCheck;
};

// An address a batch passed over because another device holds it.
struct AddressSkip {
    std::uint32_t address = 0;
    AddressUse use;
};

// "Zmiana IP" for the Ctrl+clicked devices: consecutive addresses from the
// start address, each device by its own path, on a worker of its own while
// the window shows the busy dialog.
class BatchChange {
public:
    BatchChange(MainView& view, WindowState& state, ChangeServices& services, LoginSessions& sessions);
    ~BatchChange();
    BatchChange(const BatchChange&) = delete;
    BatchChange& operator=(const BatchChange&) = delete;

    // Starts a run and shows its busy dialog; returns when the dialog closes
    // (the run's end, or Cancel: the run then stops before its next device).
    // Window's thread.
    void start(BatchInputs inputs);
    // A run is under way, or one cancelled is finishing its device.
    bool busy() const { return runActive_ || workerRunning_; }
    // Waits until the worker has finished.
    void wait();
    // Stops a run before its next device and waits for its worker.
    void shutdown();

    // A library's answer to the login of `session`, or to the ONVIF change
    // made in it: true when the worker was waiting for it and took it.
    bool loginAnswered(bool accepted, std::uintptr_t session);
    bool changeAnswered(bool accepted, std::uintptr_t session);
    // The library lost the device: true when the worker was waiting for a
    // login (it then stops waiting).
    bool loginAbandoned();
    // Whether the last login the batch started is `session`: an answer to it
    // that no wait took came too late, and continues nothing.
    bool startedLogin(std::uintptr_t session) const { return session != 0 && session == lastLogin_; }

    void setLoginWait(std::chrono::milliseconds wait) { loginWait_ = wait; }
    void setChangeWait(std::chrono::milliseconds wait) { changeWait_ = wait; }
    void setVerification(ChangeVerification* verification) { verification_ = verification; }

    // What became of each device of the last run, in run order (devices a
    // Cancel kept from being tried are not listed).
    std::vector<DeviceChangeOutcome> lastOutcomes() const;
    // The addresses the last run passed over, in the order it did.
    std::vector<AddressSkip> lastSkips() const;

private:
    // One device: what became of it, and whether its new address is taken
    // (the next device then gets the next one).
    struct EntryResult {
        DeviceOutcome outcome;
        bool addressTaken;
    };
    // What the worker waits for from the window's thread.
    enum class Answer { None, Login, Change };

    // Speaks to the user through the window's thread.
    class WorkerDialogue final : public ChangeDialogue {
    public:
        explicit WorkerDialogue(MainView& view) : view_(view) {}
        void say(std::string_view text) override;
        bool ask(std::string_view text) override;

    private:
        MainView& view_;
    };

    void run(std::uintptr_t number, const BatchInputs& inputs);
    // The address for the entry: start + offset, or the first one past it
    // that nobody holds (the offset moves along to it).
    struct AddressChoice {
        enum class Verdict { Chosen, RunOut, Cancelled } verdict;
        std::uint32_t address;
    };
    AddressChoice chooseAddress(const BatchInputs& inputs, const BatchEntry& entry, std::uint32_t& offset,
        bool& pinging, std::vector<std::string>& skipLines);
    EntryResult changeEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    EntryResult changeOldEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    EntryResult changeOnvifEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    void reportChanged(const ChangeExpectation& expected);
    std::uintptr_t newLogin(LoginPurpose purpose);

    // Before starting what will answer: from then on the answer is the worker's.
    void expectAnswer(Answer answer, std::uintptr_t session);
    void forgetAnswer();
    std::optional<bool> awaitAnswer(std::chrono::milliseconds wait);
    // Hands an answer to a worker waiting for it; false when none waits.
    bool handOver(Answer answer, bool value, std::uintptr_t session);

    MainView& view_;
    WindowState& state_;
    ChangeServices& services_;
    LoginSessions& sessions_;
    WorkerDialogue user_;

    std::uintptr_t runNumber_ = 0; // window's thread only
    // The run whose dialog is up (0: none).
    std::atomic<std::uintptr_t> runShown_ {0};
    std::thread worker_;
    std::atomic<bool> runActive_ {false};
    // The worker has not finished (it may after a Cancel).
    std::atomic<bool> workerRunning_ {false};
    std::atomic<std::uintptr_t> lastLogin_ {0};
    std::atomic<ChangeVerification*> verification_ {nullptr};

    mutable std::mutex mutex_;
    std::vector<DeviceChangeOutcome> outcomes_;
    std::vector<AddressSkip> skips_;
    // The worker waiting for a library's answer.
    std::condition_variable answerArrived_;
    Answer awaiting_ = Answer::None;
    std::uintptr_t awaitingSession_ = 0;
    bool loginLost_ = false;
    std::optional<bool> answer_;
    std::chrono::milliseconds loginWait_ {30000};
    // A change's requests take up to the library's request wait each.
    std::chrono::milliseconds changeWait_ {60000};
};

} // namespace lorvena
