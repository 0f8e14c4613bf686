// LS_NET_StartSearchDevice against simulated devices over real multicast in
// the test's loopback namespace.

#include "OnvifLab.h"

#include "sdk/onvif/DeviceRecordFields.h"
#include "platform/UniqueFd.h"
#include "sdk/onvif/OnvifSettings.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <map>

namespace lorvena::onvif::testing {
namespace {

using namespace std::chrono_literals;
namespace sim = devsim::onvif;

constexpr auto safetyNet = 20s;

std::map<std::string, OnvifDeviceRecord> byAddress(const std::vector<OnvifDeviceRecord>& records)
{
    std::map<std::string, OnvifDeviceRecord> result;
    for (const OnvifDeviceRecord& record : records)
        result[ReadField(record.address, sizeof record.address)] = record;
    return result;
}

using OnvifDiscovery = OnvifLabTest;

TEST_F(OnvifDiscovery, FindsEachDeviceOnceWithWhatItTellsThenEnds)
{
    sim::OnvifDeviceConfig plain = device("127.0.0.11", 8080);
    plain.name = "Wej\xC5\x9B" "cie / brama";
    sim::OnvifDeviceConfig open = device("127.0.0.12", 80);
    open.anonymousReads = true;
    open.gateway = "127.0.0.1";
    open.dns = "127.0.0.53";
    open.prefixLength = 8;
    open.macAddress = "02:aa:bb:cc:dd:ee";
    open.dhcp = true;
    sim::OnvifDeviceConfig recorder = device("127.0.0.13", 8000);
    recorder.videoTransmitter = false;
    recorder.clockOffset = -48h;
    std::vector<sim::OnvifDeviceConfig> devices {plain, open, recorder};
    // Hostile answers are dropped and cost nothing else.
    for (auto mode : {sim::HostileMode::HugeReply, sim::HostileMode::MalformedXml, sim::HostileMode::Doctype}) {
        sim::OnvifDeviceConfig hostile = device("127.0.0." + std::to_string(20 + static_cast<int>(mode)), 80);
        hostile.hostile = mode;
        devices.push_back(hostile);
    }
    startDevices(devices);

    SearchRecorder recorderOfSearch;
    int32_t handle = LS_NET_StartSearchDevice(0, &SearchRecorder::routine, &recorderOfSearch);
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(recorderOfSearch.waitForEnd(safetyNet));
    LS_NET_Cleanup();

    EXPECT_EQ(recorderOfSearch.ends(), 1);
    auto records = recorderOfSearch.records();
    auto found = byAddress(records);
    ASSERT_EQ(records.size(), 3u) << "each device once, however many probes and repeats reached it";
    ASSERT_EQ(found.size(), 3u);

    const OnvifDeviceRecord& first = found["127.0.0.11"];
    EXPECT_EQ(first.port, 8080);
    EXPECT_EQ(first.typeCode, LS_NET_TYPE_VIDEO_TRANSMITTER);
    EXPECT_STREQ(first.name, plain.name.c_str());
    EXPECT_STREQ(first.mask, "") << "its settings need credentials";
    EXPECT_STREQ(first.mac, "") << "no neighbour entry on loopback, no readable interface";

    const OnvifDeviceRecord& second = found["127.0.0.12"];
    EXPECT_EQ(second.port, 80);
    EXPECT_STREQ(second.mask, "255.0.0.0");
    EXPECT_STREQ(second.gateway, "127.0.0.1");
    EXPECT_STREQ(second.dns, "127.0.0.53");
    EXPECT_STREQ(second.mac, "02AABBCCDDEE");
    EXPECT_EQ(second.dhcp, 1);

    const OnvifDeviceRecord& third = found["127.0.0.13"];
    EXPECT_EQ(third.port, 8000);
    EXPECT_EQ(third.typeCode, LS_NET_TYPE_OTHER);
    EXPECT_EQ(third.dhcp, 0);

    for (const OnvifDeviceRecord& record : records) {
        EXPECT_GE(record.typeCode, 900);
        EXPECT_LE(record.typeCode, 999);
    }
    auto lines = simulator->logLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
        [](const std::string& line) { return line.rfind("onvif-probe 127.0.0.1:", 0) == 0; }));
    EXPECT_TRUE(logHas("onvif GetNetworkInterfaces 127.0.0.11 auth-failed"));
    EXPECT_TRUE(logHas("onvif GetNetworkInterfaces 127.0.0.12 ok"));
}

TEST_F(OnvifDiscovery, StopEndsTheSearchAndNothingIsCalledAfterIt)
{
    OnvifSettings settings = CurrentOnvifSettings();
    settings.searchWait = 60s; // only the stop can end it in time
    SetOnvifSettings(settings);
    startDevices({device("127.0.0.11", 8080), device("127.0.0.12", 8080)});

    SearchRecorder recorder;
    int32_t handle = LS_NET_StartSearchDevice(0, &SearchRecorder::routine, &recorder);
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(recorder.waitForRecords(1, safetyNet));
    LS_NET_StopSearchDevice(handle);
    const std::size_t callsAtStop = recorder.calls();
    // Clean-up joins every thread of the library: whatever was still to
    // come would have come by now.
    LS_NET_Cleanup();
    EXPECT_EQ(recorder.calls(), callsAtStop);
    EXPECT_EQ(recorder.ends(), 0);
    LS_NET_StopSearchDevice(handle); // a second stop is harmless
}

