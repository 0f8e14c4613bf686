// "Zmiana IP" for ONVIF devices (type codes 900..999): the login through the
// library, the settings block after its answer, the logout, and batches.

#include "control/ChangeRules.h"
#include "control/OnvifControllerFixture.h"
#include "control/OnvifRoutines.h"

#include <algorithm>

namespace lorvena {
namespace {

using testing_support::OnvifControllerTest;
using testing_support::OnvifDevice;
using testing_support::recordOf;
using Calls = std::vector<std::string>;
namespace M = ChangeMessages;

constexpr std::uint32_t ip(int a, int b, int c, int d)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
        (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

std::string field(const char* text, std::size_t size)
{
    return std::string(text, strnlen(text, size));
}

class OnvifChange : public OnvifControllerTest {
protected:
    // The device at 192.168.1.20 clicked, the form filled for a change to
    // 192.168.1.30 in the same subnet.
    void clickedDevice()
    {
        start();
        listed({{.ip = "192.168.1.20", .mac = "0012AB34CD56", .mask = "255.255.255.0", .gateway = "192.168.1.1",
            .type = 950, .port = 8080}});
        controller->rowClicked(0, ClickKind::Plain);
        view.form.newIp = ip(192, 168, 1, 30);
        view.form.userName = "Admin";
        view.form.passwordText = "haslo";
        library.takeCalls();
    }

    OnvifChangeStep step() { return controller->configurationChange().onvifStep(); }
};

TEST_F(OnvifChange, TheSettingsGoOutAfterTheLoginAndTheLoginEnds)
{
    clickedDevice();
    controller->applyChanges();
    EXPECT_EQ(library.takeCalls(), (Calls {"login 192.168.1.20:8080 admin haslo"}));
    EXPECT_EQ(controller->state().loginPurpose, LoginPurpose::OnvifChange);
    EXPECT_EQ(step(), OnvifChangeStep::LoginPending);

    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_EQ(library.takeCalls(), (Calls {"setNetParam 30", "logout 30"}));
    ASSERT_EQ(library.blocks.size(), 1u);
    const OnvifNetParam& block = library.blocks[0];
    EXPECT_EQ(field(block.address, sizeof block.address), "192.168.1.30");
    EXPECT_EQ(field(block.mask, sizeof block.mask), "255.255.255.0");
    EXPECT_EQ(field(block.gateway, sizeof block.gateway), "192.168.1.1");
    EXPECT_EQ(field(block.mac, sizeof block.mac), "0012AB34CD56");
    EXPECT_EQ(block.port, 8080);
    EXPECT_EQ(block.dhcp, 0);
    EXPECT_EQ(field(block.dns, sizeof block.dns), "") << "DNS does not travel this way";
    // This path shows no message, before or after the device's answer.
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(step(), OnvifChangeStep::ChangePending);

    library.answerChange(LS_NET_CHANGE_ACCEPTED);
    deliver();
    EXPECT_EQ(step(), OnvifChangeStep::Accepted);
    EXPECT_TRUE(view.messages.empty());
    controller.reset();
    EXPECT_EQ(library.takeCalls(), (Calls {"cleanup"})) << "the login was ended already";
}

// After the login, an address another listed device holds is asked about
// before the settings go out; Cancel sends nothing.
TEST_F(OnvifChange, AnAddressAnotherDeviceHoldsIsAskedAboutAfterTheLogin)
{
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        view.reset();
        controller.reset();
        library.takeCalls();
        clickedDevice();
        listed({{.ip = "192.168.1.30",
            .mac = "0012AB34CD99",
            .mask = "255.255.255.0",
            .gateway = "192.168.1.1",
            .type = 950,
            .port = 80}});
        view.answerOk = ok;
        controller->applyChanges();
        library.answerLogin(LS_NET_EVENT_LOGIN_OK);
        deliver();
        EXPECT_EQ(view.questions,
            std::vector<std::string> {"Adres IP 192.168.1.30 jest już używany. Czy na pewno wprowadzić zmianę?"});
        const Calls calls = library.takeCalls();
        const auto settingsSent = std::count_if(calls.begin(), calls.end(),
            [](const std::string& call) { return call.starts_with("setNetParam"); });
        EXPECT_EQ(settingsSent, ok ? 1 : 0);
    }
}

TEST_F(OnvifChange, TheLoginRecordCarriesTheListedPortAndTheNotification)
{
    clickedDevice();
    view.form.httpPortText = "8090"; // edited: the login still uses the listed port
    controller->applyChanges();
    const OnvifLoginRecord& login = library.lastLogin;
    EXPECT_EQ(login.port, 8080);
    EXPECT_EQ(login.reserved, 0);
    ASSERT_NE(login.notify, nullptr);
    // Only the two login events become messages.
    login.notify(30, 1538, nullptr, login.userContext);
    EXPECT_EQ(queue.size(), 0u);
    login.notify(30, LS_NET_EVENT_LOGIN_FAILED, nullptr, login.userContext);
    auto message = queue.tryTake();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->id, MessageId::LoginResultFail);

    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    ASSERT_EQ(library.blocks.size(), 1u);
    EXPECT_EQ(library.blocks[0].port, 8090) << "the new port is the form's";
}

TEST_F(OnvifChange, ARefusedLoginIsSilent)
{
    clickedDevice();
    controller->applyChanges();
    library.takeCalls();
    library.answerLogin(LS_NET_EVENT_LOGIN_FAILED);
    deliver();
    EXPECT_EQ(library.takeCalls(), Calls {}) << "no settings, no logout of a login that failed";
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(step(), OnvifChangeStep::LoginFailed);
}

// A click on a row while the login is pending: the late answer must not
// hand the form (now the clicked row's) to the device logged into.
TEST_F(OnvifChange, ARowClickWhileTheLoginIsPendingDropsItsAnswer)
{
    clickedDevice();
    controller->applyChanges();
    library.takeCalls();
    controller->rowClicked(0, ClickKind::Plain);
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_TRUE(library.blocks.empty());
    EXPECT_EQ(library.takeCalls(), Calls {});
}

TEST_F(OnvifChange, ADeviceThatDoesNotTakeTheChange)
{
    clickedDevice();
    controller->applyChanges();
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    library.answerChange(LS_NET_CHANGE_FAILED);
    deliver();
    EXPECT_EQ(step(), OnvifChangeStep::NotAccepted);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(OnvifChange, SettingsTheLibraryRefusesAreNotWaitedFor)
{
    // A device that told the search no mask leaves 0.0.0.0 in the form,
    // which passes the mask rule but is no change the library can make.
    clickedDevice();
    view.form.netMask = 0;
    library.setNetParamResult = -1;
    controller->applyChanges();
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_EQ(library.takeCalls(), (Calls {"login 192.168.1.20:8080 admin haslo", "setNetParam 30", "logout 30"}));
    EXPECT_EQ(step(), OnvifChangeStep::NotTaken);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(OnvifChange, ChecksBeforeTheLogin)
{
    struct Case {
        const char* name;
        std::function<void(FormValues&)> edit;
        std::string_view message;
    } cases[] = {
        {"host part 255", [](FormValues& f) { f.newIp = ip(192, 168, 1, 255); }, M::badAddress},
        {"no password", [](FormValues& f) { f.passwordText.clear(); }, M::wrongPassword},
        {"HTTP port out of range", [](FormValues& f) { f.httpPortText = "1024"; }, M::httpRange},
        {"not the administrator", [](FormValues& f) { f.userName = "operator"; }, M::notAdministrator},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clickedDevice();
        c.edit(view.form);
        view.messages.clear();
        controller->applyChanges();
        EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(c.message)}));
        EXPECT_EQ(library.takeCalls(), Calls {});
        EXPECT_EQ(step(), OnvifChangeStep::None);
        controller.reset();
    }
}

