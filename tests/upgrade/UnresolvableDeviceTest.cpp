// Name resolution fails at once inside the loopback-only namespace that
// NetworkTestMain.cpp enters, without asking any name server out there.

#include "upgrade/FakeUploadHost.h"
#include "upgrade/UploadRoutines.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::FakeUploadHost;
using testing_support::ScriptedEchoProbe;

TEST(UploadRoutines, ADeviceAddressThatCannotBeResolvedEndsBeforeAnySocket)
{
    char path[] = "/tmp/lorvena-package-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, "package", 7), 7);
    close(file);

    UpgradeTimings timings;
    timings.tcp = {2s, 2s, 2s};
    ScriptedEchoProbe probe(EchoAnswer::Silent, {});
    for (int routine = 0; routine < 3; ++routine) {
        SCOPED_TRACE(routine);
        FakeUploadHost host;
        host.path = path;
        host.where = {"no-such-device.invalid", "80", "0"};
        const UploadOutcome outcome = routine == 0 ? UploadThenWatch(host, probe, timings)
            : routine == 1                         ? SizedUploadThenPoll(host, timings)
                                                   : SizedUploadThenWatch(host, probe, timings);
        EXPECT_EQ(outcome.code, upload_result::cannotResolve);
        EXPECT_TRUE(host.shown.empty());
    }
    unlink(path);
}

} // namespace
} // namespace lorvena
