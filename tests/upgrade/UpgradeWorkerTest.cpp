// The upgrade panel's upload routes through their worker thread: the
// endings the window shows, in their order, and a window that goes away
// while an upload runs.

#include "control/FakeMainView.h"
#include "control/UpgradeFlow.h"
#include "control/UpgradeMessages.h"
#include "net/Base64.h"
#include "platform/TextCodec.h"
#include "platform/MessageQueue.h"
#include "upgrade/FakeUploadHost.h"
#include "upgrade/ScriptedDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include <unistd.h>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::AnswerHttp;
using testing_support::FakeMainView;
using testing_support::ScriptedDevice;
using testing_support::ScriptedEchoProbe;
using testing_support::TakeUpload;
using testing_support::TakeUploadAfter;
namespace M = UpgradeMessages;

// The credential check always passes; nothing else is asked of it here.
class AcceptingServices final : public ChangeServices {
public:
    void sendOldModify(const ModifyValues&) override {}
    void sendBasicModify(const ModifyValues&) override {}
    ExchangeOutcome extendedExchange(const ModifyValues&) override { return ExchangeOutcome::Accepted; }
    AuthorityVerdict httpAuthorityCheck(const std::string&, const std::string&, const std::string&) override
    {
        return AuthorityVerdict::Accepted;
    }
    void sdkLogin(const std::string&, const std::string&, const std::string&, const std::string&, bool) override {}
    void sdkLogout() override {}
    bool onvifLogin(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return false;
    }
};

const std::string package(3000, 'p');

class UpgradeWorkerTest : public ::testing::Test {
public:
    UpgradeWorkerTest()
    {
        std::ofstream(path, std::ios::binary) << package;
        timings.tcp = {5s, 5s, 5s};
        timings.pollInterval = 1ms;
        timings.watchSettle = 1ms;
        timings.watchPass = 1ms;
        timings.finalPause = 1ms;
        state.searchMode = 1;
        state.selected.address = 0x7F000001;
        state.selected.ipText = "127.0.0.1";
    }
    ~UpgradeWorkerTest() override { std::remove(path.c_str()); }

    std::unique_ptr<UpgradeFlow> press(const std::string& type, const std::string& port, EchoProbe& probe)
    {
        state.selected.typeText = type;
        state.selected.httpPortText = port;
        view.panel = {path, "admin", "12345"};
        auto flow = std::make_unique<UpgradeFlow>(view, state, services, queue, timings, &probe);
        flow->upgradePressed();
        return flow;
    }

    // The worker ends on the "window's thread", which the fake view plays
    // under its lock.
    void awaitEnding(const UpgradeFlow& flow)
    {
        for (int i = 0; i < 2000; ++i) {
            {
                std::lock_guard lock(view.guiMutex);
                if (flow.endings() > 0)
                    return;
            }
            std::this_thread::sleep_for(5ms);
        }
        FAIL() << "the upgrade never ended";
    }

    // Until the watch has moved the bar past the transfer's half.
    void awaitWatching()
    {
        for (int i = 0; i < 2000; ++i) {
            {
                std::lock_guard lock(view.guiMutex);
                if (!view.bars.empty() && view.bars.back().position > 50)
                    return;
            }
            std::this_thread::sleep_for(5ms);
        }
        FAIL() << "the watch never started";
    }

    const std::string path = ::testing::TempDir() + "lorvena-worker-" + std::to_string(::getpid()) + ".package";
    FakeMainView view;
    WindowState state;
    AcceptingServices services;
    MessageQueue queue;
    UpgradeTimings timings;
    ScriptedEchoProbe rebooting {EchoAnswer::Silent, {EchoAnswer::Answered}};
};

