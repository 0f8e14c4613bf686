#include "devsim/DeviceFile.h"

#include <gtest/gtest.h>

namespace lorvena::devsim {
namespace {

TEST(DeviceFile, MinimalDeviceTakesTheDefaults)
{
    DeviceFileResult result = DeviceFile::parse(R"({"devices": [{"ip": "192.168.1.108", "mac": "00:12:ab:CD:00:01"}]})");
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.devices.size(), 1u);
    const SimulatedDevice& device = result.devices[0];
    EXPECT_EQ(device.ip, 0xC0A8016Cu);
    EXPECT_EQ(device.mac, (std::array<std::uint8_t, 6> {0x00, 0x12, 0xAB, 0xCD, 0x00, 0x01}));
    EXPECT_EQ(device.macText, "00:12:ab:CD:00:01");
    EXPECT_TRUE(device.answers(Generation::Old) && device.answers(Generation::Basic)
        && device.answers(Generation::Extended));
    EXPECT_EQ(device.kind, "IPCAMERA");
    EXPECT_EQ(device.httpPort, 80u);
    EXPECT_EQ(device.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(device.faults.empty());
    EXPECT_FALSE(device.replaceGoodReply);
    EXPECT_EQ(device.http, HttpMode::Normal);
}

TEST(DeviceFile, EveryFieldIsRead)
{
    DeviceFileResult result = DeviceFile::parse(R"({"devices": [{
        "generations": ["basic"], "kind": "NVR", "name": "Magazyn", "firmware": "V5",
        "ip": "10.1.1.2", "mask": "255.255.0.0", "gateway": "10.1.0.1", "dns": "8.8.8.8",
        "mac": "AA-BB-CC-DD-EE-FF", "mac_text": "aabbccddeeff", "http_port": 8080, "rtsp_port": 10554,
        "channels": 32, "dhcp": true, "type": -7, "password": "secret", "encoding": "windows-1250",
        "http": "refuse-first", "keepsAddress": true,
        "malformed": ["short:12", "echo-request", "short", "replace"],
        "upgrade": {"sized": true, "final": "@-7@", "progressSeconds": 2.5, "hostile": "stop-reading",
                    "reboot": {"afterSeconds": 1, "downSeconds": 0.25}},
        "videoServer": {"port": 4001, "progressSeconds": 0.5, "hostile": "error-at-end", "errorCode": 12}}]})");
    ASSERT_TRUE(result.ok()) << result.error;
    const SimulatedDevice& d = result.devices.at(0);
    EXPECT_FALSE(d.answers(Generation::Old));
    EXPECT_TRUE(d.answers(Generation::Basic));
    EXPECT_FALSE(d.answers(Generation::Extended));
    EXPECT_EQ(d.kind, "NVR");
    EXPECT_EQ(d.name, "Magazyn");
    EXPECT_EQ(d.firmware, "V5");
    EXPECT_EQ(d.mask, "255.255.0.0");
    EXPECT_EQ(d.gateway, "10.1.0.1");
    EXPECT_EQ(d.dns, "8.8.8.8");
    EXPECT_EQ(d.macText, "aabbccddeeff");
    EXPECT_EQ(d.httpPort, 8080u);
    EXPECT_EQ(d.rtspPort, 10554u);
    EXPECT_EQ(d.channels, 32);
    EXPECT_TRUE(d.dhcp);
    EXPECT_EQ(d.typeCode, -7);
    EXPECT_EQ(d.password, "secret");
    EXPECT_EQ(d.encoding, TextEncoding::Windows1250);
    EXPECT_EQ(d.http, HttpMode::RefuseFirst);
    EXPECT_TRUE(d.keepsAddress);
    ASSERT_EQ(d.faults.size(), 3u);
    EXPECT_EQ(d.faults[0].kind, FaultKind::Short);
    EXPECT_EQ(d.faults[0].length, 12u);
    EXPECT_EQ(d.faults[1].kind, FaultKind::EchoRequest);
    EXPECT_EQ(d.faults[2].length, defaultShortLength);
    EXPECT_TRUE(d.replaceGoodReply);
    EXPECT_TRUE(d.upgrade.sized);
    EXPECT_EQ(d.upgrade.finalReply.kind, FinalReplyKind::Code);
    EXPECT_EQ(d.upgrade.finalReply.code, -7);
    EXPECT_EQ(d.upgrade.progress, std::chrono::milliseconds(2500));
    EXPECT_EQ(d.upgrade.hostile, UpgradeHostility::StopReading);
    ASSERT_TRUE(d.upgrade.reboot.has_value());
    EXPECT_EQ(d.upgrade.reboot->after, std::chrono::milliseconds(1000));
    EXPECT_EQ(d.upgrade.reboot->down, std::chrono::milliseconds(250));
    EXPECT_TRUE(d.videoServer.enabled);
    EXPECT_EQ(d.videoServer.port, 4001);
    EXPECT_EQ(d.videoServer.progress, std::chrono::milliseconds(500));
    EXPECT_EQ(d.videoServer.hostile, VideoServerHostility::ErrorAtEnd);
    EXPECT_EQ(d.videoServer.errorCode, 12);
}

