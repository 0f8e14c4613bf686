#pragma once

#include "control/FormValues.h"
#include "control/SelectedDevice.h"

#include <string>
#include <vector>

namespace lorvena {

// The last SDK upgrade event the window saw.
enum class SdkUpgradeState {
    NoEvent = 0,            // none since the upgrade started
    ProgressOrFailure = -1, // a progress figure, or the upgrade failed
    Done = 1,
};

// What the library login under way is for; its answer continues that flow.
// The values are the window's own numbers for them.
enum class LoginPurpose {
    None = -1,
    Change = 1,            // the vendor SDK's login of a change, single or batch
    SdkUpgrade = 2,        // the vendor SDK's login of an upgrade
    OnvifChange = 3,       // the ONVIF login of the selected device's change
    OnvifBatchChange = 4,  // the ONVIF login of a batch entry
};

// The main window's shared state beyond the device table.
struct WindowState {
    int searchMode = 1;
    // Started with the exact argument "-Soft": another process may close us.
    bool softStart = false;
    // A self-restart is under way; destruction then leaves the search
    // machinery to the close request that already stopped it.
    bool restartPending = false;

    FormValues form;
    SelectedDevice selected;
    int selectedRow = 0;
    bool batchMode = false;
    // "Start IP" stands where the IP field was: a Ctrl+click put it there,
    // and the old layout keeps it after a plain click. A single change then
    // takes its new address from it, the field the user sees.
    bool startIpShown = false;
    std::vector<BatchEntry> batchEntries;

    bool upgradeBusy = false;
    SdkUpgradeState sdkUpgradeState = SdkUpgradeState::NoEvent;
    bool upgradeRunning = false;
    LoginPurpose loginPurpose = LoginPurpose::None;
    // The modal busy dialog is up (a search's or a batch's), and what the
    // last one returned (2: cancelled).
    bool busyDialogShown = false;
    // The dialog up is a search's (only a search's end may close it).
    bool busySearching = false;
    int busyResult = 0;
    // The Base64 credentials of the last web-server check.
    std::string authToken;

    bool newGeneration() const { return searchMode != 0; }
};

} // namespace lorvena
