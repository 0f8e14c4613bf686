#include "control/UploadWorker.h"

#include "control/UpgradeFlow.h"
#include "platform/TextCodec.h"
#include "upgrade/UploadRoutines.h"

namespace lorvena {

// Made on the window's thread when the upgrade starts: the device and the
// credentials are that press's for the whole upgrade. A click on another row
// meanwhile (which also empties the panel's password) must not send the
// progress queries or the restart watch elsewhere, nor without the password.
UploadWorker::UploadWorker(UpgradeFlow& flow, UpgradeRoute route, std::string uploadPath)
    : flow_(flow)
    , route_(route)
    , uploadPath_(std::move(uploadPath))
    , target_ {flow.state_.selected.ipText, flow.state_.selected.httpPortText, flow.state_.selected.typeText}
    , userName_(utf8ToDeviceText(flow.fields_.userName))
    , password_(utf8ToDeviceText(flow.fields_.password))
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
    return target_;
}

// Credentials go to devices in Windows-1250 on every route, as the
// credential check sends them: a password with a Polish letter that passed
// the check must not fail every progress query after it.
std::string UploadWorker::userName()
{
    return userName_;
}

std::string UploadWorker::password()
{
    return password_;
}

void UploadWorker::markRunning()
{
    onWindowThread([this] { flow_.uploadStarted(); });
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
