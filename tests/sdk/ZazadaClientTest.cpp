// The built-in video-server client against simulated video servers over
// real sockets, inside the loopback-only network namespace of this test
// process (NetworkTestMain).

#include "devsim/Simulator.h"
#include "sdk/ZazadaClient.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lorvena {
namespace {

using devsim::SimulatedDevice;
using devsim::VideoServerHostility;

constexpr int port = 4000;
// Passed to ZAZADA_OpenServer: a bound on every wait of the client, reached
// only when something is broken.
constexpr int timeoutSeconds = 10;
constexpr std::chrono::seconds bound {20};

// Devices by index: their addresses are 127.0.0.(40 + index).
enum DeviceIndex : std::size_t { normal, refusing, failing, closing, slow, withoutService, dripping, stalling,
    deviceCount };

std::string addressOf(std::size_t index)
{
    return "127.0.0." + std::to_string(40 + index);
}

SimulatedDevice videoServer(std::size_t index, VideoServerHostility hostile)
{
    SimulatedDevice device;
    device.ip = 0x7F000028u + static_cast<std::uint32_t>(index);
    device.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(index)};
    device.name = "Brama " + std::to_string(index);
    device.firmware = "V2.1.0";
    device.channels = 4;
    device.password = "secret";
    device.videoServer.enabled = index != withoutService;
    device.videoServer.hostile = hostile;
    device.videoServer.errorCode = 9;
    if (index == slow)
        device.videoServer.progress = std::chrono::minutes(10); // still writing when the test ends
    // Each byte of a reply well within one receive's time-out, the whole
    // login reply far beyond it.
    if (index == dripping)
        device.videoServer.drip = std::chrono::milliseconds(1500);
    // Not a byte before the test is over.
    if (index == stalling)
        device.videoServer.drip = std::chrono::minutes(10);
    return device;
}

bool isFinal(const ZazadaUpdateStatus& status)
{
    return status.error != 0 || status.progress == 100;
}

// What the progress routine was called with, in order.
class ProgressLog {
public:
    static int32_t routine(int32_t, const ZazadaUpdateStatus* status, void* user)
    {
        auto* self = static_cast<ProgressLog*>(user);
        std::lock_guard lock(self->mutex_);
        self->calls_.push_back(*status);
        self->changed_.notify_all();
        return isFinal(*status) ? 1 : 0;
    }

    // Whether some call met `wanted` within the bound.
    template<typename Wanted>
    bool waitFor(Wanted wanted)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, bound, [&] {
            return std::any_of(calls_.begin(), calls_.end(), [&](const auto& call) { return wanted(call); });
        });
    }

    std::vector<ZazadaUpdateStatus> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ZazadaUpdateStatus> calls_;
};

class ZazadaClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<SimulatedDevice> devices;
        const VideoServerHostility hostility[deviceCount] = {VideoServerHostility::None,
            VideoServerHostility::RefuseLogin, VideoServerHostility::ErrorAtEnd,
            VideoServerHostility::CloseMidTransfer, VideoServerHostility::None, VideoServerHostility::None,
            VideoServerHostility::Drip, VideoServerHostility::Drip};
        for (std::size_t i = 0; i < deviceCount; ++i)
            devices.push_back(videoServer(i, hostility[i]));
        devsim::SimulatorOptions options;
        options.bindAddress = "127.0.0.1"; // searches play no part here
        options.port = 0;
        simulator_ = std::make_unique<devsim::Simulator>(devices, options);
        std::string error;
        ASSERT_TRUE(simulator_->start(error)) << error;
    }

    void TearDown() override
    {
        for (const std::string& path : files_)
            std::remove(path.c_str());
    }

    // A package file of `length` bytes; "" contents for an empty one.
    std::string packageFile(std::size_t length)
    {
        char path[] = "/tmp/zazada-package-XXXXXX";
        int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        close(fd);
        files_.push_back(path);
        std::string bytes(length, '\0');
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        contents_[path] = bytes;
        return path;
    }

    const std::string& contentsOf(const std::string& path) { return contents_[path]; }

    int32_t open(std::size_t device, const char* password = "secret")
    {
        int32_t handle = -1;
        int32_t result = ZAZADA_OpenServer("", addressOf(device).c_str(), port, "admin", password, &handle, 0,
            timeoutSeconds);
        EXPECT_EQ(result == 0, handle != 0) << "a handle exactly when the open succeeds";
        return result == 0 ? handle : 0;
    }

    std::unique_ptr<devsim::Simulator> simulator_;
    std::vector<std::string> files_;
    std::map<std::string, std::string> contents_;
};

