#pragma once

#include "control/ChangeServices.h"
#include "control/MainView.h"
#include "control/UpgradePanelValues.h"
#include "control/VideoServerLibrary.h"
#include "control/WindowState.h"
#include "platform/WindowMessage.h"
#include "upgrade/EchoProbe.h"
#include "upgrade/UpgradeRoute.h"
#include "upgrade/UpgradeTimings.h"
#include "upgrade/UploadRoutines.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lorvena {

class UploadWorker;

// The firmware upgrade panel's logic: its two buttons, the checks of the
// Upgrade command, the route chosen from the device's type, the upload
// workers, the vendor-SDK and video-server routes, and every ending. Runs on
// the window's thread; workers and library threads come back to it through
// the view's hand-over or posted messages.
class UpgradeFlow {
public:
    // `videoServer`: null for the built-in client.
    UpgradeFlow(MainView& view, WindowState& state, ChangeServices& services, MessagePoster& poster,
        UpgradeTimings timings = {}, EchoProbe* probe = nullptr, VideoServerLibrary* videoServer = nullptr);
    // Stops a running upload (it ends at its next step) and waits for it,
    // then closes the video-server session.
    ~UpgradeFlow();
    // The same, ahead of destruction: the owner calls it before it cleans up
    // the libraries these threads use. Safe to call more than once.
    void shutdown();
    UpgradeFlow(const UpgradeFlow&) = delete;
    UpgradeFlow& operator=(const UpgradeFlow&) = delete;

    // The panel's initial state: fields shown, the bar idle.
    void initialise();
    void browseClicked();   // "..."
    void upgradePressed();  // "Upgrade"

    // Continuations, from the main window's message handling.
    // `session`: the number a change's login carries; the upgrade's own
    // login carries none (0), so a numbered answer is a change's, come late.
    void sdkLoginAnswered(bool accepted, std::uintptr_t session = 0);
    void sdkEvent(MessageId event, std::intptr_t value);
    // The vendor SDK lost the connection before any upgrade event.
    void sdkConnectionLost();
    void videoServerOpened(std::uintptr_t handle, std::intptr_t registration);
    void videoServerProgress(std::intptr_t progress, bool failed);
    // The credential check numbered `check` has its verdict: ends its busy
    // dialog, when that is still up.
    void credentialCheckDone(std::uintptr_t check);
    // A close request while the video server is being opened ends that wait.
    void closeRequested();
    // The main window empties the panel's saved password on a row click.
    void forgetPassword() { fields_.password.clear(); }

    // How the last upgrade ended, for front ends that wait for it: counts the
    // endings (each message that ends a press, each finished route).
    int endings() const { return endings_; }
    bool lastSucceeded() const { return lastSucceeded_; }
    int lastUploadResult() const { return lastUploadResult_; }
    bool busy() const { return state_.upgradeBusy || state_.upgradeRunning || videoServerUpdating_; }
    const UpgradeFields& fields() const { return fields_; }

private:
    friend class UploadWorker;

    // The upload's own routines have begun (on the window's thread): the
    // upgrade counts as running from here. The flags are written here only.
    void uploadStarted() { state_.upgradeRunning = true; }
    void load() { fields_ = view_.readUpgradePanel(); }
    void show() { view_.writeUpgradePanel(fields_); }
    void showRunning(int value) { showBar(UpgradeBar::runningAt(value)); }
    // SetPosition: the bar keeps its look.
    void setPosition(int value) { showBar({bar_.running, value}); }
    void showIdle() { showBar(UpgradeBar::idle()); }
    void showBar(const UpgradeBar& bar);
    void ended(bool succeeded);
    // Both flags off, path and password emptied (the edits are not shown).
    void releasePanel();
    // Ends a press with a message; false, so that callers can return it.
    void refuse(std::string_view message) { view_.showMessage(message); ended(false); }
    // An upgrade is running (an upload, an SDK or video-server update, an open).
    bool underWay() const;
    // Frees the panel's locks after a refused press, unless an upgrade runs.
    void releaseUnlessUnderWay();

    void startUpload(UpgradeRoute route);
    void uploadFinished(UpgradeRoute route, const UploadOutcome& outcome);
    void startSdkUpgrade(int typeCode);
    void startVideoServerUpgrade();
    void joinWorker();
    void joinOpenThread();
    // The credential check on a worker under the busy dialog, so that the
    // window keeps painting while an offline device times out. Nothing when
    // the user cancelled: the worker then ends on its own and its verdict is
    // dropped.
    std::optional<AuthorityVerdict> checkWhileBusy(std::string ipText, std::string portText, std::string token);
    // Joins the checks that have ended; with `all`, waits for the others
    // too (each is bounded by the HTTP time-outs).
    void reapChecks(bool all);

    MainView& view_;
    WindowState& state_;
    ChangeServices& services_;
    MessagePoster& poster_;
    UpgradeTimings timings_;
    std::unique_ptr<EchoProbe> ownedProbe_;
    EchoProbe& probe_;

    UpgradeFields fields_;
    UpgradeBar bar_ = UpgradeBar::idle();
    std::atomic<int> progressPercent_ {0};
    int lastUploadResult_ = 0;
    std::string uploadPath_;
    std::shared_ptr<UploadWorker> worker_;

    // The video-server route.
    std::thread openThread_;
    bool videoServerOpening_ = false;
    bool videoServerUpdating_ = false;
    std::int32_t serverHandle_ = 0;
    // What the open thread got, in case its message is never handled.
    std::atomic<std::int32_t> openedHandle_ {0};
    VideoServerLibrary& videoServer_;
    VideoServerContext videoServerContext_;

    struct CredentialCheck {
        std::atomic<bool> done {false};
        AuthorityVerdict verdict = AuthorityVerdict::Unreachable;
        std::thread thread;
    };
    std::vector<std::shared_ptr<CredentialCheck>> checks_;
    std::uintptr_t checkCount_ = 0;
    // The check whose busy dialog is up; 0 when none.
    std::uintptr_t checkShown_ = 0;

    int endings_ = 0;
    bool lastSucceeded_ = false;
};

} // namespace lorvena
