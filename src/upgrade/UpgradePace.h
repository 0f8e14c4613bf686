#pragma once

#include "upgrade/UpgradeTimings.h"

namespace lorvena {

// The upgrade's own waits (settling, passes, polling, the final pause and
// the limits) multiplied by LORVENA_UPGRADE_TIME_SCALE when it holds a
// number between 0 and 1, so that the lab can run every route in seconds.
// Network time-outs are never scaled. Without the variable: the defaults.
UpgradeTimings upgradeTimingsFromEnvironment();

} // namespace lorvena