// The message routine as the upgrade panel's: asks for the server
// information from the library's thread.
struct MessageLog {
    std::mutex mutex;
    std::condition_variable called;
    std::vector<int32_t> handles;
    int32_t infoResult = -1;
    ZazadaServerInfo info {};

    static int32_t routine(int32_t handle, int32_t, int32_t, int32_t, int32_t, void* user)
    {
        auto* self = static_cast<MessageLog*>(user);
        ZazadaServerInfo info {};
        info.size = sizeof info;
        int32_t result = ZAZADA_GetServerInfo(handle, &info);
        std::lock_guard lock(self->mutex);
        self->handles.push_back(handle);
        self->infoResult = result;
        self->info = info;
        self->called.notify_all();
        return 0;
    }
};

TEST_F(ZazadaClientTest, OpensOnlyWithTheRightCredentials)
{
    struct Case {
        const char* what;
        std::size_t device;
        const char* address;
        int32_t port;
        const char* password;
        bool opens;
    };
    const std::string normalAddress = addressOf(normal);
    // inet_aton's short form of the same address: a connection there would
    // work, but a device's address is only ever a plain dotted quad.
    const std::string shortForm = "127." + std::to_string(40 + normal);
    const std::vector<Case> cases = {
        {"the device's address in another spelling", normal, shortForm.c_str(), port, "secret", false},
        {"right credentials", normal, normalAddress.c_str(), port, "secret", true},
        {"wrong password", normal, normalAddress.c_str(), port, "secreT", false},
        {"server that refuses every login", refusing, nullptr, port, "secret", false},
        {"device without the service", withoutService, nullptr, port, "secret", false},
        {"no address", normal, "", port, "secret", false},
        {"port 0", normal, normalAddress.c_str(), 0, "secret", false},
        {"no password", normal, normalAddress.c_str(), port, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string address = c.address != nullptr ? c.address : addressOf(c.device);
        int32_t handle = -1;
        int32_t result =
            ZAZADA_OpenServer("", address.c_str(), c.port, "admin", c.password, &handle, 0, timeoutSeconds);
        EXPECT_EQ(result == 0, c.opens);
        EXPECT_EQ(handle != 0, c.opens);
        if (handle != 0) {
            EXPECT_EQ(ZAZADA_CloseServer(handle), 0);
        }
    }
    EXPECT_EQ(simulator_->videoServer(normal).logins, 1u);
    EXPECT_EQ(simulator_->videoServer(normal).refusedLogins, 1u);
    EXPECT_EQ(simulator_->videoServer(refusing).refusedLogins, 1u);
}

// A server that drips its login reply a byte at a time, each byte within the
// per-receive time-out, is cut off at the frame's deadline instead of holding
// the open for the whole reply.
TEST_F(ZazadaClientTest, ADrippingServerIsCutOffAtTheFramesDeadline)
{
    int32_t handle = -1;
    EXPECT_NE(ZAZADA_OpenServer("", addressOf(dripping).c_str(), port, "admin", "secret", &handle, 0, 2), 0);
    EXPECT_EQ(handle, 0);
}

// A window that closes while a server is being opened stops the open: it
// ends at once with no session, whatever the server does.
TEST_F(ZazadaClientTest, StopOpeningEndsAnOpenInProgress)
{
    std::atomic<bool> done {false};
    int32_t result = 0;
    int32_t handle = -1;
    std::thread opener([&] {
        result = ZAZADA_OpenServer("", addressOf(stalling).c_str(), port, "admin", "secret", &handle, 0,
            timeoutSeconds);
        done = true;
    });
    // Until the open has registered and been stopped; each call is harmless.
    while (!done) {
        ZAZADA_StopOpening();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    opener.join();
    EXPECT_NE(result, 0);
    EXPECT_EQ(handle, 0);
    // Later opens are not affected.
    int32_t later = open(normal);
    EXPECT_NE(later, 0);
    EXPECT_EQ(ZAZADA_CloseServer(later), 0);
}

TEST_F(ZazadaClientTest, CallsTheMessageRoutineOnceForALiveSession)
{
    int32_t handle = open(normal);
    ASSERT_NE(handle, 0);
    MessageLog messages;
    ASSERT_EQ(ZAZADA_RegServerMsgCallback(handle, &MessageLog::routine, &messages), 0);
    {
        std::unique_lock lock(messages.mutex);
        ASSERT_TRUE(messages.called.wait_for(lock, bound, [&] { return !messages.handles.empty(); }));
    }
    EXPECT_EQ(ZAZADA_CloseServer(handle), 0);
    EXPECT_EQ(messages.handles, std::vector<int32_t> {handle}) << "once, with the handle";
    EXPECT_EQ(messages.infoResult, 0);
    EXPECT_STREQ(messages.info.name, "Brama 0");
    EXPECT_STREQ(messages.info.firmware, "V2.1.0");
    EXPECT_EQ(messages.info.channels, 4);
    EXPECT_EQ(messages.info.size, 156);

    ZazadaServerInfo info {};
    info.size = sizeof info;
    EXPECT_NE(ZAZADA_RegServerMsgCallback(handle, &MessageLog::routine, &messages), 0) << "closed";
    EXPECT_NE(ZAZADA_GetServerInfo(handle, &info), 0) << "closed";
    EXPECT_NE(ZAZADA_CloseServer(handle), 0) << "closed twice";
    int32_t other = open(normal);
    ASSERT_NE(other, 0);
    info.size = 155;
    EXPECT_NE(ZAZADA_GetServerInfo(other, &info), 0) << "a record of another size";
    EXPECT_NE(ZAZADA_RegServerMsgCallback(other, nullptr, nullptr), 0);
    EXPECT_EQ(ZAZADA_CloseServer(other), 0);
}

TEST_F(ZazadaClientTest, UpdateSendsThePackageAndEndsAtHundred)
{
    int32_t handle = open(normal);
    ASSERT_NE(handle, 0);
    const std::string path = packageFile(300001);
    ProgressLog progress;
    ASSERT_EQ(ZAZADA_UpdateServer(handle, path.c_str(), &ProgressLog::routine, &progress), 0);
    ASSERT_TRUE(progress.waitFor(isFinal));
    ZazadaServerInfo info {};
    info.size = sizeof info;
    EXPECT_EQ(ZAZADA_GetServerInfo(handle, &info), 0) << "the session goes on after an update";
    EXPECT_EQ(ZAZADA_CloseServer(handle), 0);

    std::vector<ZazadaUpdateStatus> calls = progress.calls();
    ASSERT_FALSE(calls.empty());
    const ZazadaUpdateStatus& last = calls.back();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), isFinal), 1) << "exactly one final call, the last";
    EXPECT_EQ(last.progress, 100);
    EXPECT_EQ(last.error, 0);
    EXPECT_EQ(last.stage, 2);
    EXPECT_EQ(last.bytesSent, 300001);
    EXPECT_EQ(calls.front().stage, 0);
    EXPECT_EQ(calls.front().progress, 0);
    int previous = 0;
    int previousStage = 0;
    bool sawFifty = false;
    for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        const ZazadaUpdateStatus& call = calls[i];
        EXPECT_EQ(call.size, static_cast<int32_t>(sizeof(ZazadaUpdateStatus)));
        EXPECT_GE(call.stage, previousStage);
        EXPECT_GE(call.progress, previous) << "never backwards";
        EXPECT_LE(call.progress, call.stage == 0 ? 50 : 99);
        EXPECT_GE(call.progress, call.stage == 0 ? 0 : 50);
        sawFifty = sawFifty || (call.stage == 0 && call.progress == 50);
        previous = call.progress;
        previousStage = call.stage;
    }
    EXPECT_TRUE(sawFifty) << "the sending ends at 50";
    EXPECT_EQ(previousStage, 1) << "the device's figures came before the end";

    devsim::VideoServerRecord received = simulator_->videoServer(normal);
    EXPECT_EQ(received.announcedSize, 300001u);
    EXPECT_TRUE(received.package == contentsOf(path)) << "the device received the file byte for byte";
    EXPECT_EQ(received.outcome, "ok");
}

