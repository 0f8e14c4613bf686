#pragma once

#include "control/ConfigurationChange.h"
#include "control/DeviceListInteraction.h"
#include "control/FormRules.h"
#include "control/MainView.h"
#include "control/ModeSwitch.h"
#include "control/OnvifSearch.h"
#include "control/ProcessLauncher.h"
#include "control/SdkLibrary.h"
#include "control/SettingsFile.h"
#include "control/UpgradeFlow.h"
#include "control/VideoServerLibrary.h"
#include "control/WindowState.h"
#include "discovery/DeviceTable.h"
#include "discovery/Discovery.h"
#include "platform/WindowMessage.h"
#include "upgrade/UpgradePace.h"

#include <chrono>
#include <memory>
#include <optional>

namespace lorvena {

// Everything the main window does that is not drawing: it owns the device
// table, the discovery machinery and the window's shared state, runs the
// commands, and handles the posted window messages. All of it runs on the
// window's thread.
class MainController {
public:
    struct Dependencies {
        MainView& view;
        // Where receivers and library threads post; drained on the window's
        // thread into handleMessage().
        MessagePoster& poster;
        AddressSource addresses;
        // The ONVIF access library (builtInOnvifLibrary() in the program).
        // Null: none - a search ends after its broadcasts, and ONVIF
        // devices cannot be changed.
        OnvifLibrary* onvifLibrary = nullptr;
        ReceiverTimings receiverTimings = {};
        // Where the mode switch stores the generation; null: not stored.
        const SettingsFile* settings = nullptr;
        // Restarts for the mode switch; null: no restart (the console).
        ProcessLauncher* launcher = nullptr;
        // Started with the exact argument "-Soft".
        bool softStart = false;
        // How changes reach devices; null: over the network.
        ChangeServices* changeServices = nullptr;
        // The upgrade's waits; tests shorten them.
        UpgradeTimings upgradeTimings = upgradeTimingsFromEnvironment();
        // How the reboot watch looks at a device; null: ICMP echo.
        EchoProbe* echoProbe = nullptr;
        // The pause between a search's broadcasts and its ONVIF discovery.
        std::chrono::milliseconds onvifSearchPause {1000};
        // Where devices reported as changed are handed over; null: to a
        // verifier of the controller's own, which looks for them over the
        // network for `verifyWait` (none when that is zero, or when
        // `changeServices` replaces the network).
        ChangeVerification* changeVerification = nullptr;
        std::chrono::milliseconds verifyWait {15000};
        // The vendor SDK and the video-server client; null: the built-in
        // ones (builtInSdkLibrary(), builtInVideoServerLibrary()).
        SdkLibrary* sdkLibrary = nullptr;
        VideoServerLibrary* videoServerLibrary = nullptr;
        // How a change looks for a host answering at the address it is
        // about to give; null: an ICMP echo, unless `changeServices`
        // replaces the network (then none: only the list is looked at).
        AddressPing* addressPing = nullptr;
        std::chrono::milliseconds addressPingWait {1000};
    };

    MainController(int searchMode, Dependencies dependencies);
    ~MainController();
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    int searchMode() const { return state_.searchMode; }
    SearchGeneration generation() const { return discovery_.generation(); }
    const DeviceTable& table() const { return table_; }
    const WindowState& state() const { return state_; }
    Discovery& discovery() { return discovery_; }

    // Window initialisation: sets the controls up for the generation and
    // starts the receivers.
    void initialise();
    // Stops the receivers, closes the sockets, frees queued replies. Only
    // the first call does anything.
    void shutdownSearch();

    // --- commands
    void search();                  // "Wyszukaj", and Enter anywhere
    void escapePressed() {}         // the window stays open
    void rowClicked(int row, ClickKind kind);
    void rowDoubleClicked(int row) { list_.doubleClick(row); }
    void headerClicked(int column);
    void dhcpClicked() { applyDhcpRule(view_, state_); }
    void httpPortChanged() { applyHttpPortRule(view_, state_); }
    void modifyTabClicked();
    void upgradeTabClicked();
    void closeButtonClicked();
    // A close request from the system (Alt+F4, the window manager) or from
    // a restart.
    void closeRequested();
    // The window is being destroyed.
    void windowDestroyed();
    void applyChanges() { change_.apply(); }   // "Zmiana IP"
    ConfigurationChange& configurationChange() { return change_; }
    void modeSwitchClicked() { modeSwitch_.toggleAndRelaunch(); }
    void modeDropDownChanged(int index) { modeSwitch_.setAndRestart(index); }
    void oldModeButtonClicked() { modeSwitch_.oldModeAndRestart(); }
    void upgradeBrowseClicked() { upgrade_.browseClicked(); }  // the panel's "..."
    void upgradePressed() { upgrade_.upgradePressed(); }        // the panel's "Upgrade"
    UpgradeFlow& upgradeFlow() { return upgrade_; }

    // The verifications that have ended, in the order they ended, and how
    // many devices are still looked for.
    const std::vector<VerificationResult>& verificationResults() const { return verificationResults_; }
    std::size_t verificationsPending() const { return verifier_ ? verifier_->pending() : 0; }

    void handleMessage(const WindowMessage& message);

private:
    // Takes the oldest reply of `kind` and lists it unless it is a duplicate
    // or of an unknown kind.
    void addOldestReply(ReplyKind kind);
    void clearTable();
    void loginAnswered(bool accepted, std::uintptr_t session);
    void sdkConnectFailed();
    // WM_ONVIF_DEVICE: a found device, or the end of the discovery.
    void onvifDevice(const WindowMessage& message);
    static ChangeServices& servicesOf(Dependencies& dependencies, Discovery& discovery,
        std::unique_ptr<ChangeServices>& owned);
    // MessageId::ChangeVerified: the row takes the device's new settings
    // and its mark.
    void changeVerified(std::uint64_t ticket);
    std::optional<std::size_t> rowOfVerified(const ChangeExpectation& expected) const;
    // Tells the view which rows at `ip` are in conflict with another device
    // there, and which are no longer.
    void showConflictsAt(const std::string& ip);
    // The same for every row: after a sort every row may have moved.
    void showAllConflicts();
    static AddressPing* addressPingOf(const Dependencies& dependencies, std::unique_ptr<AddressPing>& owned);

    // Hands expectations to the verifier; called from a batch's worker too.
    class VerifierHandOver final : public ChangeVerification {
    public:
        explicit VerifierHandOver(ChangeVerifier& verifier) : verifier_(verifier) {}
        void changeReported(const ChangeExpectation& expected) override { verifier_.expect(expected); }

    private:
        ChangeVerifier& verifier_;
    };

    MainView& view_;
    OnvifLibrary* onvif_;
    SdkLibrary& sdk_;
    WindowState state_;
    DeviceTable table_;
    Discovery discovery_;
    DeviceListInteraction list_;
    ModeSwitch modeSwitch_;
    std::unique_ptr<ChangeServices> ownedServices_;
    ChangeServices& services_;
    std::unique_ptr<AddressPing> ownedPing_;
    // Before the change: it outlives the batch worker that hands it devices.
    std::unique_ptr<ChangeVerifier> verifier_;
    std::unique_ptr<VerifierHandOver> handOver_;
    std::vector<VerificationResult> verificationResults_;
    ConfigurationChange change_;
    UpgradeFlow upgrade_;
    std::optional<OnvifSearch> onvifSearch_;
};

} // namespace lorvena
