// The simulator's hostile options as a device file names them, and the
// datagrams the new reply faults make: the other tests here rely on both.

#include "devsim/DeviceFile.h"
#include "devsim/FaultInjector.h"
#include "devsim/ReplyBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lorvena::devsim {
namespace {

using namespace std::chrono_literals;

DeviceFileResult deviceWith(const std::string& key, const std::string& value)
{
    return DeviceFile::parse(R"({"devices": [{"ip": "10.0.0.1", "mac": "00:00:00:00:00:01", ")" + key + "\": " + value
        + "}]}");
}

TEST(HostileDeviceOptions, WebServerModesAreReadAndWrongOnesRefused)
{
    struct Case {
        const char* value;
        std::optional<HttpMode> mode; // nothing: refused
        std::chrono::milliseconds drip;
    };
    const Case cases[] = {
        {R"("endless-header")", HttpMode::EndlessHeader, 1000ms},
        {R"("huge-body")", HttpMode::HugeBody, 1000ms},
        {R"("drip")", HttpMode::Drip, 1000ms},
        {R"("drip:250")", HttpMode::Drip, 250ms},
        {R"("drip:60000")", HttpMode::Drip, 60000ms},
        {R"("drip:0")", std::nullopt, {}},
        {R"("drip:60001")", std::nullopt, {}},
        {R"("drip:")", std::nullopt, {}},
        {R"("drip:5ms")", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        DeviceFileResult result = deviceWith("http", c.value);
        ASSERT_EQ(result.ok(), c.mode.has_value()) << result.error;
        if (!c.mode) {
            EXPECT_NE(result.error.find("\"http\" must"), std::string::npos) << result.error;
            continue;
        }
        EXPECT_EQ(result.devices.at(0).http, *c.mode);
        EXPECT_EQ(result.devices.at(0).httpDrip, c.drip);
    }
}

TEST(HostileDeviceOptions, ReplyFaultsMakeTheDatagramsTheyName)
{
    DeviceFileResult file = deviceWith("malformed", R"(["no-nul", "length:0", "length:1", "length:65507", "length:400"])");
    ASSERT_TRUE(file.ok()) << file.error;
    SimulatedDevice device = file.devices.at(0);
    device.name = "Kamera";
    const std::vector<std::uint8_t> good = ReplyBuilder(device).build(Generation::Basic);
    const std::vector<std::uint8_t> request(180, 0);
    ASSERT_EQ(device.faults.size(), 5u);
    auto datagram = [&](std::size_t fault) { return FaultInjector::datagram(device.faults[fault], good, request); };

    // No terminator: the header is kept, every text runs to its field's end
    // (the name field: bytes 94 to 157), the binary fields are untouched.
    const std::vector<std::uint8_t> noNul = datagram(0);
    ASSERT_EQ(noNul.size(), good.size());
    EXPECT_TRUE(std::equal(good.begin(), good.begin() + 13, noNul.begin()));
    EXPECT_EQ(std::string(noNul.begin() + 94, noNul.begin() + 158), "Kamera" + std::string(58, '#'));
    EXPECT_TRUE(std::equal(good.begin() + 224, good.end(), noNul.begin() + 224));

    EXPECT_TRUE(datagram(1).empty());
    EXPECT_EQ(datagram(2), std::vector<std::uint8_t>(good.begin(), good.begin() + 1));
    const std::vector<std::uint8_t> largest = datagram(3);
    ASSERT_EQ(largest.size(), 65507u);
    EXPECT_TRUE(std::equal(good.begin(), good.end(), largest.begin()));
    EXPECT_EQ(largest.back(), 0xA5);
    EXPECT_EQ(datagram(4).size(), 400u);

    for (const char* refused : {R"(["length:65508"])", R"(["length:-1"])", R"(["no-nul:3"])"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(deviceWith("malformed", refused).ok());
    }
}

} // namespace
} // namespace lorvena::devsim
