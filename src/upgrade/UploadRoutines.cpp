#include "upgrade/UploadRoutines.h"

#include "upgrade/UpgradeCancel.h"
#include "upgrade/UpgradeRoute.h"
#include "upgrade/UploadHost.h"
#include "upgrade/UploadSession.h"
#include "upgrade/UploadWire.h"

namespace lorvena {

namespace {

constexpr int completeValue = 100;

// The bar stands full for a moment before the caller resets the panel. A
// watch that saw nothing (no right to probe) or was cut short shows no 100.
UploadOutcome finishWatch(UploadHost& host, WatchEnd watch, const UpgradeTimings& timings)
{
    if (watch == WatchEnd::TimedOut)
        return {upload_result::restartNotSeen, watch};
    if (watch != WatchEnd::Ended)
        return {upload_result::success, watch};
    host.showProgress(completeValue);
    host.cancel().sleepFor(timings.finalPause);
    return {upload_result::success, WatchEnd::Ended};
}

} // namespace

UploadOutcome UploadThenWatch(UploadHost& host, EchoProbe& probe, const UpgradeTimings& timings)
{
    host.markRunning();
    UploadSession session(host, timings);
    if (const int code = session.open(UploadSession::Sizing::CommandOnly); code != upload_result::success)
        return {code};
    if (const int code = session.transfer(UploadSession::Stopping::Never); code != upload_result::success)
        return {code};

    const std::optional<std::string> reply = session.finalReply();
    const std::optional<int> verdict = reply ? finalReplyCode(*reply) : std::nullopt;
    if (!verdict)
        return {upload_result::noFinalVerdict};
    if (*verdict != upload_result::success)
        return {*verdict};
    session.close();

    // The type of the device the upgrade was started for.
    const int typeCode = upgradeTypeCode(host.target().typeCodeText);
    const WatchEnd watch = WatchReboot(host, watchFormFor(false, typeCode), probe, timings);
    return finishWatch(host, watch, timings);
}

UploadOutcome SizedUploadThenPoll(UploadHost& host, const UpgradeTimings& timings)
{
    UploadSession session(host, timings);
    if (const int code = session.open(UploadSession::Sizing::CommandAndSizeField); code != upload_result::success)
        return {code};
    if (const int code = session.transfer(UploadSession::Stopping::WhenCancelled); code != upload_result::success)
        return {code};
    // Read so that the device is not cut off mid-reply; what it says does not
    // matter, its progress report does.
    session.finalReply();
    session.close();

    if (PollUpgradeProgress(host, timings))
        return {upload_result::success};
    return {upload_result::progressStalled, host.cancel().keepRunning() ? WatchEnd::Ended : WatchEnd::Cancelled};
}

UploadOutcome SizedUploadThenWatch(UploadHost& host, EchoProbe& probe, const UpgradeTimings& timings)
{
    host.markRunning();
    UploadSession session(host, timings);
    if (const int code = session.open(UploadSession::Sizing::CommandAndSizeField); code != upload_result::success)
        return {code};
    if (const int code = session.transfer(UploadSession::Stopping::WhenCancelled); code != upload_result::success)
        return {code};
    session.finalReply();
    session.close();

    const WatchEnd watch = WatchReboot(host, WatchForm::WhileAnsweringBounded, probe, timings);
    return finishWatch(host, watch, timings);
}

} // namespace lorvena