TEST_F(OnvifDiscovery, MaskModeReachesDevicesThatMissTheMulticastProbe)
{
    sim::OnvifDeviceConfig deaf = device("127.0.2.21", 8080);
    deaf.answersMulticast = false;
    startDevices({deaf, device("127.0.0.12", 8080)});

    const struct {
        const char* name;
        int32_t multi;
        std::size_t found;
    } cases[] = {
        {"multicast only", 0, 1},
        {"mask mode", 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRecorder recorder;
        ASSERT_NE(LS_NET_StartSearchDevice(c.multi, &SearchRecorder::routine, &recorder), 0);
        ASSERT_TRUE(recorder.waitForEnd(safetyNet));
        auto found = byAddress(recorder.records());
        EXPECT_EQ(found.size(), c.found);
        EXPECT_EQ(found.count("127.0.0.12"), 1u);
        EXPECT_EQ(recorder.ends(), 1);
    }
}

// One answer naming a device whose service takes connections and never
// replies: asking it costs the whole request budget.
std::string floodAnswer(int index, std::uint16_t servicePort)
{
    return "<Envelope xmlns=\"http://www.w3.org/2003/05/soap-envelope\"><Body>"
           "<ProbeMatches xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><ProbeMatch>"
           "<EndpointReference xmlns=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\"><Address>urn:uuid:flood-" +
        std::to_string(index) +
        "</Address></EndpointReference><Types xmlns:t=\"http://www.onvif.org/ver10/device/wsdl\">t:Device</Types>"
        "<XAddrs>http://127.0.0.1:" +
        std::to_string(servicePort) + "/onvif/device_service</XAddrs></ProbeMatch></ProbeMatches></Body></Envelope>";
}

// Anyone on the network may answer a probe. A flood of made-up answers ends
// the search in its own time (devices still waiting then are listed as they
// answered, unasked) and lists no more devices than the cap.
TEST_F(OnvifDiscovery, AFloodOfAnswersEndsInTimeAndStopsAtTheCap)
{
    OnvifSettings settings = CurrentOnvifSettings();
    settings.searchEndpoints = 150;
    SetOnvifSettings(settings);

    UniqueFd silent(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in service {};
    service.sin_family = AF_INET;
    service.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof service;
    ASSERT_EQ(::bind(silent.get(), reinterpret_cast<sockaddr*>(&service), sizeof service), 0);
    ASSERT_EQ(::listen(silent.get(), 1024), 0);
    ASSERT_EQ(::getsockname(silent.get(), reinterpret_cast<sockaddr*>(&service), &length), 0);

    // Hears the probe as a device would, and answers it 200 times over.
    UniqueFd answerer(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    int on = 1;
    ::setsockopt(answerer.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in discovery {};
    discovery.sin_family = AF_INET;
    discovery.sin_port = htons(3702);
    ASSERT_EQ(::bind(answerer.get(), reinterpret_cast<sockaddr*>(&discovery), sizeof discovery), 0);
    ip_mreqn group {};
    inet_pton(AF_INET, "239.255.255.250", &group.imr_multiaddr);
    group.imr_address.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::setsockopt(answerer.get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group), 0);

    SearchRecorder recorder;
    ASSERT_NE(LS_NET_StartSearchDevice(0, &SearchRecorder::routine, &recorder), 0);
    char probe[65536];
    sockaddr_in prober {};
    socklen_t proberLength = sizeof prober;
    ASSERT_GT(::recvfrom(answerer.get(), probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&prober), &proberLength), 0);
    for (int index = 0; index < 200; ++index) {
        std::string answer = floodAnswer(index, ntohs(service.sin_port));
        ::sendto(answerer.get(), answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&prober), proberLength);
    }

    // Asked one by one, four at a time, the 150 would take minutes.
    ASSERT_TRUE(recorder.waitForEnd(safetyNet));
    EXPECT_EQ(recorder.ends(), 1);
    EXPECT_EQ(recorder.records().size(), 150u);
}

TEST_F(OnvifDiscovery, ASearchWithoutDevicesStillEnds)
{
    SearchRecorder recorder;
    ASSERT_NE(LS_NET_StartSearchDevice(0, &SearchRecorder::routine, &recorder), 0);
    ASSERT_TRUE(recorder.waitForEnd(safetyNet));
    EXPECT_TRUE(recorder.records().empty());
    EXPECT_EQ(LS_NET_StartSearchDevice(0, nullptr, nullptr), 0) << "no routine, no search";
}

} // namespace
} // namespace lorvena::onvif::testing
