#include "control/ConfigurationChange.h"

#include "control/ChangeRules.h"
#include "control/DeviceListInteraction.h"
#include "control/FakeMainView.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <set>
#include <thread>

namespace lorvena {
namespace {

using testing_support::FakeMainView;
namespace M = ChangeMessages;

constexpr std::uint32_t ip(int a, int b, int c, int d)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
        (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

// Records what would have gone to the devices.
class FakeServices final : public ChangeServices {
public:
    void sendOldModify(const ModifyValues& values) override { oldModifies.push_back(values); }
    void sendBasicModify(const ModifyValues& values) override
    {
        std::lock_guard lock(mutex);
        basicModifies.push_back(values);
    }
    ExchangeOutcome extendedExchange(const ModifyValues& values) override
    {
        if (duringExchange)
            duringExchange();
        std::lock_guard lock(mutex);
        exchanges.push_back(values);
        return exchangeOutcome;
    }
    AuthorityVerdict httpAuthorityCheck(const std::string& ipText, const std::string&, const std::string& token) override
    {
        if (duringExchange)
            duringExchange();
        std::lock_guard lock(mutex);
        httpChecks.push_back(ipText);
        lastToken = token;
        return httpVerdict;
    }
    void sdkLogin(const std::string& ipText, const std::string& port, const std::string& user,
        const std::string& password, bool family) override
    {
        sdkLoginFor(0, ipText, port, user, password, family);
    }
    void sdkLoginFor(std::uintptr_t session, const std::string& ipText, const std::string&, const std::string&,
        const std::string&, bool) override
    {
        std::lock_guard lock(mutex);
        sdkLogins.push_back(ipText);
        sdkSessions.push_back(session);
        if (onSdkLogin)
            onSdkLogin(session);
    }
    void sdkLogout() override {}
    bool onvifLogin(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        ++onvifLogins;
        return false;
    }

    std::atomic<int> onvifLogins {0};
    std::mutex mutex;
    std::vector<ModifyValues> oldModifies, basicModifies, exchanges;
    std::vector<std::string> httpChecks, sdkLogins;
    std::vector<std::uintptr_t> sdkSessions;
    std::string lastToken;
    ExchangeOutcome exchangeOutcome = ExchangeOutcome::Accepted;
    AuthorityVerdict httpVerdict = AuthorityVerdict::Accepted;
    std::function<void(std::uintptr_t session)> onSdkLogin;
    std::function<void()> duringExchange; // on the thread that talks to the device
};

class ConfigurationChangeTest : public testing::Test {
protected:
    // A device clicked in the new layout, with a sound form.
    void clickedDevice(const std::string& type, const std::string& kind = "IPCAMERA")
    {
        state.searchMode = 1;
        state.selectedRow = 0;
        state.selected.ipText = "10.1.0.20";
        state.selected.httpPortText = "80";
        state.selected.macText = "00:12:34:56:78:9A";
        state.selected.kindText = kind;
        state.selected.typeText = type;
        FormValues& f = view.form;
        f.originalIp = ip(10, 1, 0, 20);
        f.newIp = ip(10, 1, 0, 50);
        f.netMask = ip(255, 255, 0, 0);
        f.gateway = ip(10, 1, 0, 1);
        f.dnsServer = ip(8, 8, 8, 8);
        f.httpPortText = "80";
        f.rtspPortText = "554";
        f.mobilePortText = "1";
        f.userName = "admin";
        f.passwordText = "12345";
    }

    // The busy dialog of a batch stays up until the run's worker ends it.
    void dialogWaitsForTheRun()
    {
        view.onBusyDialog = [this] {
            for (;;) {
                {
                    std::lock_guard lock(view.guiMutex);
                    if (!view.busyEnds.empty())
                        return view.busyEnds.back();
                }
                std::this_thread::yield();
            }
        };
    }

    FakeMainView view;
    WindowState state;
    FakeServices services;
    MessageQueue queue;
    ConfigurationChange change {view, state, services, queue};
};

TEST_F(ConfigurationChangeTest, OldGenerationFillsAnEmptyGatewayAndSends)
{
    state.searchMode = 0;
    view.form.originalIp = ip(10, 1, 2, 9);
    view.form.newIp = ip(10, 1, 2, 3);
    view.form.gateway = 0;
    change.apply();
    ASSERT_EQ(services.oldModifies.size(), 1u);
    EXPECT_EQ(services.oldModifies[0].currentIpText, "10.1.2.9");
    EXPECT_EQ(services.oldModifies[0].gateway, ip(10, 1, 2, 1));
    EXPECT_EQ(view.form.gateway, ip(10, 1, 2, 1));
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
}

TEST_F(ConfigurationChangeTest, OldGenerationAsksAcrossSubnetsAndStopsOnCancel)
{
    state.searchMode = 0;
    view.form.newIp = ip(192, 168, 1, 20);
    view.form.gateway = ip(192, 168, 2, 1);
    view.form.netMask = ip(255, 255, 0, 0); // ignored by this rule
    view.answerOk = false;
    change.apply();
    EXPECT_EQ(view.questions, (std::vector<std::string> {std::string(M::subnetQuestion)}));
    EXPECT_TRUE(services.oldModifies.empty());
    EXPECT_TRUE(view.messages.empty());

    view.form.newIp = ip(192, 168, 1, 255);
    change.apply();
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badAddress)}));
    EXPECT_TRUE(services.oldModifies.empty());
}

// Old devices have no DHCP flag: a ticked hidden box must not send DHCP on
// with empty addresses. Their mask is checked before anything goes out.
TEST_F(ConfigurationChangeTest, OldGenerationSendsFixedAddressesAndChecksTheMask)
{
    state.searchMode = 0;
    view.form.originalIp = ip(10, 1, 2, 9);
    view.form.newIp = ip(10, 1, 2, 3);
    view.form.netMask = ip(255, 255, 255, 0);
    view.form.gateway = ip(10, 1, 2, 1);
    view.form.dhcpEnabled = true;
    change.apply();
    ASSERT_EQ(services.oldModifies.size(), 1u);
    EXPECT_TRUE(services.oldModifies[0].addressesIncluded);
    EXPECT_FALSE(services.oldModifies[0].dhcp);
    EXPECT_EQ(services.oldModifies[0].newIp, ip(10, 1, 2, 3));

    view.messages.clear();
    view.form.netMask = ip(255, 0, 255, 0);
    change.apply();
    EXPECT_EQ(services.oldModifies.size(), 1u);
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badMask)}));
}

