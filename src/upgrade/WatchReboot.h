#pragma once

#include "upgrade/EchoProbe.h"
#include "upgrade/UpgradeTimings.h"

namespace lorvena {

class UploadHost;

enum class WatchForm {
    // Type 0..99 after UploadThenWatch: goes on while the device answers
    // (+2 a pass, holding at 98; capped at the watch limit).
    WhileAnswering,
    // Other types after UploadThenWatch: goes on until the device answers
    // (+3 a pass, at most 16 passes).
    UntilAnswering,
    // After SizedUploadThenWatch: goes on while the device answers (+3 a
    // pass, at most 16 passes).
    WhileAnsweringBounded,
};

enum class WatchEnd {
    Ended,
    // The device could not be probed at all (no ICMP right): nothing was seen.
    CannotProbe,
    Cancelled,
    // The watch reached its limit without seeing the restart it waits for.
    TimedOut,
};

WatchForm watchFormFor(bool sized, int typeCode);

// Follows a device's restart by echo, moving the bar from 50 towards 98.
WatchEnd WatchReboot(UploadHost& host, WatchForm form, EchoProbe& probe, const UpgradeTimings& timings);

} // namespace lorvena
