// A firmware upload to a simulated device that stops reading half-way,
// through real sockets in the test's own loopback namespace, by each upload
// routine. (A device that hangs up after the command and one that never
// reports 100 are run end to end by tests/lab/cli_upgrade_test.sh.)

#include "devsim/Simulator.h"
#include "upgrade/FakeUploadHost.h"
#include "upgrade/UploadRoutines.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::FakeUploadHost;
using testing_support::ScriptedEchoProbe;

enum class Routine { UploadThenWatch, SizedUploadThenPoll, SizedUploadThenWatch };

void PrintTo(Routine routine, std::ostream* out)
{
    switch (routine) {
    case Routine::UploadThenWatch:
        *out << "UploadThenWatch";
        return;
    case Routine::SizedUploadThenPoll:
        *out << "SizedUploadThenPoll";
        return;
    case Routine::SizedUploadThenWatch:
        *out << "SizedUploadThenWatch";
        return;
    }
}

class DeviceThatStopsReading : public testing::TestWithParam<Routine> {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lorvena-hostile-upload-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};

TEST_P(DeviceThatStopsReading, FailsTheChunkOnceTheSendWaitPasses)
{
    devsim::SimulatedDevice device;
    device.ip = 0x7F000016u; // 127.0.0.22
    device.mac = {0x02, 0, 0, 0, 0, 0x22};
    device.password = "secret";
    device.upgrade.sized = GetParam() != Routine::UploadThenWatch;
    device.upgrade.hostile = devsim::UpgradeHostility::StopReading;
    devsim::Simulator simulator({device}, {});
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    // Half of it is more than every socket buffer on the way holds; sparse,
    // so it costs no disk.
    const std::filesystem::path package = folder_ / "HX7_1.2_full.bin";
    std::ofstream(package, std::ios::binary).flush();
    std::filesystem::resize_file(package, 16u << 20);

    FakeUploadHost host;
    host.path = package.string();
    host.where = {"127.0.0.22", "80", "0"};
    ScriptedEchoProbe probe {EchoAnswer::Silent, {EchoAnswer::Silent}};
    UpgradeTimings timings;
    // The send wait must outlast a busy simulator reading its first half
    // (under a sanitizer, on a loaded machine): a client that gives up before
    // the device has stopped reading proves nothing.
    timings.tcp = {1s, 1s, 1s};
    timings.http.connectTimeout = 1s;
    timings.http.receiveTimeout = 300ms;
    timings.pollInterval = 0ms;
    timings.pollLimit = 1s;
    timings.watchSettle = 0ms;
    timings.watchPass = 0ms;
    timings.finalPause = 0ms;

    UploadOutcome outcome;
    switch (GetParam()) {
    case Routine::UploadThenWatch:
        outcome = UploadThenWatch(host, probe, timings);
        break;
    case Routine::SizedUploadThenPoll:
        outcome = SizedUploadThenPoll(host, timings);
        break;
    case Routine::SizedUploadThenWatch:
        outcome = SizedUploadThenWatch(host, probe, timings);
        break;
    }
    EXPECT_EQ(outcome.code, upload_result::chunkNotSent);
    EXPECT_TRUE(std::find(host.shown.begin(), host.shown.end(), 100) == host.shown.end()) << "no completion shown";
    simulator.stop();
    devsim::UpgradeRecord record = simulator.upgrade(0);
    EXPECT_EQ(record.outcome, "stalled");
    EXPECT_FALSE(record.complete);
}

INSTANTIATE_TEST_SUITE_P(Routines, DeviceThatStopsReading,
    testing::Values(Routine::UploadThenWatch, Routine::SizedUploadThenPoll, Routine::SizedUploadThenWatch),
    [](const auto& testInfo) {
        std::ostringstream name;
        PrintTo(testInfo.param, &name);
        return name.str();
    });

} // namespace
} // namespace lorvena
