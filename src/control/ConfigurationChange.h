#pragma once

#include "control/ChangeServices.h"
#include "control/MainView.h"
#include "control/WindowState.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace lorvena {

// The values a modify request carries, from the form and the device named.
ModifyValues modifyValues(const FormValues& form, const std::string& currentIpText, const std::string& macText);

// What becomes of one device of a batch.
enum class BatchOutcome { Changed, Skipped, Failed };

// "Zmiana IP": checks the form and changes the selected device, or the
// Ctrl+clicked batch, by the path its generation and type code call for.
// Runs on the window's thread; a batch runs on a worker of its own while the
// window shows the busy dialog.
class ConfigurationChange {
public:
    ConfigurationChange(MainView& view, WindowState& state, ChangeServices& services);
    ~ConfigurationChange();
    ConfigurationChange(const ConfigurationChange&) = delete;
    ConfigurationChange& operator=(const ConfigurationChange&) = delete;

    void apply();

    // The answer of an SDK or ONVIF login started for a change.
    void loginAnswered(bool accepted);
    // The library lost the device: no answer will come.
    void loginAbandoned() { answerPending_ = false; }
    // A change waits for a library's login answer to go on.
    bool answerPending() const { return answerPending_; }
    // Waits until a batch worker has finished.
    void waitForBatch();

    // How long a batch waits for a library's login answer.
    void setLoginWait(std::chrono::milliseconds wait) { loginWait_ = wait; }

    // What happened to each device of the last batch, in run order: its
    // address as listed, and the outcome.
    std::vector<std::pair<std::string, BatchOutcome>> lastBatchReport() const;

private:
    // Where a step runs: on the window's thread, or on the batch worker,
    // which reaches the view through runOnGuiThread.
    void say(std::string_view text);
    bool ask(std::string_view text);
    void showForm();

    void oldGeneration();
    void newGeneration();
    void onvifPath(std::int32_t typeCode);
    void extendedPath();
    void basicPath(std::int32_t typeCode);
    void basicAfterSdkLogin();
    bool portsPass(std::string_view kindText, std::int32_t typeCode);

    void startBatch();
    void runBatch();
    BatchOutcome changeBatchEntry(const FormValues& form, const BatchEntry& entry, std::uint32_t newAddress);
    std::optional<bool> awaitLogin();

    MainView& view_;
    WindowState& state_;
    ChangeServices& services_;

    std::thread worker_;
    std::atomic<bool> onWorker_ {false};
    std::atomic<bool> batchRunActive_ {false};
    std::vector<std::pair<std::string, BatchOutcome>> batchReport_;

    // A batch waiting for a library's login answer.
    mutable std::mutex loginMutex_;
    std::condition_variable loginAnswer_;
    bool awaitingLogin_ = false;
    std::optional<bool> loginResult_;
    std::chrono::milliseconds loginWait_ {30000};
    bool answerPending_ = false;
};

} // namespace lorvena