TEST_F(OnvifChange, CancelOnTheSubnetQuestionLeavesTheLoginOpenUntilShutdown)
{
    clickedDevice();
    view.form.gateway = ip(10, 0, 0, 1);
    view.answerOk = false;
    controller->applyChanges();
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_EQ(view.questions, (std::vector<std::string> {std::string(M::subnetQuestion)}));
    EXPECT_EQ(library.takeCalls(), (Calls {"login 192.168.1.20:8080 admin haslo"}));
    EXPECT_EQ(step(), OnvifChangeStep::Stopped);

    controller.reset();
    EXPECT_EQ(library.takeCalls(), (Calls {"logout 30", "cleanup"}));
}

TEST_F(OnvifChange, AMaskThatIsNoRunOfOnesIsRefusedAfterTheLogin)
{
    clickedDevice();
    view.form.netMask = ip(255, 255, 0, 255);
    controller->applyChanges();
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::badMask)}));
    EXPECT_TRUE(library.blocks.empty());
}

TEST_F(OnvifChange, ASecondChangeLogsInAfresh)
{
    clickedDevice();
    for (int round = 0; round < 2; ++round) {
        controller->applyChanges();
        library.answerLogin(LS_NET_EVENT_LOGIN_OK);
        deliver();
    }
    EXPECT_EQ(library.takeCalls(),
        (Calls {"login 192.168.1.20:8080 admin haslo", "setNetParam 30", "logout 30",
            "login 192.168.1.20:8080 admin haslo", "setNetParam 31", "logout 31"}));
}