// After a Ctrl+click, the old layout keeps "Start IP" where the IP field
// was, even after a plain click: the address the user types in the field
// shown is the one the device must get, never the hidden field's (the
// device's present address, which "moved" it nowhere while claiming success).
TEST_F(ConfigurationChangeTest, OldGenerationChangeTakesTheAddressFromTheFieldShown)
{
    state.searchMode = 0;
    DeviceTable table(TableLayout::OldMode);
    for (const char* address : {"10.1.2.9", "10.1.2.10"}) {
        DeviceRecord row;
        row.kind = "DVR";
        row.ip = address;
        row.mask = "255.255.255.0";
        row.mac = std::string("00:12:34:00:00:") + (address + 7);
        table.append(std::move(row));
    }
    DeviceListInteraction list(view, table, state);
    list.click(0, ClickKind::CtrlOnly);
    list.click(1, ClickKind::Plain);
    ASSERT_FALSE(state.batchMode);
    const bool startIpShown = view.visible[ControlId::StartIp];
    ASSERT_NE(startIpShown, view.visible[ControlId::NewIp]) << "one address field is shown";
    EXPECT_EQ(startIpShown ? view.form.startIp : view.form.newIp, ip(10, 1, 2, 10))
        << "the field shown holds the clicked device's address";
    (startIpShown ? view.form.startIp : view.form.newIp) = ip(10, 1, 2, 40); // typed by the user
    change.apply();
    ASSERT_EQ(services.oldModifies.size(), 1u);
    EXPECT_EQ(services.oldModifies[0].currentIpText, "10.1.2.10");
    EXPECT_EQ(services.oldModifies[0].newIp, ip(10, 1, 2, 40));
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
}

TEST_F(ConfigurationChangeTest, TheAdministratorAccountAndPasswordLength)
{
    clickedDevice("700");
    view.form.userName = "Admin";
    change.apply();
    EXPECT_EQ(view.messages.back(), M::success);
    EXPECT_EQ(state.form.userName, "admin");

    view.form.userName = "root";
    change.apply();
    EXPECT_EQ(view.messages.back(), M::notAdministrator);
    EXPECT_EQ(view.form.userName, "");
    EXPECT_EQ(view.focused.back(), ControlId::UserName);

    view.form.userName = "admin";
    view.form.passwordText = std::string(32, 'p');
    change.apply();
    EXPECT_EQ(view.messages.back(), M::passwordTooLong);
    EXPECT_EQ(view.form.passwordText, "");
    view.form.passwordText = std::string(31, 'p');
    change.apply();
    EXPECT_EQ(view.messages.back(), M::success);
}

TEST_F(ConfigurationChangeTest, ExtendedOutcomesAndTheirMessages)
{
    struct Case {
        ExchangeOutcome outcome;
        std::string_view message; // empty: none
    } cases[] = {
        {ExchangeOutcome::Accepted, M::success},
        {ExchangeOutcome::WrongPassword, M::wrongPassword},
        {ExchangeOutcome::Timeout, M::replyTimeout},
        {ExchangeOutcome::ReceiveError, M::receiveError},
        {ExchangeOutcome::Refused, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.message));
        view.messages.clear();
        clickedDevice("610");
        services.exchangeOutcome = c.outcome;
        change.apply();
        EXPECT_EQ(view.messages.empty() ? "" : view.messages.back(), c.message);
    }
    const ModifyValues& sent = services.exchanges.back();
    EXPECT_EQ(sent.currentIpText, "10.1.0.20");
    EXPECT_EQ(sent.macText, "00:12:34:56:78:9A");
    EXPECT_EQ(sent.newIp, ip(10, 1, 0, 50));
    EXPECT_EQ(sent.httpPort, 80);
    EXPECT_EQ(sent.password, "12345");
}

TEST_F(ConfigurationChangeTest, PathByTypeCode)
{
    struct Case {
        const char* type;
        bool extended;
        bool sdkFirst;
    } cases[] = {{"499", false, false}, {"500", true, false}, {"899", true, false}, {"1000", true, false},
        {"1001", false, true}, {"0", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        services.exchanges.clear();
        services.sdkLogins.clear();
        services.httpChecks.clear();
        clickedDevice(c.type);
        change.apply();
        EXPECT_EQ(services.exchanges.size(), c.extended ? 1u : 0u);
        EXPECT_EQ(services.sdkLogins.size(), c.sdkFirst ? 1u : 0u);
        EXPECT_EQ(services.httpChecks.size(), !c.extended && !c.sdkFirst ? 1u : 0u);
    }
}

// A device that takes its time (or never answers) must not freeze the
// window: the check and the exchange run off the window's thread while the
// busy dialog is up, and their end closes it.
TEST_F(ConfigurationChangeTest, ExchangesWithTheDeviceRunWhileTheBusyDialogIsUp)
{
    for (const char* type : {"300", "610"}) { // the credential check, the extended exchange
        SCOPED_TRACE(type);
        clickedDevice(type);
        view.busyPictures.clear();
        view.busyEnds.clear();
        view.messages.clear();
        const std::thread::id windowThread = std::this_thread::get_id();
        std::atomic<bool> offTheWindowThread {false};
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        services.duringExchange = [&] {
            offTheWindowThread = std::this_thread::get_id() != windowThread;
            released.wait();
        };
        // The dialog plays the window: it lets the exchange end, then keeps
        // handling messages until one ends the dialog.
        view.onBusyDialog = [&] {
            release.set_value();
            for (;;) {
                if (std::optional<WindowMessage> message = queue.tryTake()) {
                    EXPECT_EQ(message->id, MessageId::DeviceExchangeDone);
                    change.exchangeDone(message->wParam);
                    if (!view.busyEnds.empty())
                        return view.busyEnds.back();
                }
                std::this_thread::yield();
            }
        };
        change.apply();
        EXPECT_TRUE(offTheWindowThread);
        EXPECT_EQ(view.busyPictures, (std::vector<MainView::BusyPicture> {MainView::BusyPicture::Changing}));
        EXPECT_EQ(view.busyEnds, (std::vector<int> {0}));
        EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
    }
}

// Cancel gives the window back while the device still keeps the exchange
// busy: the window never waits for it. Its late end closes no later dialog,
// and its result is dropped.
TEST_F(ConfigurationChangeTest, CancelReturnsAtOnceAndTheLateEndIsDropped)
{
    for (const char* type : {"300", "610"}) { // the credential check, the extended exchange
        SCOPED_TRACE(type);
        clickedDevice(type);
        view.messages.clear();
        view.busyEnds.clear();
        services.basicModifies.clear();
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        services.duringExchange = [released] { released.wait(); };
        view.onBusyDialog = [] { return 2; }; // Cancel at once
        change.apply(); // returns although the exchange has not ended
        release.set_value();
        std::optional<WindowMessage> late = queue.take(std::chrono::seconds(20));
        ASSERT_TRUE(late.has_value());
        change.exchangeDone(late->wParam);
        EXPECT_TRUE(view.busyEnds.empty());
        EXPECT_TRUE(view.messages.empty());
        EXPECT_TRUE(services.basicModifies.empty()) << "nothing is sent after a cancelled check";
    }
    services.duringExchange = nullptr;
}

// An exchange left running by Cancel is waited for when the change goes
// away: it uses services that go away after it.
TEST_F(ConfigurationChangeTest, ShutdownWaitsForAnExchangeLeftByCancel)
{
    clickedDevice("610");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> exchangeEnded {false};
    services.duringExchange = [&] {
        released.wait();
        exchangeEnded = true;
    };
    view.onBusyDialog = [] { return 2; };
    {
        ConfigurationChange own {view, state, services, queue};
        own.apply();
        EXPECT_FALSE(exchangeEnded);
        std::thread releaser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            release.set_value();
        });
        own.shutdown();
        EXPECT_TRUE(exchangeEnded) << "shutdown returned before the exchange ended";
        releaser.join();
    }
    services.duringExchange = nullptr;
}

