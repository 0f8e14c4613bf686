#include "control/UpgradeFlow.h"
#include "control/VideoServerLibrary.h"

#include "control/DeviceListInteraction.h"
#include "control/FakeMainView.h"
#include "control/UpgradeMessages.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace lorvena {
namespace {

using testing_support::FakeMainView;
namespace M = UpgradeMessages;

// Records the credential checks and the SDK calls an upgrade makes.
class FakeServices final : public ChangeServices {
public:
    void sendOldModify(const ModifyValues&) override {}
    void sendBasicModify(const ModifyValues&) override {}
    ExchangeOutcome extendedExchange(const ModifyValues&) override { return ExchangeOutcome::Accepted; }
    AuthorityVerdict httpAuthorityCheck(const std::string& ipText, const std::string& port, const std::string&) override
    {
        if (holdCheck.valid())
            holdCheck.wait();
        std::lock_guard lock(mutex);
        httpChecks.push_back(ipText + ":" + port);
        checkThreads.push_back(std::this_thread::get_id());
        return httpVerdict;
    }
    void sdkLogin(const std::string& ipText, const std::string& port, const std::string& user, const std::string&,
        bool secondFamily) override
    {
        sdkLogins.push_back(ipText + ":" + port + " " + user + (secondFamily ? " family1" : " family0"));
        loggedIn = true;
    }
    FakeServices() = default;
    FakeServices& operator=(FakeServices&& other) noexcept
    {
        httpChecks = std::move(other.httpChecks);
        sdkLogins = std::move(other.sdkLogins);
        sdkUpgrades = std::move(other.sdkUpgrades);
        checkThreads = std::move(other.checkThreads);
        holdCheck = std::move(other.holdCheck);
        httpVerdict = other.httpVerdict;
        loggedIn = other.loggedIn;
        logouts = other.logouts;
        sdkUpgradeResult = other.sdkUpgradeResult;
        return *this;
    }
    void sdkLogout() override
    {
        ++logouts;
        loggedIn = false;
    }
    bool sdkLoggedIn() const override { return loggedIn; }
    int sdkUpgrade(const std::string& path) override
    {
        sdkUpgrades.push_back(path);
        return sdkUpgradeResult;
    }
    bool onvifLogin(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return false;
    }

    std::mutex mutex;
    // When set, each check waits for it: a device slow to answer.
    std::shared_future<void> holdCheck;
    std::vector<std::thread::id> checkThreads;
    std::vector<std::string> httpChecks, sdkLogins, sdkUpgrades;
    AuthorityVerdict httpVerdict = AuthorityVerdict::Accepted;
    bool loggedIn = false;
    int logouts = 0;
    int sdkUpgradeResult = 0;
};

// The video-server client, scripted: one session (handle 7), the answers
// set by the test, the update's progress reported when the test says.
class ScriptedVideoServer final : public VideoServerLibrary {
public:
    std::int32_t openServer(const std::string& address, std::int32_t port, const std::string& userName,
        const std::string&, std::int32_t& handle) override
    {
        std::lock_guard lock(mutex);
        opens.push_back(address + ":" + std::to_string(port) + " " + userName);
        handle = 7;
        return 0;
    }
    void stopOpening() override {}
    std::int32_t regServerMsgCallback(std::int32_t, ZazadaMessageRoutine, void*) override { return registration; }
    std::int32_t getServerInfo(std::int32_t, ZazadaServerInfo&) override { return 0; }
    std::int32_t updateServer(std::int32_t, const std::string& path, ZazadaProgressRoutine routine,
        void* user) override
    {
        updates.push_back(path);
        progressRoutine = routine;
        progressUser = user;
        return updateResult;
    }
    void closeServer(std::int32_t handle) override { closed.push_back(handle); }

    // Returns what the routine returned: 1 once the update has ended.
    std::int32_t report(std::int32_t progress, std::int32_t error = 0)
    {
        ZazadaUpdateStatus status {};
        status.size = sizeof status;
        status.progress = progress;
        status.error = error;
        return progressRoutine(0, &status, progressUser);
    }

