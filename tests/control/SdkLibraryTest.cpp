// The vendor SDK through its interface, scripted: what a login hands the
// library, and how the library's events come back as window messages.
#include "control/FakeMainView.h"
#include "control/MainController.h"
#include "control/NetworkChangeServices.h"
#include "control/SdkLibrary.h"
#include "control/SdkRoutines.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvena {
namespace {

class ScriptedSdk final : public SdkLibrary {
public:
    void setLoginCheck(QvNetLoginCheck check) override { loginCheck = check; }
    void startup() override {}
    void setWaitTime(std::int32_t, std::int32_t, std::int32_t) override {}
    std::int32_t login(const QvNetLoginRecord& record) override
    {
        logins.push_back(record);
        return 41;
    }
    std::int32_t upgrade(std::int32_t handle, const std::string& packagePath) override
    {
        upgrades.push_back(std::to_string(handle) + " " + packagePath);
        return 0;
    }
    void logout(std::int32_t handle) override { logouts.push_back(handle); }
    void cleanup() override {}

    QvNetLoginCheck loginCheck = nullptr;
    std::vector<QvNetLoginRecord> logins;
    std::vector<std::string> upgrades;
    std::vector<std::int32_t> logouts;
};

TEST(SdkLibrary, ALoginCarriesTheDevicesTextsAndItsEventsComeBackAsMessages)
{
    ScriptedSdk sdk;
    MessageQueue queue;
    InterfaceSockets sockets([] { return std::vector<std::uint32_t> {}; });
    {
        NetworkChangeServices services(sockets, {}, queue, sdk);
        services.sdkLoginFor(5, "10.1.0.20", "8080", "admin", "źdźbło", true);
        ASSERT_EQ(sdk.logins.size(), 1u);
        const QvNetLoginRecord& record = sdk.logins[0];
        EXPECT_STREQ(record.address, "10.1.0.20");
        EXPECT_EQ(record.port, 8080);
        EXPECT_STREQ(record.userName, "admin");
        // The devices' 8-bit encoding: ź d ź b ł o.
        EXPECT_EQ(std::string(record.password), "\x9F" "d" "\x9F" "b" "\xB3" "o");
        EXPECT_EQ(record.secondFamily, 1);
        EXPECT_EQ(record.notify, &SdkNotify);

        const std::int32_t progress = 37;
        const struct {
            std::int32_t event;
            const void* data;
            MessageId message;
            std::uintptr_t wParam;
            std::intptr_t lParam;
        } events[] = {
            {QV_NET_EVENT_LOGIN_OK, nullptr, MessageId::LoginResultOk, 5, 0},
            {QV_NET_EVENT_LOGIN_FAILED, nullptr, MessageId::LoginResultFail, 5, 0},
            {QV_NET_EVENT_UPGRADE_PROGRESS, &progress, MessageId::SdkUpgradeProgress, 0, 37},
            {QV_NET_EVENT_UPGRADE_DONE, nullptr, MessageId::SdkUpgradeDone, 0, 0},
            {QV_NET_EVENT_UPGRADE_FAILED, nullptr, MessageId::SdkUpgradeFailed, 0, 0},
            {QV_NET_EVENT_CONNECT_FAILED, nullptr, MessageId::SdkConnectFailed, 0, 0},
        };
        for (const auto& e : events) {
            SCOPED_TRACE(e.event);
            record.notify(41, e.event, e.data, record.userContext);
            std::optional<WindowMessage> message = queue.take(std::chrono::milliseconds(0));
            ASSERT_TRUE(message);
            EXPECT_EQ(message->id, e.message);
            EXPECT_EQ(message->wParam, e.wParam);
            EXPECT_EQ(message->lParam, e.lParam);
        }

        // The package path goes as it is: the library opens it by that name.
        EXPECT_EQ(services.sdkUpgrade("/tmp/Aktualizacja-łódź.bin"), 0);
        EXPECT_EQ(sdk.upgrades, std::vector<std::string> {"41 /tmp/Aktualizacja-łódź.bin"});
    }
    EXPECT_EQ(sdk.logouts, std::vector<std::int32_t> {41}) << "the session ends with the services";
}

// The library has no web client of its own: without the controller's check
// every login would end as "no answer".
TEST(SdkLibrary, TheControllerHandsTheLibraryItsCredentialCheck)
{
    ScriptedSdk sdk;
    MessageQueue queue;
    testing_support::FakeMainView view;
    MainController::Dependencies dependencies {view, queue, [] { return std::vector<std::uint32_t> {}; }};
    dependencies.verifyWait = std::chrono::milliseconds(0);
    dependencies.sdkLibrary = &sdk;
    MainController controller(1, dependencies);
    EXPECT_EQ(sdk.loginCheck, &SdkLoginCheck);
}

} // namespace
} // namespace lorvena
