#pragma once

#include <string_view>

namespace lorvena {

// How a device takes a firmware package, by its type number.
enum class UpgradeRoute {
    OnvifRefused,         // 900..999: ONVIF-only devices take no package
    SdkUpgrade,           // 500..699 (family 0), 800..899 (family 1)
    UploadThenWatch,      // 0..99, 300..499
    SizedUploadThenWatch, // 250..299
    SizedUploadThenPoll,  // 200..249, 700..799, 1000 and above
    VideoServerUpgrade,   // 100..199 and negative numbers
};

UpgradeRoute upgradeRouteFor(int typeCode);

// The type number of a type code text: its leading decimal integer, 0 when
// it holds none.
int upgradeTypeCode(std::string_view typeCodeText);

// 1 for recorders of types 800..899, 0 otherwise.
inline bool sdkSecondFamily(int typeCode) { return typeCode >= 800 && typeCode <= 899; }

} // namespace lorvena
