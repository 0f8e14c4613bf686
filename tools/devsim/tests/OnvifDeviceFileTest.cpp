#include "devsim/OnvifDeviceFile.h"

#include <gtest/gtest.h>

namespace lorvena::devsim {
namespace {

using onvif::HostileMode;
using onvif::OnvifDeviceConfig;

TEST(OnvifDeviceFile, AnAddressIsEnoughTheRestTakesTheDefaults)
{
    OnvifDeviceFileResult result = OnvifDeviceFile::parse(R"({"onvifDevices": [{"ip": "10.1.0.40"}]})");
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.devices.size(), 1u);
    const OnvifDeviceConfig& device = result.devices[0];
    const OnvifDeviceConfig defaults;
    EXPECT_EQ(device.address, "10.1.0.40");
    EXPECT_EQ(device.httpPort, defaults.httpPort);
    EXPECT_EQ(device.prefixLength, defaults.prefixLength);
    EXPECT_EQ(device.userName, defaults.userName);
    EXPECT_EQ(device.password, defaults.password);
    EXPECT_EQ(device.clockOffset, defaults.clockOffset);
    EXPECT_EQ(device.answersMulticast, defaults.answersMulticast);
    EXPECT_EQ(device.rebootNeeded, defaults.rebootNeeded);
    EXPECT_EQ(device.hostile, HostileMode::None);
}

TEST(OnvifDeviceFile, EveryFieldIsRead)
{
    OnvifDeviceFileResult result = OnvifDeviceFile::parse(R"({"onvifDevices": [
        {"ip": "10.1.0.40", "port": 8080, "prefix": 16, "gateway": "10.1.0.1", "dns": "10.1.0.53", "dhcp": true,
         "name": "Kamera wejście", "hardware": "SIM-2", "mac": "02:4F:4E:00:00:40", "endpoint": "urn:uuid:1",
         "user": "root", "password": "haslo", "clockOffsetSeconds": -10800, "videoTransmitter": false,
         "multicast": false, "anonymousReads": true, "rebootNeeded": false, "hostile": "malformed-xml"},
        {"ip": "10.1.0.41"}]})");
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.devices.size(), 2u);
    const OnvifDeviceConfig& d = result.devices[0];
    EXPECT_EQ(d.httpPort, 8080);
    EXPECT_EQ(d.prefixLength, 16);
    EXPECT_EQ(d.gateway, "10.1.0.1");
    EXPECT_EQ(d.dns, "10.1.0.53");
    EXPECT_TRUE(d.dhcp);
    EXPECT_EQ(d.name, "Kamera wejście");
    EXPECT_EQ(d.hardware, "SIM-2");
    EXPECT_EQ(d.macAddress, "02:4F:4E:00:00:40");
    EXPECT_EQ(d.endpoint, "urn:uuid:1");
    EXPECT_EQ(d.userName, "root");
    EXPECT_EQ(d.password, "haslo");
    EXPECT_EQ(d.clockOffset, std::chrono::seconds(-10800));
    EXPECT_FALSE(d.videoTransmitter);
    EXPECT_FALSE(d.answersMulticast);
    EXPECT_TRUE(d.anonymousReads);
    EXPECT_FALSE(d.rebootNeeded);
    EXPECT_EQ(d.hostile, HostileMode::MalformedXml);
    EXPECT_EQ(result.devices[1].address, "10.1.0.41");
}

TEST(OnvifDeviceFile, MistakesNameTheDeviceAndTheKey)
{
    struct Case {
        const char* json;
        const char* error;
    } cases[] = {
        {"[]", "expected an object with an \"onvifDevices\" list"},
        {"{\"onvifDevices\": [], \"devices\": []}", "only the \"onvifDevices\" key"},
        {"{\"onvifDevices\": [", "not valid JSON"},
        {R"({"onvifDevices": [{"port": 80}]})", "ONVIF device 0: \"ip\" is required"},
        {R"({"onvifDevices": [{"ip": "10.1.0.256"}]})", "\"ip\" must be a dotted IPv4 address"},
        {R"({"onvifDevices": [{"ip": "10.1.0.4"}, {"ip": "10.1.0.5", "port": 0}]})",
            "ONVIF device 1: \"port\" must be an integer from 1 to 65535"},
        {R"({"onvifDevices": [{"ip": "10.1.0.4", "prefix": 33}]})", "\"prefix\" must be an integer from 0 to 32"},
        {R"({"onvifDevices": [{"ip": "10.1.0.4", "clockOffsetSeconds": 90000}]})", "\"clockOffsetSeconds\""},
        {R"({"onvifDevices": [{"ip": "10.1.0.4", "multicast": "no"}]})", "\"multicast\" must be true or false"},
        {R"({"onvifDevices": [{"ip": "10.1.0.4", "hostile": "loud"}]})", "\"hostile\" must be"},
        {R"({"onvifDevices": [{"ip": "10.1.0.4", "passwrod": "x"}]})", "\"passwrod\" is not a known field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        OnvifDeviceFileResult result = OnvifDeviceFile::parse(c.json);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
        EXPECT_TRUE(result.devices.empty());
    }
    EXPECT_NE(OnvifDeviceFile::load("/nonexistent/onvif.json").error.find("cannot open"), std::string::npos);
}

} // namespace
} // namespace lorvena::devsim