TEST_F(ConfigurationChangeTest, BasicChangeAfterTheWebServerCheck)
{
    clickedDevice("300");
    change.apply();
    EXPECT_EQ(services.lastToken, "YWRtaW46MTIzNDU="); // admin:12345
    ASSERT_EQ(services.basicModifies.size(), 1u);
    EXPECT_EQ(services.basicModifies[0].currentIpText, "10.1.0.20");
    EXPECT_EQ(view.messages.back(), M::success);
}

TEST_F(ConfigurationChangeTest, RefusedCheckTriesTheSdkWhoseAnswerMayChangeTheDeviceLater)
{
    clickedDevice("300");
    services.httpVerdict = AuthorityVerdict::Refused;
    change.apply();
    EXPECT_EQ(view.messages.back(), M::wrongPassword);
    EXPECT_EQ(services.sdkLogins.size(), 1u);
    EXPECT_TRUE(services.basicModifies.empty());
    EXPECT_TRUE(change.answerPending());

    change.loginAnswered(true, change.loginSession());
    EXPECT_FALSE(change.answerPending());
    EXPECT_EQ(services.basicModifies.size(), 1u);
    EXPECT_EQ(view.messages.back(), M::success);
}

// A device whose web server never answered is not one that refused the
// password. The SDK is still tried; its refusal then adds no wrong-password
// claim for a device that never answered the check.
TEST_F(ConfigurationChangeTest, UnansweredCheckSaysNoConnectionNotWrongPassword)
{
    struct Case {
        AuthorityVerdict verdict;
        std::string_view first;
        std::vector<std::string> afterSdkRefusal;
    } cases[] = {
        {AuthorityVerdict::Refused, M::wrongPassword, {std::string(M::wrongPassword), std::string(M::wrongPassword)}},
        {AuthorityVerdict::Unreachable, M::noConnection, {std::string(M::noConnection)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first));
        view.messages.clear();
        services.sdkLogins.clear();
        clickedDevice("300");
        services.httpVerdict = c.verdict;
        change.apply();
        EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(c.first)}));
        EXPECT_EQ(services.sdkLogins.size(), 1u);
        change.loginAnswered(false, change.loginSession());
        EXPECT_EQ(view.messages, c.afterSdkRefusal);
        EXPECT_TRUE(services.basicModifies.empty());
    }
    // The SDK may still reach a device the web check could not.
    clickedDevice("300");
    change.apply();
    change.loginAnswered(true, change.loginSession());
    EXPECT_EQ(services.basicModifies.size(), 1u);
    EXPECT_EQ(view.messages.back(), M::success);
}

TEST_F(ConfigurationChangeTest, SdkRefusalSaysWrongPassword)
{
    clickedDevice("1001");
    change.apply();
    EXPECT_TRUE(view.messages.empty());
    change.loginAnswered(false, change.loginSession());
    EXPECT_EQ(view.messages.back(), M::wrongPassword);
    EXPECT_TRUE(services.basicModifies.empty());
}

// An earlier login's answer (a change the user gave up on and started
// again) must not continue the later one.
TEST_F(ConfigurationChangeTest, OnlyTheLastLoginsAnswerContinuesTheChange)
{
    clickedDevice("1001");
    change.apply();
    clickedDevice("1001");
    change.apply();
    ASSERT_EQ(services.sdkSessions.size(), 2u);
    EXPECT_NE(services.sdkSessions[0], services.sdkSessions[1]);
    change.loginAnswered(true, services.sdkSessions[0]);
    EXPECT_TRUE(services.basicModifies.empty());
    EXPECT_TRUE(change.answerPending());
    change.loginAnswered(false, services.sdkSessions[1]);
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::wrongPassword)}));
    EXPECT_TRUE(services.basicModifies.empty());
}

// A login answer continues only the change that started it: once the user
// has gone on to another change, a late answer must not act on the form or
// the device now shown.
TEST_F(ConfigurationChangeTest, ALoginAnswerAfterAnotherChangeActsOnNothing)
{
    clickedDevice("300");
    services.httpVerdict = AuthorityVerdict::Refused;
    change.apply(); // "Błąd hasła!", the SDK login goes on
    ASSERT_EQ(services.sdkSessions.size(), 1u);
    const std::uintptr_t first = services.sdkSessions[0];

    clickedDevice("610"); // another device, changed by the extended exchange
    state.selected.ipText = "10.1.0.99";
    change.apply();
    ASSERT_EQ(services.exchanges.size(), 1u);
    change.loginAnswered(true, first);
    EXPECT_TRUE(services.basicModifies.empty()) << "the late answer changed the device shown now";
}

// The Modify tab is refused while a device upgrades; a change login still
// pending when an upgrade started must not change a device mid-upgrade
// either.
TEST_F(ConfigurationChangeTest, ALoginAnswerDuringAnUpgradeChangesNothing)
{
    clickedDevice("1001");
    change.apply();
    ASSERT_EQ(services.sdkSessions.size(), 1u);
    state.upgradeBusy = true; // the Upgrade tab started an upload meanwhile
    state.upgradeRunning = true;
    change.loginAnswered(true, services.sdkSessions[0]);
    EXPECT_TRUE(services.basicModifies.empty()) << "a modify request went to a device being upgraded";
    EXPECT_FALSE(change.answerPending());
}

