#pragma once

#include "upgrade/UpgradeCancel.h"
#include "upgrade/UpgradeRoute.h"
#include "upgrade/UploadHost.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace lorvena {

class UpgradeFlow;

// One upload on its worker thread: runs the route's routine and hands the
// ending back to the window's thread. The device and the credentials are
// taken when it is made (on the window's thread); everything it shows goes
// through the view's hand-over, so only the window's thread touches it.
class UploadWorker final : public UploadHost {
public:
    UploadWorker(UpgradeFlow& flow, UpgradeRoute route, std::string uploadPath);
    ~UploadWorker() override;

    void start();
    bool running() const { return !finished_; }
    // Stops the upload at its next step (sockets shut down, waits cut
    // short) and waits for the thread.
    void cancelAndJoin();
    void join();

    std::string uploadPath() override { return uploadPath_; }
    UpgradeTarget target() override;
    std::string userName() override;
    std::string password() override;
    void markRunning() override;
    void showProgress(int value) override;
    UpgradeCancel& cancel() override { return cancel_; }

private:
    void run();
    void onWindowThread(const std::function<void()>& work);

    UpgradeFlow& flow_;
    const UpgradeRoute route_;
    const std::string uploadPath_;
    const UpgradeTarget target_;
    const std::string userName_;
    const std::string password_;
    UpgradeCancel cancel_;
    // The last value handed to the bar: a chunk that does not move the
    // figure costs no hand-over, so the bar never slows the transfer.
    int lastShown_ = -1;
    std::atomic<bool> finished_ {false};
    std::thread thread_;
};

} // namespace lorvena