TEST_F(ZazadaClientTest, FailuresEndWithOneErrorCall)
{
    struct Case {
        const char* what;
        std::size_t device;
        int32_t deviceCode;
    };
    const std::vector<Case> cases = {
        {"device reports an error at the end", failing, 9},
        {"device closes half-way", closing, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t handle = open(c.device);
        ASSERT_NE(handle, 0);
        const std::string path = packageFile(200000);
        ProgressLog progress;
        ASSERT_EQ(ZAZADA_UpdateServer(handle, path.c_str(), &ProgressLog::routine, &progress), 0);
        ASSERT_TRUE(progress.waitFor(isFinal));
        EXPECT_EQ(ZAZADA_CloseServer(handle), 0);

        std::vector<ZazadaUpdateStatus> calls = progress.calls();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), isFinal), 1);
        EXPECT_NE(calls.back().error, 0) << "the last call is the error";
        EXPECT_LT(calls.back().progress, 100);
        EXPECT_EQ(calls.back().deviceCode, c.deviceCode);
        EXPECT_EQ(simulator_->videoServer(c.device).outcome, "error");
    }
}

TEST_F(ZazadaClientTest, CloseServerStopsARunningUpdate)
{
    struct Case {
        const char* what;
        std::size_t length;
        bool (*reached)(const ZazadaUpdateStatus&);
    };
    const std::vector<Case> cases = {
        {"as soon as it started", 16 * 1024 * 1024, [](const ZazadaUpdateStatus&) { return true; }},
        {"while the device writes", 5000, [](const ZazadaUpdateStatus& status) { return status.stage == 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t handle = open(slow);
        ASSERT_NE(handle, 0);
        const std::string path = packageFile(c.length);
        ProgressLog progress;
        ASSERT_EQ(ZAZADA_UpdateServer(handle, path.c_str(), &ProgressLog::routine, &progress), 0);
        ASSERT_TRUE(progress.waitFor(c.reached));
        EXPECT_EQ(ZAZADA_CloseServer(handle), 0);

        // The threads are joined: whatever was called has been called.
        std::vector<ZazadaUpdateStatus> calls = progress.calls();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), isFinal), 1);
        EXPECT_NE(calls.back().error, 0) << "stopped: an error, the last call";
        EXPECT_NE(ZAZADA_UpdateServer(handle, path.c_str(), &ProgressLog::routine, &progress), 0);
        EXPECT_EQ(progress.calls().size(), calls.size());
    }
}