TEST_F(UpgradeWorkerTest, SuccessReleasesThePanelWithoutAMessage)
{
    struct Case {
        const char* type;
        bool sized;
    };
    for (const Case& c : {Case {"1000", true}, Case {"300", false}, Case {"260", true}}) {
        SCOPED_TRACE(c.type);
        view.reset();
        ScriptedEchoProbe probe = c.sized ? ScriptedEchoProbe {EchoAnswer::Answered, {EchoAnswer::Silent}} : rebooting;
        ScriptedDevice device({TakeUpload(package.size() + (c.sized ? 4 : 0), "OK\n", "@0@"),
            AnswerHttp("HTTP/1.1 200 OK\r\n\r\nprocess=100<br>")});
        auto flow = press(c.type, device.portText(), probe);
        awaitEnding(*flow);
        flow.reset();

        EXPECT_TRUE(view.messages.empty());
        EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
        EXPECT_EQ(view.panel.path, "");
        EXPECT_EQ(view.panel.password, "");
        ASSERT_FALSE(view.bars.empty());
        EXPECT_EQ(view.bars.back(), UpgradeBar::runningAt(100));
    }
}

// The progress query sends the credentials as the check before it did, in
// Windows-1250: a password with Polish letters must not pass the check and
// then fail every query.
TEST_F(UpgradeWorkerTest, ProgressQueriesCarryTheCredentialsInWindows1250)
{
    ScriptedDevice device({TakeUpload(package.size() + 4, "OK\n", "@0@"),
        AnswerHttp("HTTP/1.1 200 OK\r\n\r\nprocess=100<br>")});
    state.selected.typeText = "1000";
    state.selected.httpPortText = device.portText();
    view.panel = {path, "admin", "źdźbło"};
    auto flow = std::make_unique<UpgradeFlow>(view, state, services, queue, timings, &rebooting);
    flow->upgradePressed();
    awaitEnding(*flow);
    EXPECT_TRUE(flow->lastSucceeded());
    flow.reset();
    const std::vector<std::string> received = device.finish();
    ASSERT_EQ(received.size(), 2u);
    const std::string credential = Base64Encode(utf8ToDeviceText("admin:źdźbło"));
    EXPECT_NE(received[1].find("Authorization: Basic " + credential + "\r\n"), std::string::npos) << received[1];
}

// An installer looks at other devices while a package goes out: a click on
// another row (which also empties the panel's password) must not send the
// progress queries or the restart watch to that row's device, nor without
// the password the upload was started with.
TEST_F(UpgradeWorkerTest, AClickOnAnotherRowDuringTheUploadLeavesTheUpgradeOnItsDevice)
{
    struct Case {
        const char* type;
        bool sized;
    };
    for (const Case& c : {Case {"1000", true}, Case {"300", false}}) {
        SCOPED_TRACE(c.type);
        view.reset();
        UpgradeFlow* running = nullptr;
        auto clickElsewhere = [&] {
            std::lock_guard lock(view.guiMutex);
            state.selected.ipText = "10.9.9.9";
            state.selected.httpPortText = "1";
            state.selected.typeText = "50";
            running->forgetPassword();
        };
        ScriptedEchoProbe probe = rebooting;
        ScriptedDevice device({TakeUploadAfter(clickElsewhere, package.size() + (c.sized ? 4 : 0), "OK\n", "@0@"),
            AnswerHttp("HTTP/1.1 200 OK\r\n\r\nprocess=100<br>")});
        state.selected.ipText = "127.0.0.1";
        state.selected.typeText = c.type;
        state.selected.httpPortText = device.portText();
        view.panel = {path, "admin", "12345"};
        auto flow = std::make_unique<UpgradeFlow>(view, state, services, queue, timings, &probe);
        running = flow.get();
        flow->upgradePressed();
        awaitEnding(*flow);
        EXPECT_TRUE(flow->lastSucceeded());
        flow.reset();
        const std::vector<std::string> received = device.finish();
        if (c.sized) {
            ASSERT_EQ(received.size(), 2u) << "the progress query went elsewhere";
            EXPECT_NE(received[1].find("Authorization: Basic " + Base64Encode("admin:12345") + "\r\n"),
                std::string::npos) << received[1];
        } else {
            ASSERT_FALSE(probe.targets.empty());
            for (const std::string& target : probe.targets)
                EXPECT_EQ(target, "127.0.0.1") << "the watch followed the click";
        }
    }
}

