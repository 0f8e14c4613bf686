#include "upgrade/UpgradePace.h"

#include <cstdlib>

namespace lorvena {

UpgradeTimings upgradeTimingsFromEnvironment()
{
    UpgradeTimings timings;
    const char* text = std::getenv("LORVENA_UPGRADE_TIME_SCALE");
    if (!text || !*text)
        return timings;
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (*end != '\0' || !(scale > 0.0 && scale <= 1.0))
        return timings;
    auto scaled = [scale](std::chrono::milliseconds& wait) {
        wait = std::chrono::milliseconds(static_cast<long long>(static_cast<double>(wait.count()) * scale));
    };
    scaled(timings.pollInterval);
    scaled(timings.pollLimit);
    scaled(timings.watchSettle);
    scaled(timings.watchPass);
    scaled(timings.watchLimit);
    scaled(timings.finalPause);
    return timings;
}

} // namespace lorvena