// The vendor SDK could not reach the device its change logged in to: that
// is said as no connection, once (after an unanswered web check it was said
// already), and nothing waits for an answer any more.
TEST_F(ConfigurationChangeTest, AnSdkLoginThatCannotConnectIsNoConnection)
{
    clickedDevice("1001");
    change.apply();
    ASSERT_TRUE(change.answerPending());
    change.loginAbandoned();
    EXPECT_FALSE(change.answerPending());
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::noConnection)}));

    view.messages.clear();
    clickedDevice("300");
    services.httpVerdict = AuthorityVerdict::Unreachable;
    change.apply();
    change.loginAbandoned();
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::noConnection)}));
}

TEST_F(ConfigurationChangeTest, DhcpLeavesTheAddressFieldsOut)
{
    clickedDevice("300");
    view.form.dhcpEnabled = true;
    change.apply();
    ASSERT_EQ(services.basicModifies.size(), 1u);
    EXPECT_FALSE(services.basicModifies[0].addressesIncluded);
    EXPECT_TRUE(services.basicModifies[0].dhcp);
}

BatchEntry entry(const std::string& address, std::int32_t type, int dhcp = 0)
{
    BatchEntry e;
    e.ip = address;
    e.mac = "00:12:34:00:00:" + address.substr(address.rfind('.') + 1);
    e.kind = "IPCAMERA";
    e.typeCode = type;
    e.httpPort = 80;
    e.dhcp = dhcp;
    return e;
}

// An address text that is no address one device can have (a reply's name,
// read as 0.0.0.0; multicast) gets "Błędny adres IP", and no credentials, no
// login and no request go anywhere: single changes of every path and
// batches alike.
TEST_F(ConfigurationChangeTest, CredentialsGoOnlyToAnAddressOneDeviceCanHave)
{
    for (const char* type : {"300", "1001", "610", "950"}) {
        SCOPED_TRACE(type);
        for (std::uint32_t listed : {ip(0, 0, 0, 0), ip(239, 1, 2, 3)}) {
            clickedDevice(type);
            view.form.originalIp = listed;
            view.messages.clear();
            change.apply();
            EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badAddress)}));
        }
    }
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    state.batchEntries = {entry("EVIL.EXAMPLE.CO", 300), entry("239.1.2.3", 610)};
    view.messages.clear();
    change.apply();
    change.waitForBatch();
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badAddress), std::string(M::badAddress),
                                 std::string(M::nothingChanged)}));
    EXPECT_TRUE(services.httpChecks.empty());
    EXPECT_TRUE(services.sdkLogins.empty());
    EXPECT_TRUE(services.exchanges.empty());
    EXPECT_TRUE(services.basicModifies.empty());
    EXPECT_EQ(services.onvifLogins, 0);
}

TEST_F(ConfigurationChangeTest, BatchGivesConsecutiveAddressesByEachEntrysPath)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(192, 168, 1, 254);
    view.form.netMask = ip(255, 255, 0, 0);
    view.form.gateway = ip(192, 168, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.0.0.2", 1, 1), entry("10.0.0.3", 300),
        entry("10.0.0.4", 700)};
    dialogWaitsForTheRun();
    change.apply();
    change.waitForBatch();

    // The DHCP device is skipped. The first device gets .254; the next
    // address, .255, is no host address, so the devices after it are refused.
    ASSERT_EQ(services.exchanges.size(), 1u);
    EXPECT_EQ(services.exchanges[0].currentIpText, "10.0.0.1");
    EXPECT_EQ(services.exchanges[0].macText, "00:12:34:00:00:1");
    EXPECT_EQ(services.exchanges[0].newIp, ip(192, 168, 1, 254));
    ASSERT_TRUE(services.basicModifies.empty());
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badAddress), std::string(M::badAddress)}));
    auto report = change.lastBatchReport();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[0].outcome, DeviceOutcome::Changed);
    EXPECT_EQ(report[1].outcome, DeviceOutcome::Skipped);
    EXPECT_EQ(report[2].outcome, DeviceOutcome::Refused);
    EXPECT_EQ(view.busyPictures, (std::vector<MainView::BusyPicture> {MainView::BusyPicture::Changing}));
    EXPECT_EQ(view.busyEnds, (std::vector<int> {0}));
}

TEST_F(ConfigurationChangeTest, BatchOfMixedPathsEndsWithSuccess)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    view.form.gateway = ip(10, 2, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.0.0.3", 300), entry("10.0.0.4", 1001)};
    services.onSdkLogin = [this](std::uintptr_t session) {
        std::thread([this, session] { change.loginAnswered(true, session); }).detach();
    };
    change.apply();
    change.waitForBatch();
    ASSERT_EQ(services.exchanges.size(), 1u);
    EXPECT_EQ(services.exchanges[0].newIp, ip(10, 2, 0, 10));
    ASSERT_EQ(services.basicModifies.size(), 2u);
    EXPECT_EQ(services.basicModifies[0].currentIpText, "10.0.0.3");
    EXPECT_EQ(services.basicModifies[0].newIp, ip(10, 2, 0, 11));
    EXPECT_EQ(services.basicModifies[1].currentIpText, "10.0.0.4");
    EXPECT_EQ(services.basicModifies[1].newIp, ip(10, 2, 0, 12));
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
}

// An old-generation batch changes each device as a single old change does:
// the old request to start IP + offset, one per device in click order, no
// credential check (old devices answer none).
TEST_F(ConfigurationChangeTest, OldGenerationBatchSendsTheOldRequestPerDevice)
{
    state.searchMode = 0;
    state.batchMode = true;
    view.form.startIp = ip(10, 1, 3, 10);
    view.form.netMask = ip(255, 255, 255, 0);
    view.form.gateway = 0;
    view.form.passwordText = "";
    // Old rows give type 0 and, from an old reading of the empty cell, DHCP on.
    state.batchEntries = {entry("10.1.2.7", 0, 1), entry("10.1.2.5", 0), entry("10.1.2.6", 0)};
    change.apply();
    change.waitForBatch();
    EXPECT_TRUE(services.httpChecks.empty());
    EXPECT_TRUE(services.sdkLogins.empty());
    EXPECT_TRUE(services.basicModifies.empty());
    ASSERT_EQ(services.oldModifies.size(), 3u);
    const char* order[] = {"10.1.2.7", "10.1.2.5", "10.1.2.6"};
    for (std::size_t i = 0; i < 3; ++i) {
        const ModifyValues& sent = services.oldModifies[i];
        EXPECT_EQ(sent.currentIpText, order[i]);
        EXPECT_EQ(sent.newIp, ip(10, 1, 3, 10 + static_cast<int>(i)));
        EXPECT_EQ(sent.gateway, ip(10, 1, 3, 1));
        EXPECT_TRUE(sent.addressesIncluded);
        EXPECT_FALSE(sent.dhcp);
    }
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));

    // A broken mask stops every device before anything is sent.
    services.oldModifies.clear();
    view.messages.clear();
    view.form.netMask = ip(255, 0, 255, 0);
    change.apply();
    change.waitForBatch();
    EXPECT_TRUE(services.oldModifies.empty());
}