TEST_F(UpgradeWorkerTest, FailuresShowUploadFailedAndAnEmptyBar)
{
    ScriptedDevice device({TakeUpload(package.size(), "OK\n", "@7@")});
    auto flow = press("300", device.portText(), rebooting);
    awaitEnding(*flow);
    EXPECT_FALSE(flow->lastSucceeded());
    EXPECT_EQ(flow->lastUploadResult(), 7);
    flow.reset();
    EXPECT_EQ(view.messages, std::vector<std::string> {std::string(M::uploadFailed)});
    EXPECT_EQ(view.bars.back().position, 0);
    EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
}

TEST_F(UpgradeWorkerTest, ARestartNeverSeenWithinTheWatchLimitIsAFailure)
{
    // Type 0..99 watches while the device answers; this one never stops.
    timings.watchLimit = 0ms;
    ScriptedEchoProbe alwaysAnswering {EchoAnswer::Answered, {EchoAnswer::Answered}};
    ScriptedDevice device({TakeUpload(package.size(), "OK\n", "@0@")});
    auto flow = press("50", device.portText(), alwaysAnswering);
    awaitEnding(*flow);
    EXPECT_FALSE(flow->lastSucceeded());
    EXPECT_NE(flow->lastUploadResult(), 0);
    flow.reset();
    EXPECT_EQ(view.messages, std::vector<std::string> {std::string(M::uploadFailed)});
    EXPECT_EQ(view.bars.back().position, 0);
    EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
}

TEST_F(UpgradeWorkerTest, ARestartThatCannotBeSeenIsNotReportedAsDone)
{
    ScriptedEchoProbe blind {EchoAnswer::CannotProbe, {EchoAnswer::CannotProbe}};
    ScriptedDevice device({TakeUpload(package.size(), "OK\n", "@0@")});
    auto flow = press("300", device.portText(), blind);
    awaitEnding(*flow);
    EXPECT_FALSE(flow->lastSucceeded());
    flow.reset();
    EXPECT_EQ(view.messages, std::vector<std::string> {std::string(M::cannotWatch)});
    EXPECT_NE(view.bars.back(), UpgradeBar::runningAt(100));
}

TEST_F(UpgradeWorkerTest, AWindowClosingDuringTheWatchStopsTheWorker)
{
    // A device that keeps answering holds the 0..99 form's watch for its
    // whole limit; the window going away must not wait for that.
    timings.watchLimit = std::chrono::hours(1);
    ScriptedEchoProbe answering {EchoAnswer::Answered, {EchoAnswer::Answered}};
    ScriptedDevice device({TakeUpload(package.size(), "OK\n", "@0@")});
    auto flow = press("50", device.portText(), answering);
    awaitWatching();
    flow.reset();
    EXPECT_TRUE(view.messages.empty()) << "a stopped worker shows nothing more";
}

TEST_F(UpgradeWorkerTest, ASecondPressWhileTheWorkerRunsIsRefused)
{
    timings.watchLimit = std::chrono::hours(1);
    ScriptedEchoProbe answering {EchoAnswer::Answered, {EchoAnswer::Answered}};
    ScriptedDevice device({TakeUpload(package.size(), "OK\n", "@0@")});
    auto flow = press("50", device.portText(), answering);
    awaitWatching();
    {
        std::lock_guard lock(view.guiMutex);
        // An empty password is refused, but the upgrade under way keeps the
        // panel: the Modify tab (and a second route) stays locked meanwhile...
        view.panel.password.clear();
        flow->upgradePressed();
        EXPECT_EQ(view.messages.back(), M::wrongPassword);
        EXPECT_TRUE(state.upgradeBusy && state.upgradeRunning) << "the device's settings could be changed mid-upgrade";
        // ...and a further press must not start a second one beside it.
        view.panel.password = "12345";
        flow->upgradePressed();
        EXPECT_EQ(view.messages.back(), M::upgrading);
    }
    flow.reset();
}

} // namespace
} // namespace lorvena
