// LS_NET_Login and LS_NET_SetNetParam against simulated devices on real
// sockets in the test's loopback namespace.

#include "OnvifLab.h"

#include "platform/TextCodec.h"
#include "sdk/onvif/DeviceRecordFields.h"

#include <cstring>

namespace lorvena::onvif::testing {
namespace {

using namespace std::chrono_literals;
namespace sim = devsim::onvif;

constexpr auto safetyNet = 20s;

using OnvifLogin = OnvifLabTest;

TEST_F(OnvifLogin, AnswersOkOnlyForTheRightPasswordWhateverTheDeviceClock)
{
    const struct {
        const char* name;
        std::chrono::seconds clockOffset;
        sim::HostileMode hostile;
        const char* password;
        int port; // 0: the device's
        int32_t event;
        const char* logLine; // empty: none expected
    } cases[] = {
        {"clock three hours ahead", 3h, sim::HostileMode::None, "haslo", 0, LS_NET_EVENT_LOGIN_OK,
            "onvif GetNetworkInterfaces 127.0.0.31 ok"},
        {"clock two days behind", -48h, sim::HostileMode::None, "haslo", 0, LS_NET_EVENT_LOGIN_OK,
            "onvif GetNetworkInterfaces 127.0.0.31 ok"},
        {"wrong password", 3h, sim::HostileMode::None, "Haslo", 0, LS_NET_EVENT_LOGIN_FAILED,
            "onvif GetNetworkInterfaces 127.0.0.31 auth-failed"},
        {"nobody listening", 0s, sim::HostileMode::None, "haslo", 8999, LS_NET_EVENT_LOGIN_FAILED, ""},
        {"huge replies", 0s, sim::HostileMode::HugeReply, "haslo", 0, LS_NET_EVENT_LOGIN_FAILED, ""},
        {"malformed replies", 0s, sim::HostileMode::MalformedXml, "haslo", 0, LS_NET_EVENT_LOGIN_FAILED, ""},
        {"replies with a DOCTYPE", 0s, sim::HostileMode::Doctype, "haslo", 0, LS_NET_EVENT_LOGIN_FAILED, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::OnvifDeviceConfig config = device("127.0.0.31", 8080);
        config.clockOffset = c.clockOffset;
        config.hostile = c.hostile;
        startDevices({config});

        LoginRecorder recorder;
        OnvifLoginRecord record = loginRecord("127.0.0.31", c.port ? c.port : 8080, c.password, recorder);
        int32_t handle = LS_NET_Login(&record);
        ASSERT_NE(handle, 0);
        ASSERT_TRUE(recorder.waitForEvent(safetyNet));
        LS_NET_Logout(handle);
        LS_NET_Cleanup();
        auto events = recorder.events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].first, handle);
        EXPECT_EQ(events[0].second, c.event);
        if (*c.logLine) {
            EXPECT_TRUE(logHas(c.logLine));
        }
        simulator->stop();
    }
    LoginRecorder none;
    EXPECT_EQ(LS_NET_Login(nullptr), 0);
    OnvifLoginRecord noAddress = loginRecord("camera.local", 80, "x", none);
    int32_t handle = LS_NET_Login(&noAddress);
    ASSERT_TRUE(none.waitForEvent(safetyNet));
    EXPECT_EQ(none.events(), (std::vector<std::pair<int32_t, int32_t>> {{handle, LS_NET_EVENT_LOGIN_FAILED}}));
}

// Credentials reach the library in Windows-1250 and the device's digest is
// over UTF-8: a Polish password must pass, its UTF-8 bytes handed in as if
// they were Windows-1250 must not.
TEST_F(OnvifLogin, PolishPasswordArrivesInWindows1250AndIsDigestedAsUtf8)
{
    const struct {
        const char* name;
        std::string recordPassword;
        int32_t event;
    } cases[] = {
        {"Windows-1250", utf8ToDeviceText("źdźbło"), LS_NET_EVENT_LOGIN_OK},
        {"UTF-8 bytes", "źdźbło", LS_NET_EVENT_LOGIN_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::OnvifDeviceConfig config = device("127.0.0.31", 8080);
        config.password = "źdźbło";
        startDevices({config});
        LoginRecorder recorder;
        OnvifLoginRecord record = loginRecord("127.0.0.31", 8080, c.recordPassword.c_str(), recorder);
        int32_t handle = LS_NET_Login(&record);
        ASSERT_NE(handle, 0);
        ASSERT_TRUE(recorder.waitForEvent(safetyNet));
        LS_NET_Logout(handle);
        LS_NET_Cleanup();
        auto events = recorder.events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].second, c.event);
        simulator->stop();
    }
}

OnvifNetParam changeBlock(const char* address, const char* mask, const char* gateway, int port, bool dhcp)
{
    OnvifNetParam block {};
    std::strncpy(block.mac, "024F4E000001", sizeof block.mac - 1);
    std::strncpy(block.mask, mask, sizeof block.mask - 1);
    std::strncpy(block.gateway, gateway, sizeof block.gateway - 1);
    std::strncpy(block.address, address, 15);
    block.port = port;
    block.dhcp = dhcp ? 1 : 0;
    return block;
}