// A batch that sent nothing must not end as a success.
TEST_F(ConfigurationChangeTest, BatchThatChangedNothingSaysSo)
{
    struct Case {
        const char* name;
        std::vector<BatchEntry> entries;
        AuthorityVerdict verdict;
        std::vector<std::string> messages;
    } cases[] = {
        {"every device on DHCP", {entry("10.0.0.1", 300, 1), entry("10.0.0.2", 300, 1)}, AuthorityVerdict::Accepted,
            {std::string(M::nothingChanged)}},
        {"no device", {}, AuthorityVerdict::Accepted, {std::string(M::nothingChanged)}},
        {"every check refused", {entry("10.0.0.3", 300)}, AuthorityVerdict::Refused,
            {std::string(M::wrongPassword), std::string(M::nothingChanged)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.messages.clear();
        clickedDevice("300");
        state.batchMode = true;
        view.form.startIp = ip(10, 1, 0, 100);
        state.batchEntries = c.entries;
        services.httpVerdict = c.verdict;
        change.apply();
        change.waitForBatch();
        EXPECT_TRUE(services.basicModifies.empty());
        EXPECT_EQ(view.messages, c.messages);
    }
}

// A library that lost the device ends the batch's wait for its login at
// once: the run does not sit out the whole wait for an answer that cannot come.
TEST_F(ConfigurationChangeTest, ALostSdkConnectionEndsTheBatchsWait)
{
    change.setLoginWait(std::chrono::hours(1));
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 1, 0, 100);
    state.batchEntries = {entry("10.0.0.4", 1001)};
    services.onSdkLogin = [this](std::uintptr_t) { std::thread([this] { change.loginAbandoned(); }).detach(); };
    change.apply();
    change.waitForBatch();
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::noConnection), std::string(M::nothingChanged)}));
    services.onSdkLogin = nullptr;
}

// A batch's login answered after the run stopped waiting for it continues
// nothing: neither the batch's device nor a change of the row last clicked,
// whose form holds no settings for it.
TEST_F(ConfigurationChangeTest, ABatchLoginAnsweredLateChangesNothing)
{
    change.setLoginWait(std::chrono::milliseconds(1)); // the SDK answers only after the run
    for (bool accepted : {true, false}) {
        SCOPED_TRACE(accepted);
        clickedDevice("300");
        state.batchMode = true;
        view.form.startIp = ip(10, 1, 0, 100);
        state.batchEntries = {entry("10.0.0.4", 1001)};
        services.sdkSessions.clear();
        services.basicModifies.clear();
        change.apply();
        change.waitForBatch();
        ASSERT_EQ(services.sdkSessions.size(), 1u);
        view.messages.clear();
        change.loginAnswered(accepted, services.sdkSessions[0]);
        EXPECT_TRUE(services.basicModifies.empty()) << "a late batch answer sent a modify request";
        EXPECT_TRUE(view.messages.empty());
    }
}

// In a batch too: no answer is no connection, a refusal a wrong password.
TEST_F(ConfigurationChangeTest, BatchEntriesTellNoConnectionFromWrongPassword)
{
    change.setLoginWait(std::chrono::milliseconds(1)); // the SDK never answers here
    struct Case {
        std::int32_t type;
        AuthorityVerdict verdict;
        std::string_view message;
    } cases[] = {
        {300, AuthorityVerdict::Unreachable, M::noConnection},
        {300, AuthorityVerdict::Refused, M::wrongPassword},
        {1001, AuthorityVerdict::Accepted, M::noConnection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        view.messages.clear();
        clickedDevice("300");
        state.batchMode = true;
        view.form.startIp = ip(10, 1, 0, 100);
        state.batchEntries = {entry("10.0.0.3", c.type)};
        services.onSdkLogin = nullptr;
        services.httpVerdict = c.verdict;
        change.apply();
        change.waitForBatch();
        EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(c.message), std::string(M::nothingChanged)}));
    }
}

TEST_F(ConfigurationChangeTest, BatchStartAddressMustBeAHostAddress)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(192, 168, 1, 255);
    state.batchEntries = {entry("10.0.0.1", 610)};
    change.apply();
    change.waitForBatch();
    EXPECT_TRUE(services.exchanges.empty());
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badAddress)}));
}