TEST_F(OnvifChange, WithDhcpOnTheAddressesStillTravel)
{
    clickedDevice();
    view.form.dhcpEnabled = true;
    controller->applyChanges();
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    ASSERT_EQ(library.blocks.size(), 1u);
    EXPECT_EQ(library.blocks[0].dhcp, 1);
    EXPECT_EQ(field(library.blocks[0].address, sizeof library.blocks[0].address), "192.168.1.30");
}

// The device's outcome at each point the ONVIF path can end: what the
// console's exit status rests on, since this path shows no message.
TEST_F(OnvifChange, TheOutcomeFollowsTheLoginAndTheDevicesAnswer)
{
    struct Case {
        const char* what;
        std::optional<std::int32_t> login;
        std::optional<std::int32_t> change;
        DeviceOutcome outcome;
    } cases[] = {
        {"no login answer yet", {}, {}, DeviceOutcome::Unreachable},
        {"login refused", LS_NET_EVENT_LOGIN_FAILED, {}, DeviceOutcome::Refused},
        {"handed over, no answer yet", LS_NET_EVENT_LOGIN_OK, {}, DeviceOutcome::NotConfirmed},
        {"the device took it", LS_NET_EVENT_LOGIN_OK, LS_NET_CHANGE_ACCEPTED, DeviceOutcome::Changed},
        {"the device did not take it", LS_NET_EVENT_LOGIN_OK, LS_NET_CHANGE_FAILED, DeviceOutcome::NotConfirmed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clickedDevice();
        controller->applyChanges();
        if (c.login) {
            library.answerLogin(*c.login);
            deliver();
        }
        if (c.change) {
            library.answerChange(*c.change);
            deliver();
        }
        const std::optional<DeviceChangeOutcome>& outcome = controller->configurationChange().lastOutcome();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(*outcome, (DeviceChangeOutcome {"0012AB34CD56", "192.168.1.20", ip(192, 168, 1, 30), c.outcome}));
        controller.reset();
    }
}

// --- batches

class OnvifBatch : public OnvifControllerTest {
protected:
    // Three ONVIF devices Ctrl+clicked (the last on DHCP), consecutive
    // addresses from 10.1.0.100.
    void batchOfThree()
    {
        start();
        listed({{.ip = "10.1.0.20", .mac = "0012AB000020", .gateway = "10.1.0.1", .port = 80},
            {.ip = "10.1.0.21", .mac = "0012AB000021", .gateway = "10.1.0.1", .port = 8080},
            {.ip = "10.1.0.22", .mac = "0012AB000022", .gateway = "10.1.0.1", .dhcp = 1}});
        for (int row = 0; row < 3; ++row)
            controller->rowClicked(row, ClickKind::CtrlOnly);
        view.form.startIp = ip(10, 1, 0, 100);
        view.form.netMask = ip(255, 255, 0, 0);
        view.form.gateway = ip(10, 1, 0, 1);
        view.form.passwordText = "haslo";
        library.takeCalls();
        batchDialogPlays();
    }

    // Each device's address as listed, and its outcome.
    std::vector<std::pair<std::string, DeviceOutcome>> run()
    {
        controller->applyChanges();
        controller->configurationChange().waitForBatch();
        std::vector<std::pair<std::string, DeviceOutcome>> report;
        for (const DeviceChangeOutcome& device : controller->configurationChange().lastBatchReport())
            report.emplace_back(device.formerIp, device.outcome);
        return report;
    }

    std::vector<std::string> newAddresses()
    {
        std::vector<std::string> addresses;
        for (const OnvifNetParam& block : library.blocks)
            addresses.push_back(field(block.address, sizeof block.address));
        return addresses;
    }
};

TEST_F(OnvifBatch, EachDeviceIsLoggedIntoAndGetsTheNextAddress)
{
    batchOfThree();
    library.answerLoginsAt = LS_NET_EVENT_LOGIN_OK;
    library.answerChangesWith = LS_NET_CHANGE_ACCEPTED;
    auto report = run();

    EXPECT_EQ(library.takeCalls(),
        (Calls {"login 10.1.0.20:80 admin haslo", "setNetParam 30", "logout 30", "login 10.1.0.21:8080 admin haslo",
            "setNetParam 31", "logout 31"}));
    EXPECT_EQ(newAddresses(), (std::vector<std::string> {"10.1.0.100", "10.1.0.101"}));
    // Each block names the device it goes to, with fixed addresses.
    EXPECT_EQ(field(library.blocks[1].mac, sizeof library.blocks[1].mac), "0012AB000021");
    EXPECT_EQ(library.blocks[1].dhcp, 0);
    EXPECT_EQ(controller->state().loginPurpose, LoginPurpose::OnvifBatchChange);
    EXPECT_EQ(report, (std::vector<std::pair<std::string, DeviceOutcome>> {{"10.1.0.20", DeviceOutcome::Changed},
                          {"10.1.0.21", DeviceOutcome::Changed}, {"10.1.0.22", DeviceOutcome::Skipped}}));
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
}

TEST_F(OnvifBatch, AnAddressHandedOverIsTakenEvenWhenTheDeviceDoesNotConfirm)
{
    batchOfThree();
    library.answerLoginsAt = LS_NET_EVENT_LOGIN_OK;
    library.answerChangesWith = LS_NET_CHANGE_FAILED;
    auto report = run();
    // It may still take the address later: the next device must not get it.
    EXPECT_EQ(newAddresses(), (std::vector<std::string> {"10.1.0.100", "10.1.0.101"}));
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0].second, DeviceOutcome::NotConfirmed);
    EXPECT_EQ(report[1].second, DeviceOutcome::NotConfirmed);
    // Silent per device, but the run does not pass for a success.
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::nothingChanged)}));
}

