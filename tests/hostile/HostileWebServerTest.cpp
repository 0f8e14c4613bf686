// The credential check against device web servers that misbehave, through
// real sockets to simulated devices in the test's own loopback namespace:
// each answer ends within the request's wait and costs bounded memory.

#include "config/HttpAuthorityCheck.h"
#include "devsim/Simulator.h"
#include "net/Base64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using devsim::HttpMode;
using devsim::SimulatedDevice;

// The process's peak resident size so far, in KiB.
long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

struct WebServerCase {
    const char* name;
    HttpMode mode;
    const char* password; // what the tool sends; the device's is "secret"
    // What the check may conclude: a hostile server never earns more than
    // its status line says, and often not even that.
    std::vector<AuthorityVerdict> verdicts;
    // How many of the three probes the device must have received.
    std::uint64_t probes;
};

void PrintTo(const WebServerCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class HostileWebServer : public testing::TestWithParam<WebServerCase> {};

TEST_P(HostileWebServer, CheckEndsWithinItsWaitAndBoundedMemory)
{
    const WebServerCase& c = GetParam();
    SimulatedDevice device;
    device.ip = 0x7F000015u; // 127.0.0.21
    device.mac = {0x02, 0, 0, 0, 0, 0x21};
    device.password = "secret";
    device.http = c.mode;
    device.httpDrip = 40ms; // far inside the receive wait: each byte keeps a per-receive time-out from firing
    devsim::Simulator simulator({device}, {});
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    HttpTimings timings;
    timings.connectTimeout = 1s;
    timings.receiveTimeout = 500ms;
    const long peakBefore = peakResidentKiB();
    AuthorityVerdict verdict =
        ProbeAuthority("127.0.0.21", "80", Base64Encode(std::string("admin:") + c.password), timings);
    const long peakGrowth = peakResidentKiB() - peakBefore;

    EXPECT_TRUE(std::ranges::find(c.verdicts, verdict) != c.verdicts.end())
        << "verdict " << static_cast<int>(verdict) << " (0 accepted, 1 refused, 2 unreachable)";
    // The body cap is 16 MiB; a reader that kept what a huge body sends
    // would need a gigabyte.
    EXPECT_LT(peakGrowth, 256 * 1024) << "KiB";
    simulator.stop();
    EXPECT_EQ(simulator.counts().httpRequests, c.probes);
}

INSTANTIATE_TEST_SUITE_P(Servers, HostileWebServer,
    testing::Values(
        // Without a deadline for the whole response this one was read to its
        // end, byte by byte, and accepted: 3 probes of several seconds each.
        WebServerCase {"DripsOneByteAtATime", HttpMode::Drip, "secret", {AuthorityVerdict::Unreachable}, 3},
        WebServerCase {"HugeBodyIsCutAtTheCap", HttpMode::HugeBody, "secret", {AuthorityVerdict::Accepted}, 1},
        WebServerCase {"HugeBodyWithWrongPassword", HttpMode::HugeBody, "wrong", {AuthorityVerdict::Refused}, 3},
        // Cut at the header cap (the status line then decides) or by the
        // deadline (no answer), whichever comes first on this machine.
        WebServerCase {"EndlessHeader", HttpMode::EndlessHeader, "wrong",
            {AuthorityVerdict::Refused, AuthorityVerdict::Unreachable}, 3},
        WebServerCase {"AcceptsAndNeverAnswers", HttpMode::Silent, "secret", {AuthorityVerdict::Unreachable}, 3}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