// Each single change records what became of the selected device, with its
// MAC and its present and new address, at whatever point it ended: what the
// console's exit status rests on.
TEST_F(ConfigurationChangeTest, ASingleChangeRecordsWhatBecameOfTheDevice)
{
    const std::function<void()> cancelAtOnce = [this] {
        while (queue.tryTake()) {
        } // the ends of the exchanges before
        view.onBusyDialog = [] { return 2; };
    };
    // The exchange a Cancel left running has ended before the next case
    // arranges the services it reads.
    const std::function<void()> exchangeEnded = [this] {
        EXPECT_TRUE(queue.take(std::chrono::seconds(20)).has_value());
    };
    struct Case {
        const char* what;
        const char* type;
        std::function<void()> arrange;
        std::function<void()> after; // once apply() has returned
        DeviceOutcome outcome;
    } cases[] = {
        {"basic, sent", "300", {}, {}, DeviceOutcome::Changed},
        {"old generation, sent", "0", [this] { state.searchMode = 0; }, {}, DeviceOutcome::Changed},
        {"extended, accepted", "610", {}, {}, DeviceOutcome::Changed},
        {"extended, wrong password", "610", [this] { services.exchangeOutcome = ExchangeOutcome::WrongPassword; }, {},
            DeviceOutcome::Refused},
        {"extended, no answer", "610", [this] { services.exchangeOutcome = ExchangeOutcome::Timeout; }, {},
            DeviceOutcome::Unreachable},
        {"extended, cancelled with the request out", "610", cancelAtOnce, exchangeEnded, DeviceOutcome::NotConfirmed},
        {"basic, check cancelled before anything was sent", "300", cancelAtOnce, exchangeEnded,
            DeviceOutcome::Skipped},
        {"basic, password refused", "300", [this] { services.httpVerdict = AuthorityVerdict::Refused; }, {},
            DeviceOutcome::Refused},
        {"basic, check unanswered, SDK refused too", "300",
            [this] { services.httpVerdict = AuthorityVerdict::Unreachable; },
            [this] { change.loginAnswered(false, change.loginSession()); }, DeviceOutcome::Unreachable},
        {"basic, password refused, SDK accepted", "300", [this] { services.httpVerdict = AuthorityVerdict::Refused; },
            [this] { change.loginAnswered(true, change.loginSession()); }, DeviceOutcome::Changed},
        {"SDK login not answered yet", "1001", {}, {}, DeviceOutcome::Unreachable},
        {"SDK login lost the device", "1001", {}, [this] { change.loginAbandoned(); }, DeviceOutcome::Unreachable},
        {"SDK login refused", "1001", {}, [this] { change.loginAnswered(false, change.loginSession()); },
            DeviceOutcome::Refused},
        {"broken mask", "300", [this] { view.form.netMask = ip(255, 0, 255, 0); }, {}, DeviceOutcome::Refused},
        {"subnet question declined", "300",
            [this] {
                view.form.gateway = ip(10, 9, 0, 1);
                view.answerOk = false;
            },
            {}, DeviceOutcome::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clickedDevice(c.type);
        services.exchangeOutcome = ExchangeOutcome::Accepted;
        services.httpVerdict = AuthorityVerdict::Accepted;
        view.answerOk = true;
        view.onBusyDialog = nullptr;
        if (c.arrange)
            c.arrange();
        change.apply();
        if (c.after)
            c.after();
        ASSERT_TRUE(change.lastOutcome().has_value());
        EXPECT_EQ(*change.lastOutcome(),
            (DeviceChangeOutcome {"00:12:34:56:78:9A", "10.1.0.20", ip(10, 1, 0, 50), c.outcome}));
    }
    view.onBusyDialog = nullptr;
}

// A batch records each device in run order, with its MAC, its listed address
// and the address it was to get, and why it was not changed.
TEST_F(ConfigurationChangeTest, ABatchRecordsWhatBecameOfEachDevice)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    view.form.gateway = ip(10, 2, 0, 1);
    services.exchangeOutcome = ExchangeOutcome::Timeout;
    services.httpVerdict = AuthorityVerdict::Refused;
    services.onSdkLogin = [this](std::uintptr_t session) {
        std::thread([this, session] { change.loginAnswered(true, session); }).detach();
    };
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.0.0.2", 300, 1), entry("10.0.0.3", 300),
        entry("10.0.0.4", 1001)};
    EXPECT_FALSE(change.lastOutcome().has_value()) << "no single change was tried";
    change.apply();
    change.waitForBatch();
    services.onSdkLogin = nullptr;
    // Neither refused device took the first address: the SDK device gets it.
    EXPECT_EQ(change.lastBatchReport(),
        (std::vector<DeviceChangeOutcome> {
            {"00:12:34:00:00:1", "10.0.0.1", ip(10, 2, 0, 10), DeviceOutcome::Unreachable},
            {"00:12:34:00:00:2", "10.0.0.2", 0, DeviceOutcome::Skipped},
            {"00:12:34:00:00:3", "10.0.0.3", ip(10, 2, 0, 10), DeviceOutcome::Refused},
            {"00:12:34:00:00:4", "10.0.0.4", ip(10, 2, 0, 10), DeviceOutcome::Changed},
        }));
    EXPECT_FALSE(change.lastOutcome().has_value()) << "a batch is no single change";
}

// What "Zmiana IP" handed over to be looked for on the wire.
class RecordedVerification final : public ChangeVerification {
public:
    void changeReported(const ChangeExpectation& expected) override
    {
        std::lock_guard lock(mutex);
        handed.push_back(expected);
    }
    std::mutex mutex;
    std::vector<ChangeExpectation> handed;
};