TEST_F(OnvifLogin, SetNetParamChangesTheDevice)
{
    const struct {
        const char* name;
        bool rebootNeeded;
        bool dhcp;
        const char* servingAddress; // where the device serves afterwards
        std::uint16_t servingPort;
        unsigned reboots;
        std::vector<std::string> log;
    } cases[] = {
        {"applied at the reboot", true, false, "127.0.0.45", 8081, 1,
            {"onvif SetNetworkInterfaces 127.0.0.31 ok", "onvif SetNetworkDefaultGateway 127.0.0.31 ok",
                "onvif SetNetworkProtocols 127.0.0.31 ok", "onvif SystemReboot 127.0.0.31 ok"}},
        {"applied at once: the rest goes to the new address", false, false, "127.0.0.45", 8081, 0,
            {"onvif SetNetworkInterfaces 127.0.0.31 ok", "onvif SetNetworkDefaultGateway 127.0.0.45 ok",
                "onvif SetNetworkProtocols 127.0.0.45 ok"}},
        {"DHCP", true, true, "127.0.0.31", 8081, 1,
            {"onvif SetNetworkInterfaces 127.0.0.31 ok", "onvif SetNetworkProtocols 127.0.0.31 ok",
                "onvif SystemReboot 127.0.0.31 ok"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard lock(changesMutex);
            changes.clear();
        }
        sim::OnvifDeviceConfig config = device("127.0.0.31", 8080);
        config.clockOffset = 3h;
        config.rebootNeeded = c.rebootNeeded;
        startDevices({config});

        LoginRecorder recorder;
        OnvifLoginRecord record = loginRecord("127.0.0.31", 8080, "haslo", recorder);
        int32_t handle = LS_NET_Login(&record);
        ASSERT_TRUE(recorder.waitForEvent(safetyNet));
        ASSERT_EQ(recorder.events().at(0).second, LS_NET_EVENT_LOGIN_OK);

        OnvifNetParam block = changeBlock(c.dhcp ? "" : "127.0.0.45", "255.255.0.0", "127.0.0.254", 8081, c.dhcp);
        EXPECT_EQ(LS_NET_SetNetParam(handle, &block), 0);
        LS_NET_Logout(handle); // the way the tool does it: at once
        LS_NET_Cleanup();      // lets the started change finish

        sim::OnvifDeviceState state = simulator->devices().at(0);
        EXPECT_EQ(state.servingAddress, c.servingAddress);
        EXPECT_EQ(state.servingPort, c.servingPort);
        EXPECT_EQ(state.dhcp, c.dhcp);
        EXPECT_EQ(state.reboots, c.reboots);
        if (!c.dhcp) {
            EXPECT_EQ(state.prefixLength, 16);
            EXPECT_EQ(state.gateway, "127.0.0.254");
        }
        for (const std::string& line : c.log)
            EXPECT_TRUE(logHas(line)) << line;
        {
            std::lock_guard lock(changesMutex);
            bool applied = false;
            for (const auto& change : changes)
                applied = applied || change.kind == sim::OnvifChangeEvent::Kind::Applied;
            EXPECT_TRUE(applied) << "the simulator was told before the device moved";
        }

        // The device answers where it went: a fresh login there succeeds.
        LoginRecorder again;
        OnvifLoginRecord there = loginRecord(c.servingAddress, c.servingPort, "haslo", again);
        LS_NET_Login(&there);
        ASSERT_TRUE(again.waitForEvent(safetyNet));
        EXPECT_EQ(again.events().at(0).second, LS_NET_EVENT_LOGIN_OK);
        LS_NET_Cleanup();
        simulator->stop();
    }
}

TEST_F(OnvifLogin, SetNetParamRefusesWhatItCannotDo)
{
    startDevices({device("127.0.0.31", 8080)});
    OnvifNetParam good = changeBlock("127.0.0.45", "255.255.255.0", "", 8080, false);
    EXPECT_EQ(LS_NET_SetNetParam(12345, &good), -1) << "unknown handle";

    LoginRecorder refused;
    OnvifLoginRecord wrong = loginRecord("127.0.0.31", 8080, "zle", refused);
    int32_t failedHandle = LS_NET_Login(&wrong);
    ASSERT_TRUE(refused.waitForEvent(safetyNet));
    EXPECT_EQ(LS_NET_SetNetParam(failedHandle, &good), -1) << "after a failed login";

    LoginRecorder accepted;
    OnvifLoginRecord right = loginRecord("127.0.0.31", 8080, "haslo", accepted);
    int32_t handle = LS_NET_Login(&right);
    ASSERT_TRUE(accepted.waitForEvent(safetyNet));
    OnvifNetParam badMask = changeBlock("127.0.0.45", "255.0.255.0", "", 8080, false);
    EXPECT_EQ(LS_NET_SetNetParam(handle, &badMask), -1);
    EXPECT_EQ(LS_NET_SetNetParam(handle, nullptr), -1);
    LS_NET_Logout(handle);
    EXPECT_EQ(LS_NET_SetNetParam(handle, &good), -1) << "after the logout";
    LS_NET_Cleanup();
    EXPECT_EQ(simulator->devices().at(0).address, "127.0.0.31");
}

} // namespace
} // namespace lorvena::onvif::testing