TEST_F(ZazadaClientTest, UpdateServerRefusesWhatItCannotSend)
{
    int32_t handle = open(normal);
    ASSERT_NE(handle, 0);
    const std::string empty = packageFile(0);
    const std::string good = packageFile(10);
    // Nobody writes to it: a blocking open would hold the caller for good.
    const std::string fifo = good + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    files_.push_back(fifo);
    struct Case {
        const char* what;
        int32_t handle;
        const char* path;
    };
    const std::vector<Case> cases = {
        {"unknown handle", handle + 1000, good.c_str()},
        {"handle 0", 0, good.c_str()},
        {"no path", handle, nullptr},
        {"empty path", handle, ""},
        {"missing file", handle, "/tmp/zazada-no-such-package"},
        {"empty file", handle, empty.c_str()},
        {"a directory", handle, "/tmp"},
        {"a FIFO", handle, fifo.c_str()},
        {"a device node", handle, "/dev/zero"},
    };
    ProgressLog progress;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(ZAZADA_UpdateServer(c.handle, c.path, &ProgressLog::routine, &progress), 0);
    }
    EXPECT_EQ(ZAZADA_CloseServer(handle), 0);
    EXPECT_TRUE(progress.calls().empty()) << "a refused start calls nothing";
    EXPECT_EQ(simulator_->videoServer(normal).updates, 0u);
}

} // namespace
} // namespace lorvena
