// A device's address is never looked up as a name (nor taken in a spelling
// other than a dotted quad, nor as this machine): the upload ends before any
// socket. Inside the loopback-only namespace that NetworkTestMain.cpp enters
// no name server would be asked anyway.

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

TEST(UploadRoutines, AnAddressThatIsNoDevicesEndsBeforeAnySocket)
{
    char path[] = "/tmp/lorvena-package-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, "package", 7), 7);
    close(file);

    UpgradeTimings timings;
    timings.tcp = {2s, 2s, 2s};
    ScriptedEchoProbe probe(EchoAnswer::Silent, {});
    for (int routine = 0; routine < 3; ++routine)
    for (const char* address : {"no-such-device.invalid", "localhost", "127.1", "0.0.0.0"}) {
        SCOPED_TRACE(std::to_string(routine) + " " + address);
        FakeUploadHost host;
        host.path = path;
        host.where = {address, "80", "0"};
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