// Each device reported changed is handed over once, as it was listed and
// where it should now answer; a change that did not happen hands nothing.
TEST_F(ConfigurationChangeTest, EveryReportedChangeIsHandedOverToBeVerified)
{
    RecordedVerification recorded;
    change.setVerification(&recorded);
    struct Case {
        const char* what;
        int searchMode;
        const char* type;
        ExchangeOutcome exchange;
        AuthorityVerdict verdict;
        bool dhcp;
        std::optional<VerifyGeneration> handed; // nothing: no hand-over
    } cases[] = {
        {"old generation (no DHCP flag there)", 0, "0", ExchangeOutcome::Accepted, AuthorityVerdict::Accepted, true,
            VerifyGeneration::Old},
        {"basic", 1, "300", ExchangeOutcome::Accepted, AuthorityVerdict::Accepted, false, VerifyGeneration::Basic},
        {"basic, DHCP on", 1, "300", ExchangeOutcome::Accepted, AuthorityVerdict::Accepted, true,
            VerifyGeneration::Basic},
        {"basic, password refused", 1, "300", ExchangeOutcome::Accepted, AuthorityVerdict::Refused, false, {}},
        {"extended, accepted", 1, "610", ExchangeOutcome::Accepted, AuthorityVerdict::Accepted, false,
            VerifyGeneration::Extended},
        {"extended, wrong password", 1, "610", ExchangeOutcome::WrongPassword, AuthorityVerdict::Accepted, false, {}},
        {"extended, no answer", 1, "610", ExchangeOutcome::Timeout, AuthorityVerdict::Accepted, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorded.handed.clear();
        clickedDevice(c.type);
        state.searchMode = c.searchMode;
        view.form.dhcpEnabled = c.dhcp;
        services.exchangeOutcome = c.exchange;
        services.httpVerdict = c.verdict;
        change.apply();
        if (!c.handed) {
            EXPECT_TRUE(recorded.handed.empty());
            continue;
        }
        ASSERT_EQ(recorded.handed.size(), 1u);
        const ChangeExpectation& e = recorded.handed[0];
        EXPECT_EQ(e.generation, *c.handed);
        EXPECT_EQ(e.identity, "00:12:34:56:78:9A");
        EXPECT_EQ(e.listedMac, "00:12:34:56:78:9A");
        EXPECT_EQ(e.formerIp, "10.1.0.20");
        EXPECT_EQ(e.expectedIp, ip(10, 1, 0, 50));
        EXPECT_EQ(e.dhcp, c.dhcp && c.searchMode != 0);
    }
}

// A batch hands each changed device over as it is done, with its row and
// its consecutive address; a device that failed or was skipped is not.
TEST_F(ConfigurationChangeTest, ABatchHandsOverEachChangedDeviceInTurn)
{
    RecordedVerification recorded;
    change.setVerification(&recorded);
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    view.form.gateway = ip(10, 2, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.0.0.2", 300, 1), entry("10.0.0.3", 300),
        entry("10.0.0.4", 1001)};
    for (std::size_t i = 0; i < state.batchEntries.size(); ++i)
        state.batchEntries[i].rowId = 100 + i;
    // The SDK refuses the last device.
    services.onSdkLogin = [this](std::uintptr_t session) {
        std::thread([this, session] { change.loginAnswered(false, session); }).detach();
    };
    change.apply();
    change.waitForBatch();

    std::lock_guard lock(recorded.mutex);
    ASSERT_EQ(recorded.handed.size(), 2u);
    EXPECT_EQ(recorded.handed[0].generation, VerifyGeneration::Extended);
    EXPECT_EQ(recorded.handed[0].formerIp, "10.0.0.1");
    EXPECT_EQ(recorded.handed[0].identity, "00:12:34:00:00:1");
    EXPECT_EQ(recorded.handed[0].expectedIp, ip(10, 2, 0, 10));
    EXPECT_EQ(recorded.handed[0].rowId, 100u);
    EXPECT_EQ(recorded.handed[1].generation, VerifyGeneration::Basic);
    EXPECT_EQ(recorded.handed[1].formerIp, "10.0.0.3");
    EXPECT_EQ(recorded.handed[1].expectedIp, ip(10, 2, 0, 11));
    EXPECT_EQ(recorded.handed[1].rowId, 102u);
    EXPECT_FALSE(recorded.handed[1].dhcp);
}

// Cancel in a batch's dialog gives the window back at once; the worker ends
// the device it is changing and starts no other. A new "Zmiana IP" meanwhile
// does not wait for it.
TEST_F(ConfigurationChangeTest, BatchCancelReturnsAtOnceAndStopsBeforeTheNextDevice)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 1, 0, 100);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.0.0.2", 610)};
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> exchanges {0};
    services.duringExchange = [&] {
        if (exchanges++ == 0)
            started.set_value();
        released.wait();
    };
    std::future<void> first = started.get_future();
    view.onBusyDialog = [&] {
        first.wait();
        return 2; // Cancel while the first device's exchange is under way
    };
    change.apply();
    change.apply(); // the worker is still busy: neither waits for it nor starts anew
    release.set_value();
    change.waitForBatch();
    EXPECT_EQ(exchanges, 1);
    EXPECT_EQ(services.exchanges.size(), 1u);
    EXPECT_EQ(view.busyPictures.size(), 1u);
    EXPECT_TRUE(view.busyEnds.empty()) << "the run's end closes no dialog after Cancel";
    services.duringExchange = nullptr;
}

} // namespace
} // namespace lorvena

namespace lorvena {
namespace {

// Scripted echoes: an address answers when the test says so.
class FakePing final : public AddressPing {
public:
    EchoResult ping(const std::string& ip, std::chrono::milliseconds) override
    {
        std::lock_guard lock(mutex);
        pinged.push_back(ip);
        if (!canPing)
            return EchoResult::NoSocket;
        return answering.contains(ip) ? EchoResult::Answered : EchoResult::Silent;
    }

    std::mutex mutex;
    std::set<std::string> answering;
    bool canPing = true;
    std::vector<std::string> pinged;
};

class AddressInUseTest : public ConfigurationChangeTest {
protected:
    void SetUp() override { change.setAddressCheck(&table, &ping, std::chrono::milliseconds(0)); }

    void list(const std::string& address, const std::string& mac, const std::string& name = "Kamera")
    {
        DeviceRecord record;
        record.ip = address;
        record.mac = mac;
        record.name = name;
        table.append(record);
    }

    std::size_t requestsSent()
    {
        return services.oldModifies.size() + services.basicModifies.size() + services.exchanges.size();
    }

