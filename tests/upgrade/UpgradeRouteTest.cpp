#include "upgrade/UpgradeRoute.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

struct RouteCase {
    const char* typeCodeText;
    int typeCode;
    UpgradeRoute route;
};

TEST(UpgradeRoute, FollowsTheTypeNumber)
{
    using enum UpgradeRoute;
    const RouteCase cases[] = {
        {"", 0, UploadThenWatch},
        {"abc", 0, UploadThenWatch},
        {"  42x", 42, UploadThenWatch},
        {"99", 99, UploadThenWatch},
        {"-5", -5, VideoServerUpgrade},
        {"100", 100, VideoServerUpgrade},
        {"199", 199, VideoServerUpgrade},
        {"200", 200, SizedUploadThenPoll},
        {"249", 249, SizedUploadThenPoll},
        {"250", 250, SizedUploadThenWatch},
        {"299", 299, SizedUploadThenWatch},
        {"300", 300, UploadThenWatch},
        {"499", 499, UploadThenWatch},
        {"500", 500, SdkUpgrade},
        {"699", 699, SdkUpgrade},
        {"700", 700, SizedUploadThenPoll},
        {"799", 799, SizedUploadThenPoll},
        {"800", 800, SdkUpgrade},
        {"899", 899, SdkUpgrade},
        {"900", 900, OnvifRefused},
        {"950", 950, OnvifRefused},
        {"999", 999, OnvifRefused},
        {"1000", 1000, SizedUploadThenPoll},
        {"99999999999", 2147483647, SizedUploadThenPoll},
        {"-99999999999", -2147483647 - 1, VideoServerUpgrade},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.typeCodeText);
        EXPECT_EQ(upgradeTypeCode(c.typeCodeText), c.typeCode);
        EXPECT_EQ(upgradeRouteFor(upgradeTypeCode(c.typeCodeText)), c.route);
    }
}

TEST(UpgradeRoute, SecondSdkFamilyIsTheRecordersOf800To899)
{
    EXPECT_FALSE(sdkSecondFamily(500));
    EXPECT_FALSE(sdkSecondFamily(699));
    EXPECT_FALSE(sdkSecondFamily(799));
    EXPECT_TRUE(sdkSecondFamily(800));
    EXPECT_TRUE(sdkSecondFamily(899));
    EXPECT_FALSE(sdkSecondFamily(900));
}

} // namespace
} // namespace lorvena
