#include "upgrade/WatchReboot.h"

#include "upgrade/FakeUploadHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::FakeUploadHost;
using testing_support::ScriptedEchoProbe;
constexpr EchoAnswer answered = EchoAnswer::Answered;
constexpr EchoAnswer silent = EchoAnswer::Silent;

UpgradeTimings instantTimings()
{
    UpgradeTimings timings;
    timings.watchSettle = 0ms;
    timings.watchPass = 0ms;
    timings.echoTimeout = 7ms;
    timings.finalPause = 0ms;
    return timings;
}

// The values the watch shows when it climbs by `step` for `passes` passes.
std::vector<int> climb(int step, int passes)
{
    std::vector<int> values;
    for (int value = 50, pass = 0; pass < passes; ++pass) {
        value = std::min(value + step, 98);
        values.push_back(value);
    }
    return values;
}

class WatchRebootTest : public ::testing::Test {
protected:
    WatchEnd watch(WatchForm form, ScriptedEchoProbe& probe) { return WatchReboot(host, form, probe, timings); }

    FakeUploadHost host;
    UpgradeTimings timings = instantTimings();
};

TEST_F(WatchRebootTest, FormFollowsRoutineAndType)
{
    EXPECT_EQ(watchFormFor(false, 0), WatchForm::WhileAnswering);
    EXPECT_EQ(watchFormFor(false, 99), WatchForm::WhileAnswering);
    EXPECT_EQ(watchFormFor(false, 300), WatchForm::UntilAnswering);
    EXPECT_EQ(watchFormFor(false, 499), WatchForm::UntilAnswering);
    EXPECT_EQ(watchFormFor(true, 0), WatchForm::WhileAnsweringBounded);
    EXPECT_EQ(watchFormFor(true, 250), WatchForm::WhileAnsweringBounded);
}

struct ImmediateEnd {
    const char* name;
    WatchForm form;
    EchoAnswer first;
};

TEST_F(WatchRebootTest, FirstLookCanEndTheWatchAtOnce)
{
    const ImmediateEnd cases[] = {
        {"types 0..99, device already silent", WatchForm::WhileAnswering, silent},
        {"other types, device already back", WatchForm::UntilAnswering, answered},
        {"sized upload, device already silent", WatchForm::WhileAnsweringBounded, silent},
    };
    for (const ImmediateEnd& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUploadHost fresh;
        ScriptedEchoProbe probe(c.first, {answered, silent});
        EXPECT_EQ(WatchReboot(fresh, c.form, probe, timings), WatchEnd::Ended);
        EXPECT_EQ(probe.firstLooks, 1);
        EXPECT_EQ(probe.nextLooks, 0u);
        EXPECT_TRUE(fresh.shown.empty());
    }
}

struct BoundedCase {
    const char* name;
    WatchForm form;
    EchoAnswer kept;
};

TEST_F(WatchRebootTest, BoundedFormsEndAfterSixteenPasses)
{
    const BoundedCase cases[] = {
        {"sized upload, device keeps answering", WatchForm::WhileAnsweringBounded, answered},
        {"other types, device stays silent", WatchForm::UntilAnswering, silent},
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUploadHost fresh;
        ScriptedEchoProbe probe(c.kept, {c.kept});
        EXPECT_EQ(WatchReboot(fresh, c.form, probe, timings), WatchEnd::Ended);
        EXPECT_EQ(fresh.shown, climb(3, 16));
        EXPECT_EQ(fresh.shown.front(), 53);
        EXPECT_EQ(fresh.shown.back(), 98);
        EXPECT_EQ(probe.nextLooks, 16u);
    }
}

TEST_F(WatchRebootTest, UntilAnsweringEndsOnTheFirstAnsweredPass)
{
    ScriptedEchoProbe probe(silent, {silent, silent, answered});
    EXPECT_EQ(watch(WatchForm::UntilAnswering, probe), WatchEnd::Ended);
    EXPECT_EQ(host.shown, (std::vector<int> {53, 56, 59}));
}

TEST_F(WatchRebootTest, WhileAnsweringHoldsAt98UntilTheDeviceGoesQuiet)
{
    std::vector<EchoAnswer> script(30, answered);
    script.push_back(silent);
    ScriptedEchoProbe probe(answered, script);
    EXPECT_EQ(watch(WatchForm::WhileAnswering, probe), WatchEnd::Ended);

    // 24 passes climb by 2 to 98; it holds there for the 6 answered passes
    // left, and the silent pass still shows its value before the end.
    std::vector<int> expected = climb(2, 24);
    expected.insert(expected.end(), 7, 98);
    EXPECT_EQ(host.shown, expected);
    EXPECT_EQ(probe.nextLooks, 31u);
}

TEST_F(WatchRebootTest, WhileAnsweringGivesUpAtItsLimit)
{
    timings.watchLimit = 0ms;
    ScriptedEchoProbe probe(answered, {answered});
    // The device was never seen going quiet: the watch did not see a restart.
    EXPECT_EQ(watch(WatchForm::WhileAnswering, probe), WatchEnd::TimedOut);
    EXPECT_EQ(host.shown, (std::vector<int> {52}));
}

TEST_F(WatchRebootTest, NoRightToProbeEndsTheWatchShowingNothingMore)
{
    ScriptedEchoProbe atFirst(EchoAnswer::CannotProbe, {answered});
    EXPECT_EQ(watch(WatchForm::WhileAnswering, atFirst), WatchEnd::CannotProbe);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(atFirst.nextLooks, 0u);

    ScriptedEchoProbe later(answered, {answered, answered, EchoAnswer::CannotProbe, answered});
    EXPECT_EQ(watch(WatchForm::WhileAnsweringBounded, later), WatchEnd::CannotProbe);
    EXPECT_EQ(host.shown, (std::vector<int> {53, 56}));
    EXPECT_EQ(later.nextLooks, 3u);
}

TEST_F(WatchRebootTest, CancelEndsTheWatch)
{
    ScriptedEchoProbe probe(answered, {answered});
    host.cancelToken->cancel();
    EXPECT_EQ(watch(WatchForm::WhileAnswering, probe), WatchEnd::Cancelled);
    EXPECT_EQ(probe.firstLooks, 0);
    EXPECT_TRUE(host.shown.empty());

    FakeUploadHost during;
    during.onProgress = [&](int value) {
        if (value == 56)
            during.cancelToken->cancel();
    };
    ScriptedEchoProbe kept(answered, {answered});
    EXPECT_EQ(WatchReboot(during, WatchForm::WhileAnsweringBounded, kept, timings), WatchEnd::Cancelled);
    EXPECT_EQ(during.shown, (std::vector<int> {53, 56}));
}

TEST_F(WatchRebootTest, ProbesTheSelectedAddressWithTheEchoTimeout)
{
    host.where.ipText = std::string(70, '1');
    ScriptedEchoProbe probe(answered, {answered, silent});
    watch(WatchForm::WhileAnswering, probe);
    ASSERT_EQ(probe.targets.size(), 3u);
    for (const std::string& target : probe.targets)
        EXPECT_EQ(target, std::string(63, '1'));
    for (const auto timeout : probe.timeouts)
        EXPECT_EQ(timeout, 7ms);
}

} // namespace
} // namespace lorvena
