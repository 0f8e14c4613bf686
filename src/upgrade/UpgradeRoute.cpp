#include "upgrade/UpgradeRoute.h"

#include "platform/TextNumbers.h"

#include <string>

namespace lorvena {

UpgradeRoute upgradeRouteFor(int t)
{
    if (t >= 900 && t <= 999)
        return UpgradeRoute::OnvifRefused;
    if ((t >= 500 && t <= 699) || (t >= 800 && t <= 899))
        return UpgradeRoute::SdkUpgrade;
    if ((t >= 0 && t <= 99) || (t >= 300 && t <= 499))
        return UpgradeRoute::UploadThenWatch;
    if (t >= 250 && t <= 299)
        return UpgradeRoute::SizedUploadThenWatch;
    if (t < 0 || (t >= 100 && t <= 199))
        return UpgradeRoute::VideoServerUpgrade;
    // 200..249, 700..799, 1000 and above
    return UpgradeRoute::SizedUploadThenPoll;
}

int upgradeTypeCode(std::string_view typeCodeText)
{
    return leadingInteger(std::string(typeCodeText));
}

} // namespace lorvena
