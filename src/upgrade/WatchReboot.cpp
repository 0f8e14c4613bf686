#include "upgrade/WatchReboot.h"

#include "upgrade/UpgradeCancel.h"
#include "upgrade/UploadHost.h"

#include <optional>
#include <string>

namespace lorvena {

namespace {

// The probe target travels in a 64-byte text field.
constexpr std::size_t maxTargetChars = 63;
constexpr int startValue = 50;
constexpr int topValue = 98;

struct FormRules {
    // The first look's answer that makes the loop run.
    EchoAnswer enterOn;
    // A pass's answer that lets the loop go on.
    EchoAnswer continueOn;
    int step;
    // Reaching 98 ends the watch (after one more settle wait).
    bool endsAtTop;
};

FormRules rulesOf(WatchForm form)
{
    switch (form) {
    case WatchForm::WhileAnswering:
        return {EchoAnswer::Answered, EchoAnswer::Answered, 2, false};
    case WatchForm::UntilAnswering:
        return {EchoAnswer::Silent, EchoAnswer::Silent, 3, true};
    case WatchForm::WhileAnsweringBounded:
        break;
    }
    return {EchoAnswer::Answered, EchoAnswer::Answered, 3, true};
}

} // namespace

WatchForm watchFormFor(bool sized, int typeCode)
{
    if (sized)
        return WatchForm::WhileAnsweringBounded;
    return typeCode >= 0 && typeCode <= 99 ? WatchForm::WhileAnswering : WatchForm::UntilAnswering;
}

WatchEnd WatchReboot(UploadHost& host, WatchForm form, EchoProbe& probe, const UpgradeTimings& timings)
{
    using Clock = std::chrono::steady_clock;
    const FormRules rules = rulesOf(form);
    UpgradeCancel& cancel = host.cancel();
    const std::string target = host.target().ipText.substr(0, maxTargetChars);
    int value = startValue;

    // The device needs a moment to stop serving before it restarts.
    if (!cancel.sleepFor(timings.watchSettle))
        return WatchEnd::Cancelled;
    const EchoAnswer first = probe.firstLook(target, timings.echoTimeout);
    if (first == EchoAnswer::CannotProbe)
        return WatchEnd::CannotProbe;
    if (first != rules.enterOn)
        return WatchEnd::Ended;

    // Only the form without an end of its own needs the limit: a device that
    // never stops answering would otherwise hold the worker for good.
    std::optional<Clock::time_point> deadline;
    if (!rules.endsAtTop)
        deadline = Clock::now() + timings.watchLimit;

    for (;;) {
        if (!cancel.keepRunning())
            return WatchEnd::Cancelled;
        const EchoAnswer answer = probe.nextLook(target, timings.echoTimeout);
        if (answer == EchoAnswer::CannotProbe)
            return WatchEnd::CannotProbe;
        value += rules.step;
        bool lastPass = false;
        if (value >= topValue) {
            if (rules.endsAtTop) {
                if (!cancel.sleepFor(timings.watchSettle))
                    return WatchEnd::Cancelled;
                lastPass = true;
            }
            value = topValue;
        }
        host.showProgress(value);
        if (!cancel.sleepFor(timings.watchPass))
            return WatchEnd::Cancelled;
        if (lastPass || answer != rules.continueOn)
            return WatchEnd::Ended;
        // Still answering after all this time: the restart was never seen,
        // so the upgrade cannot be called done.
        if (deadline && Clock::now() >= *deadline)
            return WatchEnd::TimedOut;
    }
}

} // namespace lorvena