    std::mutex mutex;
    std::vector<std::string> opens, updates;
    std::vector<std::int32_t> closed;
    std::int32_t registration = 0;
    std::int32_t updateResult = 0;
    ZazadaProgressRoutine progressRoutine = nullptr;
    void* progressUser = nullptr;
};

class UpgradeFlowTest : public testing::Test {
public:
    void SetUp() override
    {
        std::ofstream(package) << "firmware bytes";
        ::unlink(fifo.c_str());
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // Sparse: costs no disk.
        std::ofstream(hugePackage).flush();
        ASSERT_EQ(::truncate(hugePackage.c_str(), 0x100000000LL), 0);
        state.searchMode = 1;
        state.selected.address = 0x0A010014; // 10.1.0.20
        state.selected.ipText = "10.1.0.20";
        state.selected.httpPortText = "80";
        state.selected.typeText = "300";
        view.panel = {package, "admin", "secret"};
    }
    void TearDown() override
    {
        for (const std::string& path : {package, fifo, hugePackage})
            std::remove(path.c_str());
    }

    std::string lastMessage() const { return view.messages.empty() ? "" : view.messages.back(); }

    // Per process: ctest runs these tests side by side.
    const std::string package =
        ::testing::TempDir() + "lorvena-upgrade-flow-" + std::to_string(::getpid()) + ".package";
    const std::string fifo = package + ".fifo";
    const std::string hugePackage = package + ".huge";
    FakeMainView view;
    WindowState state;
    FakeServices services;
    MessageQueue queue;
    UpgradeFlow flow {view, state, services, queue};
};

// Each check of the Upgrade command in its order: the message, and that no
// upgrade was started.
TEST_F(UpgradeFlowTest, RefusalsBeforeAnyDeviceIsContacted)
{
    struct Case {
        const char* what;
        std::function<void(UpgradeFlowTest&)> arrange;
        std::string_view message;
    };
    const std::vector<Case> cases = {
        {"nothing selected", [](UpgradeFlowTest& t) { t.state.selected = {}; }, M::chooseDevice},
        {"broadcast address", [](UpgradeFlowTest& t) { t.state.selected.address = 0x0A0100FF; }, M::chooseDevice},
        // The row's address text came from the device: a name would be
        // looked up, a multicast address reaches no one device.
        {"a name as the address",
            [](UpgradeFlowTest& t) {
                t.state.selected.ipText = "EVIL.EXAMPLE.CO";
                t.state.selected.address = 0x0A010014;
            },
            M::badAddress},
        {"a multicast address",
            [](UpgradeFlowTest& t) {
                t.state.selected.ipText = "239.1.2.3";
                t.state.selected.address = 0xEF010203;
            },
            M::badAddress},
        {"no file", [](UpgradeFlowTest& t) { t.view.panel.path.clear(); }, M::selectFile},
        {"missing file", [](UpgradeFlowTest& t) { t.view.panel.path = "/nonexistent/x.package"; }, M::invalidFile},
        {"a folder", [](UpgradeFlowTest& t) { t.view.panel.path = ::testing::TempDir(); }, M::invalidFile},
        // Nobody writes to it: a blocking open would freeze the window.
        {"a FIFO", [](UpgradeFlowTest& t) { t.view.panel.path = t.fifo; }, M::invalidFile},
        {"a device node", [](UpgradeFlowTest& t) { t.view.panel.path = "/dev/zero"; }, M::invalidFile},
        // Its length does not fit the 32-bit field it is announced in.
        {"4 GiB package", [](UpgradeFlowTest& t) { t.view.panel.path = t.hugePackage; }, M::invalidFile},
        {"not the administrator", [](UpgradeFlowTest& t) { t.view.panel.userName = "guest"; }, M::adminAccount},
        {"32-character password", [](UpgradeFlowTest& t) { t.view.panel.password = std::string(32, 'p'); },
            M::passwordTooLong},
        {"ONVIF device", [](UpgradeFlowTest& t) { t.state.selected.typeText = "950"; }, M::onvifRefused},
        {"empty password", [](UpgradeFlowTest& t) { t.view.panel.password.clear(); }, M::wrongPassword},
        {"refused credentials", [](UpgradeFlowTest& t) { t.services.httpVerdict = AuthorityVerdict::Refused; }, M::wrongPassword},
        {"device never answered", [](UpgradeFlowTest& t) { t.services.httpVerdict = AuthorityVerdict::Unreachable; },
            M::noConnection},
        {"package not for this firmware",
            [](UpgradeFlowTest& t) {
                t.state.selected.typeText = "150";
                t.state.selected.firmwareText = "V2.1+H3";
                // Its first field should start the part after "+".
                t.view.panel.path = ::testing::TempDir() + "X9_V2_" + std::to_string(::getpid()) + ".package";
                std::ofstream(t.view.panel.path) << "x";
            },
            M::packageError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        services = FakeServices {};
        view.reset();
        view.panel = {package, "admin", "secret"};
        c.arrange(*this);
        flow.upgradePressed();
        EXPECT_EQ(lastMessage(), c.message);
        EXPECT_FALSE(state.upgradeBusy) << "the Modify tab must not stay refused";
        EXPECT_FALSE(state.upgradeRunning);
        EXPECT_FALSE(flow.lastSucceeded());
        EXPECT_TRUE(services.sdkLogins.empty());
    }
}

TEST_F(UpgradeFlowTest, ClearsWhatEachRefusalNames)
{
    view.panel.path = "/nonexistent/x.package";
    flow.upgradePressed();
    EXPECT_EQ(view.panel.path, "") << "an unreadable path is cleared";

    view.panel = {package, "Guest", "secret"};
    flow.upgradePressed();
    EXPECT_EQ(view.panel.userName, "");
    EXPECT_EQ(view.upgradeUserFocus, 1);

    view.panel = {package, "ADMIN", std::string(31, 'p')};
    services.httpVerdict = AuthorityVerdict::Refused;
    flow.upgradePressed();
    EXPECT_EQ(lastMessage(), M::wrongPassword) << "31 characters pass, capitals pass";
    EXPECT_EQ(view.panel.userName, "admin");
    EXPECT_EQ(view.panel.password, "");
    EXPECT_EQ(view.panel.path, package);
}

TEST_F(UpgradeFlowTest, MissingFileWhileBusyEndsSilently)
{
    state.upgradeBusy = true;
    view.panel.path = "/nonexistent/x.package";
    flow.upgradePressed();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(flow.endings(), 1);
}

// A package no device can be given, pressed while an upgrade runs, is
// refused without unlocking the Modify tab under the running upgrade.
TEST_F(UpgradeFlowTest, UnusablePackageWhileRunningKeepsTheUpgradeLocked)
{
    state.upgradeBusy = true;
    state.upgradeRunning = true;
    view.panel.path = fifo;
    flow.upgradePressed();
    EXPECT_EQ(lastMessage(), M::invalidFile);
    EXPECT_TRUE(state.upgradeBusy);
    EXPECT_TRUE(state.upgradeRunning);
}

TEST_F(UpgradeFlowTest, SdkRouteLogsInAndFollowsTheLibrarysEvents)
{
    state.selected.typeText = "820";
    view.panel.password.clear(); // the SDK judges the credentials itself
    flow.upgradePressed();
    ASSERT_EQ(services.sdkLogins, std::vector<std::string> {"10.1.0.20:80 admin family1"});
    EXPECT_TRUE(services.httpChecks.empty());
    EXPECT_EQ(state.loginPurpose, LoginPurpose::SdkUpgrade);
    EXPECT_TRUE(state.upgradeBusy);

    flow.sdkLoginAnswered(true);
    EXPECT_EQ(services.sdkUpgrades, std::vector<std::string> {package});
    EXPECT_TRUE(state.upgradeRunning);

    flow.sdkEvent(MessageId::SdkUpgradeProgress, 37);
    EXPECT_EQ(view.bars.back(), UpgradeBar::runningAt(37));
    EXPECT_EQ(state.sdkUpgradeState, SdkUpgradeState::ProgressOrFailure);

    flow.sdkEvent(MessageId::SdkUpgradeDone, 0);
    EXPECT_EQ(view.bars.back(), UpgradeBar::runningAt(100));
    EXPECT_EQ(state.sdkUpgradeState, SdkUpgradeState::Done);
    EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
    EXPECT_EQ(services.logouts, 1);
    EXPECT_EQ(view.panel.path, "");
    EXPECT_TRUE(view.messages.empty()) << "a finished SDK upgrade shows no message";
    EXPECT_TRUE(flow.lastSucceeded());

    // The next upgrade starts from nothing reported: otherwise the window
    // would take a connection lost during its login for the aftermath of
    // the last one and leave the panel locked.
    view.panel = {package, "admin", ""};
    flow.upgradePressed();
    ASSERT_EQ(services.sdkLogins.size(), 2u);
    EXPECT_EQ(state.sdkUpgradeState, SdkUpgradeState::NoEvent);
}

// Paths are native (UTF-8) here: the library opens the package under the
// name it was given, so converting it would lose a Polish file name.
TEST_F(UpgradeFlowTest, SdkRouteHandsThePackagePathOnAsItIs)
{
    const std::string polish = ::testing::TempDir() + "Aktualizacja-łódź-" + std::to_string(::getpid()) + ".bin";
    std::ofstream(polish) << "firmware bytes";
    state.selected.typeText = "600";
    view.panel = {polish, "admin", "źdźbło"};
    flow.upgradePressed();
    flow.sdkLoginAnswered(true);
    EXPECT_EQ(services.sdkUpgrades, std::vector<std::string> {polish});
    std::remove(polish.c_str());
}

TEST_F(UpgradeFlowTest, SdkRouteEndings)
{
    struct Case {
        const char* what;
        bool loginAccepted;
        int startResult;
        MessageId event;
        std::string_view message;
        bool sessionLost = false;
    };
    const std::vector<Case> cases = {
        {"login refused", false, 0, MessageId::SoftClose, M::wrongPassword},
        {"start refused", true, 5, MessageId::SoftClose, M::sdkStartRefused},
        {"upgrade failed", true, 0, MessageId::SdkUpgradeFailed, M::sdkFailed},
        // The library dropped the session between its answer and the start:
        // the panel is released, not left waiting.
        {"session gone before the start", true, 0, MessageId::SoftClose, M::connectFailed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.reset();
        view.panel = {package, "admin", "secret"};
        state.selected.typeText = "600";
        services.sdkUpgradeResult = c.startResult;
        flow.upgradePressed();
        // A change's login answering late (it carries its session number)
        // neither refuses nor starts this upgrade.
        flow.sdkLoginAnswered(!c.loginAccepted, 7);
        EXPECT_TRUE(state.upgradeBusy);
        EXPECT_TRUE(view.messages.empty());
        if (c.sessionLost)
            services.loggedIn = false;
        flow.sdkLoginAnswered(c.loginAccepted);
        if (c.event != MessageId::SoftClose)
            flow.sdkEvent(c.event, 0);
        EXPECT_EQ(lastMessage(), c.message);
        EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
        EXPECT_FALSE(flow.lastSucceeded());
    }
}

// The video-server route through a scripted client: the session opened on
// a thread, then the update's progress, each figure shown once and the end
// always, and each way it can end.
TEST_F(UpgradeFlowTest, VideoServerRouteFollowsTheClient)
{
    struct Case {
        const char* what;
        std::int32_t registration;
        std::int32_t updateResult;
        std::vector<std::pair<std::int32_t, std::int32_t>> reports; // progress, error
        std::vector<int> shownFigures;
        std::string_view message; // empty: succeeded, silently
    };
    const std::vector<Case> cases = {
        {"done", 0, 0, {{10, 0}, {10, 0}, {50, 0}, {100, 0}}, {10, 50, 100}, ""},
        {"failed on the way", 0, 0, {{40, 0}, {40, 3}}, {40, 40}, M::videoServerFailed},
        {"login refused", -1, 0, {}, {}, M::openInterrupted},
        {"update refused", 0, -1, {}, {}, M::videoServerFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedVideoServer client;
        client.registration = c.registration;
        client.updateResult = c.updateResult;
        WindowState fresh = state;
        fresh.selected.typeText = "150";
        view.reset();
        view.panel = {package, "admin", "źdźbło"};
        {
            UpgradeFlow videoFlow {view, fresh, services, queue, {}, nullptr, &client};
            videoFlow.upgradePressed();
            // The credential check's end comes first; the window's loop has
            // nothing more to do with it here.
            std::optional<WindowMessage> opened;
            do
                opened = queue.take(std::chrono::seconds(10));
            while (opened && opened->id == MessageId::UpgradeCheckDone);
            ASSERT_TRUE(opened && opened->id == MessageId::VideoServerOpened);
            videoFlow.videoServerOpened(opened->wParam, opened->lParam);
            EXPECT_EQ(client.opens, std::vector<std::string> {"10.1.0.20:4000 admin"});
            std::vector<int> shown;
            for (const auto& [progress, error] : c.reports) {
                client.report(progress, error);
                while (std::optional<WindowMessage> message = queue.take(std::chrono::milliseconds(0))) {
                    ASSERT_EQ(message->id, MessageId::VideoServerProgress);
                    shown.push_back(static_cast<int>(message->lParam));
                    videoFlow.videoServerProgress(message->lParam, message->wParam != 0);
                }
            }
            EXPECT_EQ(shown, c.shownFigures);
            EXPECT_EQ(lastMessage(), c.message);
            EXPECT_EQ(videoFlow.lastSucceeded(), c.message.empty());
            EXPECT_FALSE(fresh.upgradeBusy || fresh.upgradeRunning);
        }
        // Every session opened is closed, at the latest when the flow goes.
        EXPECT_EQ(client.closed, std::vector<std::int32_t> {7});
    }
}

DeviceRecord listedDevice(std::string ip, std::string port, std::string type)
{
    DeviceRecord row;
    row.kind = "IPCAMERA";
    row.ip = std::move(ip);
    row.mask = "255.255.255.0";
    row.gateway = "10.1.0.1";
    row.dns = "10.1.0.1";
    row.mac = "00:12:34:00:00:" + row.ip.substr(row.ip.rfind('.') + 1);
    row.httpPort = std::move(port);
    row.rtspPort = "554";
    row.dhcp = "Nieaktywne";
    row.typeCode = std::move(type);
    return row;
}

// The Upgrade tab acts on the row clicked last, plain click or Ctrl+click,
// with that row's own address, port and route: never one row's address
// with another row's port or type.
TEST_F(UpgradeFlowTest, ActsOnTheRowClickedLastWhateverTheClick)
{
    struct Click {
        int row;
        ClickKind kind;
    };
    struct Case {
        const char* what;
        std::vector<Click> clicks;
        std::vector<std::string> httpChecks;
        std::vector<std::string> sdkLogins;
    };
    const std::vector<Case> cases = {
        {"plain, then Ctrl", {{0, ClickKind::Plain}, {1, ClickKind::CtrlOnly}}, {"10.1.0.31:8081"}, {}},
        {"Ctrl, then Ctrl", {{1, ClickKind::CtrlOnly}, {0, ClickKind::CtrlOnly}}, {"10.1.0.30:80"}, {}},
        {"Ctrl, then plain", {{1, ClickKind::CtrlOnly}, {0, ClickKind::Plain}}, {"10.1.0.30:80"}, {}},
        {"Ctrl on an SDK recorder", {{0, ClickKind::Plain}, {2, ClickKind::CtrlOnly}}, {},
            {"10.1.0.32:8082 admin family0"}},
        {"Ctrl that takes the row out of the batch",
            {{0, ClickKind::Plain}, {1, ClickKind::CtrlOnly}, {2, ClickKind::CtrlOnly}, {1, ClickKind::CtrlOnly}},
            {"10.1.0.31:8081"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowState fresh;
        fresh.searchMode = 1;
        DeviceTable table(TableLayout::NewMode);
        for (DeviceRecord row : {listedDevice("10.1.0.30", "80", "300"), listedDevice("10.1.0.31", "8081", "1000"),
                 listedDevice("10.1.0.32", "8082", "600")})
            table.append(std::move(row));
        DeviceListInteraction list(view, table, fresh);
        services = FakeServices {};
        services.httpVerdict = AuthorityVerdict::Refused; // no upload: only who was asked matters
        UpgradeFlow upgrade(view, fresh, services, queue);
        for (const Click& click : c.clicks)
            list.click(click.row, click.kind);
        view.panel = {package, "admin", "secret"};
        upgrade.upgradePressed();
        EXPECT_EQ(services.httpChecks, c.httpChecks);
        EXPECT_EQ(services.sdkLogins, c.sdkLogins);
    }
}

// The check of an offline device takes seconds: it runs off the window's
// thread under the busy dialog, whose end is the check's own message.
TEST_F(UpgradeFlowTest, CredentialCheckRunsUnderTheBusyDialog)
{
    services.httpVerdict = AuthorityVerdict::Refused;
    view.onBusyDialog = [&] {
        // The window's loop meanwhile: the check's end arrives as a message.
        std::optional<WindowMessage> message = queue.take(std::chrono::seconds(30));
        if (!message || message->id != MessageId::UpgradeCheckDone)
            return -1;
        flow.credentialCheckDone(message->wParam);
        return view.busyEnds.empty() ? -1 : view.busyEnds.back();
    };
    flow.upgradePressed();
    EXPECT_EQ(view.busyPictures, std::vector {MainView::BusyPicture::Changing});
    EXPECT_EQ(view.busyEnds, std::vector {0});
    ASSERT_EQ(services.checkThreads.size(), 1u);
    EXPECT_NE(services.checkThreads[0], std::this_thread::get_id());
    EXPECT_EQ(lastMessage(), M::wrongPassword);
}

// Cancel gives the window back at once; the check ends on its own and its
// verdict, even an acceptance, starts nothing and closes no dialog.
TEST_F(UpgradeFlowTest, CancelDuringTheCheckReturnsAtOnceAndDropsTheLateVerdict)
{
    std::promise<void> device;
    services.holdCheck = device.get_future().share();
    view.onBusyDialog = [] { return 2; };
    std::future<void> press = std::async(std::launch::async, [&] { flow.upgradePressed(); });
    // A bound only for a broken build: the press must not wait for the check.
    const bool returned = press.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!returned)
        device.set_value(); // lets the press end, so the test can report
    ASSERT_TRUE(returned) << "the press waited for the device";
    press.get();
    EXPECT_TRUE(view.messages.empty()) << "the user cancelled: nothing to report";
    EXPECT_FALSE(state.upgradeBusy || state.upgradeRunning);
    EXPECT_FALSE(flow.lastSucceeded());
    EXPECT_EQ(flow.endings(), 1);

    device.set_value();
    std::optional<WindowMessage> late = queue.take(std::chrono::seconds(30));
    ASSERT_TRUE(late && late->id == MessageId::UpgradeCheckDone);
    flow.credentialCheckDone(late->wParam);
    EXPECT_TRUE(view.busyEnds.empty()) << "no dialog is up to end";
    EXPECT_FALSE(state.upgradeRunning) << "no upload after a cancelled check";
    EXPECT_EQ(flow.endings(), 1);
}

TEST_F(UpgradeFlowTest, SecondPressWhileRunningIsRefused)
{
    state.upgradeBusy = true;
    state.upgradeRunning = true;
    flow.upgradePressed();
    EXPECT_EQ(lastMessage(), M::upgrading);
    EXPECT_TRUE(state.upgradeBusy);
    EXPECT_TRUE(services.httpChecks.empty());
}

TEST_F(UpgradeFlowTest, BrowseKeepsTheLastLoadedValuesWhenCancelled)
{
    view.panel = {"", "admin", "typed"};
    flow.browseClicked();
    EXPECT_EQ(view.panel.password, "") << "the edits show the fields, not what was typed";
    view.chosenFile = "/tmp/new.package";
    flow.browseClicked();
    EXPECT_EQ(view.panel.path, "/tmp/new.package");
}

} // namespace
} // namespace lorvena