TEST(DeviceFile, UpgradeAndVideoServerDefaults)
{
    struct Case {
        const char* extra;
        FinalReplyKind finalKind;
        bool videoServer;
    };
    const std::vector<Case> cases = {
        {"", FinalReplyKind::Code, false},
        {R"(, "upgrade": {"final": "none"}, "videoServer": true)", FinalReplyKind::None, true},
        {R"(, "upgrade": {"final": "no-at"}, "videoServer": false)", FinalReplyKind::NoAt, false},
        {R"(, "videoServer": {})", FinalReplyKind::Code, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        DeviceFileResult result = DeviceFile::parse(
            std::string(R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01")") + c.extra + "}]}");
        ASSERT_TRUE(result.ok()) << result.error;
        const SimulatedDevice& d = result.devices.at(0);
        EXPECT_FALSE(d.upgrade.sized);
        EXPECT_EQ(d.upgrade.finalReply.kind, c.finalKind);
        EXPECT_EQ(d.upgrade.finalReply.code, 0);
        EXPECT_EQ(d.upgrade.progress, std::chrono::milliseconds(0));
        EXPECT_FALSE(d.upgrade.reboot.has_value());
        EXPECT_EQ(d.upgrade.hostile, UpgradeHostility::None);
        EXPECT_EQ(d.videoServer.enabled, c.videoServer);
        EXPECT_EQ(d.videoServer.port, 4000);
        EXPECT_EQ(d.videoServer.hostile, VideoServerHostility::None);
    }
}

TEST(DeviceFile, RejectsWhatItCannotMeanExactly)
{
    struct Case {
        const char* json;
        const char* errorPart;
    };
    const std::vector<Case> cases = {
        {"{", "not valid JSON"},
        {R"([])", "\"devices\" list"},
        {R"({"devices": [], "extra": 1})", "top level"},
        {R"({"devices": [7]})", "device 0 must be an object"},
        {R"({"devices": [{"mac": "00:00:00:00:00:01"}]})", "\"ip\" is required"},
        {R"({"devices": [{"ip": "10.0.0.1"}]})", "\"mac\" is required"},
        {R"({"devices": [{"ip": "10.0.0.256", "mac": "00:00:00:00:00:01"}]})", "\"ip\" must be"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00"}]})", "\"mac\" must"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:0g"}]})", "\"mac\" must"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "htp_port": 80}]})", "not a known field"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "http_port": 65536}]})", "\"http_port\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "channels": -1}]})", "\"channels\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "type": 2147483648}]})", "\"type\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "dhcp": 1}]})", "\"dhcp\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "name": 5}]})", "\"name\" must be a string"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "encoding": "latin1"}]})", "\"encoding\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "http": "open"}]})", "\"http\" must"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "generations": ["new"]}]})",
            "\"generations\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "malformed": ["short:0"]}]})",
            "\"malformed\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01"}, {"ip": "x", "mac": "00:00:00:00:00:02"}]})",
            "device 1: \"ip\""},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": true}]})",
            "\"upgrade\" must be an object"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": {"size": true}}]})",
            "\"upgrade.size\" is not a known field"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": {"final": "@0"}}]})",
            "\"upgrade.final\" must be"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": {"final": "@x@"}}]})",
            "\"upgrade.final\" must be"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": {"progressSeconds": -1}}]})",
            "\"upgrade.progressSeconds\" must be a number"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "upgrade": {"hostile": "slow"}}]})",
            "\"upgrade.hostile\" must be"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01",
             "upgrade": {"reboot": {"afterSeconds": 1, "upSeconds": 2}}}]})",
            "\"upgrade.reboot.upSeconds\" is not a known field"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "videoServer": "yes"}]})",
            "\"videoServer\" must be an object"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "videoServer": {"port": 0}}]})",
            "\"videoServer.port\" must be an integer"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "videoServer": {"errorCode": 0}}]})",
            "\"videoServer.errorCode\" must not be 0"},
        {R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", "videoServer": {"hostile": "slow"}}]})",
            "\"videoServer.hostile\" must be"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        DeviceFileResult result = DeviceFile::parse(c.json);
        EXPECT_TRUE(result.devices.empty());
        EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << result.error;
    }
}

} // namespace
} // namespace lorvena::devsim