    DeviceTable table {TableLayout::NewMode};
    FakePing ping;
};

// Before any path sends a new fixed address, an address another device
// holds (listed with another MAC, or answering an echo) is asked about;
// Cancel sends nothing. The device's own address, and a change to DHCP,
// look nothing up.
TEST_F(AddressInUseTest, AnAddressAnotherDeviceHoldsIsAskedAboutFirst)
{
    struct Case {
        const char* name;
        int searchMode;
        const char* type;
        const char* listedMac; // at 10.1.0.50, or nullptr
        bool answersPing;
        std::uint32_t newIp;
        bool dhcp;
        bool answer;
        bool asked;
        bool sent;
    };
    const std::uint32_t target = ip(10, 1, 0, 50), own = ip(10, 1, 0, 20);
    const Case cases[] = {
        {"listed other device, cancel: basic", 1, "300", "00:AA:00:00:00:01", false, target, false, false, true, false},
        {"listed other device, cancel: extended", 1, "610", "00:AA:00:00:00:01", false, target, false, false, true,
            false},
        {"listed other device, cancel: old", 0, "300", "00:AA:00:00:00:01", false, target, false, false, true, false},
        {"listed other device, OK sends", 1, "610", "00:AA:00:00:00:01", false, target, false, true, true, true},
        {"the same device spelt otherwise", 1, "300", "00-12-34-56-78-9a", false, target, false, false, false, true},
        {"a host answering, not listed", 1, "300", nullptr, true, target, false, false, true, false},
        {"nobody there", 1, "610", nullptr, false, target, false, false, false, true},
        {"its own address", 1, "300", "00:AA:00:00:00:01", true, own, false, false, false, true},
        {"DHCP on", 1, "300", "00:AA:00:00:00:01", true, target, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.reset();
        services.oldModifies.clear();
        services.basicModifies.clear();
        services.exchanges.clear();
        table.clear();
        ping.answering.clear();
        clickedDevice(c.type);
        state.searchMode = c.searchMode;
        view.form.newIp = c.newIp;
        view.form.dhcpEnabled = c.dhcp;
        view.answerOk = c.answer;
        if (c.listedMac)
            list("10.1.0.50", c.listedMac);
        if (c.answersPing)
            ping.answering.insert("10.1.0.50");
        change.apply();
        const std::string question = "Adres IP 10.1.0.50 jest już używany. Czy na pewno wprowadzić zmianę?";
        const bool asked = std::find(view.questions.begin(), view.questions.end(), question) != view.questions.end();
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(requestsSent() > 0, c.sent);
    }
}

// Without an ICMP socket the echo is skipped with a note, and the change
// goes on by what the list shows.
TEST_F(AddressInUseTest, NoIcmpSocketIsNotedAndTheChangeGoesOn)
{
    ping.canPing = false;
    clickedDevice("300");
    change.apply();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(services.basicModifies.size(), 1u);
    ASSERT_EQ(view.notes.size(), 1u);
    EXPECT_NE(view.notes[0].find("10.1.0.50"), std::string::npos);
}

// A batch passes over every address another device holds (a listed one,
// a device of the batch itself still at its old address, a host answering
// an echo), numbers on from the next free one, and lists each skip under
// its summary.
TEST_F(AddressInUseTest, BatchSkipsAddressesInUseAndNumbersOn)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    view.form.gateway = ip(10, 2, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.2.0.13", 610), entry("10.0.0.3", 610)};
    list("10.2.0.11", "00:AA:00:00:00:11", "Stara kamera");
    list("10.0.0.1", "00:12:34:00:00:1");
    list("10.2.0.13", "00:12:34:00:00:13");
    list("10.0.0.3", "00:12:34:00:00:3");
    ping.answering.insert("10.2.0.12");
    change.apply();
    change.waitForBatch();

    // .10 for the first; .11 listed and .12 answering are passed over; the
    // second device sits at .13 itself and keeps it; the third gets .14.
    ASSERT_EQ(services.exchanges.size(), 3u);
    EXPECT_EQ(services.exchanges[0].newIp, ip(10, 2, 0, 10));
    EXPECT_EQ(services.exchanges[1].newIp, ip(10, 2, 0, 13));
    EXPECT_EQ(services.exchanges[2].newIp, ip(10, 2, 0, 14));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
        std::string(M::success)
            + "\nPominięto zajęty adres IP 10.2.0.11 (00:AA:00:00:00:11 Stara kamera)"
              "\nPominięto zajęty adres IP 10.2.0.12 (odpowiada na ping)");
    auto skips = change.lastBatchSkips();
    ASSERT_EQ(skips.size(), 2u);
    EXPECT_EQ(skips[0].use.holder, AddressHolder::Listed);
    EXPECT_EQ(skips[1].use.holder, AddressHolder::Answering);
}

// A device of the batch at the address an earlier one would get is about
// to move too, but the earlier change goes out first: the address counts
// as held. Skips never go past .254: the devices left fail with a message.
TEST_F(AddressInUseTest, BatchNeverLandsOnABatchMemberAndNeverSkipsPastTheLastHostAddress)
{
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 253);
    view.form.gateway = ip(10, 2, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610), entry("10.2.0.254", 610), entry("10.0.0.3", 610)};
    list("10.2.0.253", "00:AA:00:00:00:53");
    list("10.2.0.254", "00:12:34:00:00:254");
    change.apply();
    change.waitForBatch();

    // The first device: .253 held, .254 held by the second device: no
    // address left. The second keeps its own .254 - and is then refused
    // with the rest, since the addresses have run out.
    EXPECT_TRUE(services.exchanges.empty());
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages[0], "Brak wolnego adresu IP po 10.2.0.254: pozostałe urządzenia nie zostały zmienione");
    auto report = change.lastBatchReport();
    ASSERT_EQ(report.size(), 3u);
    for (const DeviceChangeOutcome& device : report)
        EXPECT_EQ(device.outcome, DeviceOutcome::Refused) << device.formerIp;
}

// Where no echo can tell, the list alone must: a device without a MAC text
// (an ONVIF row) is another device, not the one being changed, and a device
// kept off the list is still there after the row it hid behind moved away.
TEST_F(AddressInUseTest, ListedHoldersWithoutAMacOrLeftBehindAreAskedAbout)
{
    ping.canPing = false;
    const std::string question = "Adres IP 10.1.0.50 jest już używany. Czy na pewno wprowadzić zmianę?";

    clickedDevice("300");
    state.selected.macText = "";
    list("10.1.0.50", "", "Inna kamera ONVIF");
    view.answerOk = false;
    change.apply();
    EXPECT_EQ(std::count(view.questions.begin(), view.questions.end(), question), 1) << "no MAC on either side";
    EXPECT_EQ(requestsSent(), 0u);

    view.reset();
    table.clear();
    clickedDevice("300");
    list("10.1.0.50", "00:AA:00:00:00:01", "C1");
    DeviceRecord hidden;
    hidden.ip = "10.1.0.50";
    hidden.mac = "00:AA:00:00:00:02";
    hidden.name = "C2";
    table.noteHidden(hidden);
    DeviceRecord moved = table.row(0);
    moved.ip = "10.1.0.77";
    table.update(0, moved); // C1 seen at its new address
    view.answerOk = false;
    change.apply();
    EXPECT_EQ(std::count(view.questions.begin(), view.questions.end(), question), 1) << "C2 left behind";
    EXPECT_EQ(requestsSent(), 0u);
}

// An echo that finds nobody takes its whole wait; a Cancel pressed meanwhile
// ends the batch before that device's request goes out.
TEST_F(AddressInUseTest, CancelDuringABatchsEchoSendsNothing)
{
    class HeldPing final : public AddressPing {
    public:
        EchoResult ping(const std::string&, std::chrono::milliseconds) override
        {
            entered = true;
            while (!release)
                std::this_thread::yield();
            return EchoResult::Silent;
        }
        std::atomic<bool> entered {false};
        std::atomic<bool> release {false};
    } held;
    change.setAddressCheck(&table, &held, std::chrono::milliseconds(1000));
    clickedDevice("300");
    state.batchMode = true;
    view.form.startIp = ip(10, 2, 0, 10);
    view.form.gateway = ip(10, 2, 0, 1);
    state.batchEntries = {entry("10.0.0.1", 610)};
    view.onBusyDialog = [&] {
        while (!held.entered)
            std::this_thread::yield();
        return 2; // Cancel while the echo is out
    };
    change.apply();
    held.release = true;
    change.waitForBatch();
    EXPECT_EQ(requestsSent(), 0u);
}

} // namespace
} // namespace lorvena