TEST_F(OnvifBatch, ARefusedLoginLeavesTheAddressToTheNextDevice)
{
    batchOfThree();
    library.answerLoginsAt = LS_NET_EVENT_LOGIN_FAILED;
    auto report = run();
    EXPECT_TRUE(library.blocks.empty());
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0].second, DeviceOutcome::Refused);
    EXPECT_EQ(report[1].second, DeviceOutcome::Refused);
    // A refused ONVIF login is silent here too; the run's report tells, and
    // the run ends without a success.
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::nothingChanged)}));
}

TEST_F(OnvifBatch, ALoginWithoutAnswerGivesUpAfterTheWait)
{
    batchOfThree();
    controller->configurationChange().setLoginWait(std::chrono::milliseconds(50));
    auto report = run();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0].second, DeviceOutcome::Unreachable);
    EXPECT_EQ(report[1].second, DeviceOutcome::Unreachable);
    // A late answer, after the run stopped waiting, changes nothing.
    library.answerLogin(LS_NET_EVENT_LOGIN_OK);
    deliver();
    EXPECT_TRUE(library.blocks.empty());
}

// Login answers belong to their login: the first device's answer, coming
// after its wait has ended, must not pass for the second device's.
TEST_F(OnvifBatch, ALateLoginAnswerDoesNotSatisfyTheNextDevicesWait)
{
    batchOfThree();
    controller->configurationChange().setLoginWait(std::chrono::milliseconds(100));
    library.onLogin = [this](std::int32_t handle) {
        if (handle == 31) { // the second login: the first one's answer arrives only now
            const OnvifLoginRecord& first = library.logins.front();
            first.notify(30, LS_NET_EVENT_LOGIN_OK, nullptr, first.userContext);
        }
    };
    auto report = run();
    EXPECT_TRUE(library.blocks.empty()) << "no settings without the device's own login answer";
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[1].second, DeviceOutcome::Unreachable);
}

// The end notice of a discovery that is over must not close a batch's dialog.
TEST_F(OnvifBatch, AFinishedSearchsEndLeavesTheBatchDialogUp)
{
    batchOfThree();
    library.answerLoginsAt = LS_NET_EVENT_LOGIN_OK;
    library.answerChangesWith = LS_NET_CHANGE_ACCEPTED;
    queue.post({MessageId::OnvifDevice, 0, 1, {}}); // late, from the search before
    run();
    EXPECT_EQ(view.busyEnds, (std::vector<int> {0})) << "only the run's own end closes its dialog";
    EXPECT_EQ(view.messages, (std::vector<std::string> {std::string(M::success)}));
}

} // namespace
} // namespace lorvena
