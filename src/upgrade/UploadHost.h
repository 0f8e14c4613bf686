#pragma once

#include <string>

namespace lorvena {

class UpgradeCancel;

// The device an upgrade goes to: the device selected when it was started,
// for every step (a click on another row meanwhile redirects nothing).
struct UpgradeTarget {
    std::string ipText;
    std::string httpPortText;
    std::string typeCodeText;
};

// What the upload routines, the progress query and the reboot watch need
// from the upgrade panel. Called on the worker thread.
class UploadHost {
public:
    virtual ~UploadHost() = default;

    // The package file (the panel's uploadPath), a native (UTF-8) path.
    virtual std::string uploadPath() = 0;
    virtual UpgradeTarget target() = 0;
    // The panel's user name (lower-cased by the Upgrade command) and password,
    // as they go to the device: Windows-1250 bytes.
    virtual std::string userName() = 0;
    virtual std::string password() = 0;
    // upgradeRunning = 1, at the start of the routines that set it themselves.
    virtual void markRunning() = 0;
    // Stores `value` in progressPercent and shows it as the running value.
    virtual void showProgress(int value) = 0;
    virtual UpgradeCancel& cancel() = 0;
};

} // namespace lorvena
