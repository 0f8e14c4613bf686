#include "control/UploadWorker.h"

#include "control/UpgradeFlow.h"
#include "platform/TextCodec.h"
#include "upgrade/UploadRoutines.h"

namespace lorvena {

UploadWorker::UploadWorker(UpgradeFlow& flow, UpgradeRoute route, std::string uploadPath)
    : flow_(flow), route_(route), uploadPath_(std::move(uploadPath))
{
}

UploadWorker::~UploadWorker()
{
    cancelAndJoin();
}

void UploadWorker::start()
{
    thread_ = std::thread([this] { run(); });
}

void UploadWorker::cancelAndJoin()
{
    cancel_.cancel();
    join();
}

void UploadWorker::join()
{
    if (thread_.joinable())
        thread_.join();
}

void UploadWorker::onWindowThread(const std::function<void()>& work)
{
    flow_.view_.runOnGuiThread(work);
}

UpgradeTarget UploadWorker::target()
{
    UpgradeTarget target;
    onWindowThread([&] {
        const SelectedDevice& device = flow_.state_.selected;
        target = {device.ipText, device.httpPortText, device.typeText};
    });
    return target;
}

// Credentials go to devices in Windows-1250 on every route, as the
// credential check sends them: a password with a Polish letter that passed
// the check must not fail every progress query after it.
std::string UploadWorker::userName()
{
    std::string name;
    onWindowThread([&] { name = flow_.fields_.userName; });
    return utf8ToDeviceText(name);
}

std::string UploadWorker::password()
{
    std::string password;
    onWindowThread([&] { password = flow_.fields_.password; });
    return utf8ToDeviceText(password);
}

void UploadWorker::markRunning()
{
    onWindowThread([this] { flow_.state_.upgradeRunning = true; });
}

void UploadWorker::showProgress(int value)
{
    flow_.progressPercent_.exchange(value);
    if (value == lastShown_)
        return;
    lastShown_ = value;
    onWindowThread([this, value] { flow_.showRunning(value); });
}

void UploadWorker::run()
{
    UploadOutcome outcome;
    switch (route_) {
    case UpgradeRoute::UploadThenWatch:
        outcome = UploadThenWatch(*this, flow_.probe_, flow_.timings_);
        break;
    case UpgradeRoute::SizedUploadThenWatch:
        outcome = SizedUploadThenWatch(*this, flow_.probe_, flow_.timings_);
        break;
    case UpgradeRoute::SizedUploadThenPoll:
        markRunning();
        outcome = SizedUploadThenPoll(*this, flow_.timings_);
        break;
    default:
        break;
    }
    if (cancel_.keepRunning())
        onWindowThread([this, outcome] { flow_.uploadFinished(route_, outcome); });
    finished_ = true;
}

} // namespace lorvena
