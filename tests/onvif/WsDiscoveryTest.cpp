// The discovery messages: our Probe as a device reads it, and ProbeMatches as
// real devices write them (prefixes, default namespaces, several matches,
// broken and hostile texts).

#include "onvif/ProbeAnswer.h"
#include "sdk/onvif/OnvifAccess.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace {

using namespace lorvena::onvif;
namespace sim = lorvena::devsim::onvif;

TEST(Probe, DeclaresEveryNamespaceOnTheEnvelopeAndAsksForOneType)
{
    const struct {
        ProbeType type;
        const char* namespaceUri;
        const char* localName;
    } cases[] = {
        {ProbeType::VideoTransmitter, ns::network, "NetworkVideoTransmitter"},
        {ProbeType::Device, ns::device, "Device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.localName);
        std::string probe = BuildProbe(c.type, "urn:uuid:1234");
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(probe.c_str()));
        pugi::xml_node envelope = document.document_element();
        // Every prefix used anywhere (elements and the Types QNames) is
        // declared on the Envelope itself, and nowhere else.
        std::vector<std::string> prefixes = {"dn", "tds"};
        envelope.find_node([&](const pugi::xml_node& node) {
            std::string name = node.name();
            if (node.type() == pugi::node_element && name.find(':') != std::string::npos)
                prefixes.push_back(name.substr(0, name.find(':')));
            for (pugi::xml_attribute attribute : node.attributes())
                EXPECT_NE(std::string(attribute.name()).rfind("xmlns", 0), 0u) << name;
            return false;
        });
        for (const std::string& prefix : prefixes)
            EXPECT_TRUE(envelope.attribute(("xmlns:" + prefix).c_str())) << prefix;
        EXPECT_EQ(TrimmedText(Path(envelope, {"Header", "Action"})), ns::probeAction);
        EXPECT_EQ(TrimmedText(Path(envelope, {"Header", "To"})), ns::discoveryTo);

        // The device side resolves the type by namespace, not by prefix.
        auto read = sim::ParseProbe(probe);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->messageId, "urn:uuid:1234");
        ASSERT_EQ(read->types.size(), 1u);
        EXPECT_EQ(read->types[0].first, c.namespaceUri);
        EXPECT_EQ(read->types[0].second, c.localName);
    }
}

TEST(Probe, MatchesDevicesByTypeWhateverThePrefix)
{
    sim::OnvifDeviceConfig camera;
    sim::OnvifDeviceConfig recorder;
    recorder.videoTransmitter = false;
    const char* otherPrefixes = R"(<?xml version="1.0"?>
<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope" xmlns:w="http://schemas.xmlsoap.org/ws/2004/08/addressing">
 <e:Header><w:MessageID>urn:uuid:x</w:MessageID></e:Header>
 <e:Body><Probe xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:q="http://www.onvif.org/ver10/network/wsdl">
  <Types>q:NetworkVideoTransmitter</Types></Probe></e:Body></e:Envelope>)";
    const char* wrongNamespace = R"(<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope">
 <e:Body><d:Probe xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:dn="urn:other">
  <d:Types>dn:NetworkVideoTransmitter</d:Types></d:Probe></e:Body></e:Envelope>)";
    const char* noTypes = R"(<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope">
 <e:Body><d:Probe xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"/></e:Body></e:Envelope>)";
    const struct {
        const char* name;
        std::string probe;
        bool camera;
        bool recorder;
    } cases[] = {
        {"transmitter probe", BuildProbe(ProbeType::VideoTransmitter, "urn:uuid:1"), true, false},
        {"device probe", BuildProbe(ProbeType::Device, "urn:uuid:2"), true, true},
        {"other prefixes", otherPrefixes, true, false},
        {"same local name, other namespace", wrongNamespace, false, false},
        {"no types", noTypes, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto probe = sim::ParseProbe(c.probe);
        ASSERT_TRUE(probe);
        EXPECT_EQ(sim::ProbeMatchesDevice(*probe, camera), c.camera);
        EXPECT_EQ(sim::ProbeMatchesDevice(*probe, recorder), c.recorder);
    }
}

// As a common camera firmware writes it: SOAP-ENV/wsa/d prefixes, an IPv6
// address before the IPv4 one.
const char* const cameraMatches = R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:dn="http://www.onvif.org/ver10/network/wsdl" xmlns:tds="http://www.onvif.org/ver10/device/wsdl">
<SOAP-ENV:Header><wsa:MessageID>uuid:1</wsa:MessageID><wsa:RelatesTo>urn:uuid:abc</wsa:RelatesTo>
<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action></SOAP-ENV:Header>
<SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>
<wsa:EndpointReference><wsa:Address>urn:uuid:2419d68a-2dd2-21b2-a205-ec2fa5d1a1f0</wsa:Address></wsa:EndpointReference>
<d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>
<d:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/hardware/IPC-2M onvif://www.onvif.org/name/Wej%C5%9Bcie%20g%C5%82%C3%B3wne onvif://www.onvif.org/location/country/poland</d:Scopes>
<d:XAddrs>http://[fe80::1]/onvif/device_service http://192.168.1.64/onvif/device_service</d:XAddrs>
<d:MetadataVersion>10</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

// Default namespaces and prefixes declared where they are used, two matches
// in one message, the second a recorder on a custom port.
const char* const recorderMatches = R"(<Envelope xmlns="http://www.w3.org/2003/05/soap-envelope">
<Body><ProbeMatches xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery">
<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"><Address>urn:uuid:aaaa</Address></EndpointReference>
<Types xmlns:x="http://www.onvif.org/ver10/device/wsdl">x:Device</Types>
<Scopes>onvif://www.onvif.org/hardware/NVR-16</Scopes>
<XAddrs>http://10.0.0.9:8000/onvif/device_service</XAddrs></ProbeMatch>
<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"><Address>urn:uuid:bbbb</Address></EndpointReference>
<Types xmlns:y="http://www.onvif.org/ver10/network/wsdl">y:NetworkVideoStorage</Types>
<XAddrs>http://10.0.0.10/onvif/device_service</XAddrs></ProbeMatch>
</ProbeMatches></Body></Envelope>)";

std::string cut(const char* text)
{
    std::string whole(text);
    return whole.substr(0, whole.size() * 2 / 3);
}

std::string withDoctype(const char* text)
{
    std::string whole(text);
    return "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + whole.substr(whole.find("?>") + 2);
}

TEST(ProbeMatches, ReadsEveryMatchWhateverThePrefixesAndRefusesBrokenMessages)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> endpoints;
    } cases[] = {
        {"camera", cameraMatches, {"urn:uuid:2419d68a-2dd2-21b2-a205-ec2fa5d1a1f0"}},
        {"default namespaces, two matches", recorderMatches, {"urn:uuid:aaaa", "urn:uuid:bbbb"}},
        {"truncated", cut(cameraMatches), {}},
        {"doctype", withDoctype(cameraMatches), {}},
        {"empty", "", {}},
        {"not xml", "HTTP/1.1 200 OK", {}},
        {"a probe, not an answer", BuildProbe(ProbeType::Device, "urn:uuid:1"), {}},
        {"match without endpoint or address",
            R"(<Envelope><Body><ProbeMatches><ProbeMatch><Types>a:b</Types></ProbeMatch></ProbeMatches></Body></Envelope>)",
            {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ProbeMatch> matches = ParseProbeMatches(c.text);
        std::vector<std::string> endpoints;
        for (const ProbeMatch& match : matches)
            endpoints.push_back(match.endpoint);
        EXPECT_EQ(endpoints, c.endpoints);
    }
}

TEST(ProbeMatches, GivesAddressNameAndTypeOfEachDevice)
{
    const struct {
        const char* name;
        const char* text;
        std::size_t index;
        std::uint32_t source;
        const char* address;
        std::uint16_t port;
        const char* deviceName;
        std::int32_t typeCode;
    } cases[] = {
        {"camera, name percent-decoded (UTF-8)", cameraMatches, 0, 0xC0A80140, "192.168.1.64", 80,
            "Wej\xC5\x9B" "cie g\xC5\x82\xC3\xB3wne", LS_NET_TYPE_VIDEO_TRANSMITTER},
        {"recorder: hardware scope as name, custom port", recorderMatches, 0, 0x0A000009, "10.0.0.9", 8000, "NVR-16",
            LS_NET_TYPE_OTHER},
        {"storage type, no scopes", recorderMatches, 1, 0x0A00000A, "10.0.0.10", 80, "", LS_NET_TYPE_VIDEO_STORAGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ProbeMatch> matches = ParseProbeMatches(c.text);
        ASSERT_GT(matches.size(), c.index);
        const ProbeMatch& match = matches[c.index];
        ServiceAddress service = ChooseServiceAddress(match, c.source);
        char text[16];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", service.address >> 24, (service.address >> 16) & 255,
            (service.address >> 8) & 255, service.address & 255);
        EXPECT_STREQ(text, c.address);
        EXPECT_EQ(service.port, c.port);
        EXPECT_EQ(service.path, "/onvif/device_service");
        EXPECT_EQ(NameFromScopes(match.scopes), c.deviceName);
        EXPECT_EQ(TypeCodeFor(match.types), c.typeCode);
    }
}

TEST(ServiceAddress, OnlyOnTheSendersOwnAddress)
{
    ProbeMatch match;
    match.xaddrs = {"https://10.0.0.1/onvif/device_service", "http://10.0.0.2:81/a", "http://10.0.0.3:82/b"};
    EXPECT_EQ(ChooseServiceAddress(match, 0x0A000003).port, 82) << "the address the answer came from";
    // Services on other hosts are not the sender's: the login would take
    // the credentials there.
    ServiceAddress elsewhere = ChooseServiceAddress(match, 0x0A000063);
    EXPECT_EQ(elsewhere.address, 0x0A000063u);
    EXPECT_EQ(elsewhere.port, 80);
    EXPECT_EQ(elsewhere.path, ns::defaultDeviceServicePath);

    match.xaddrs = {"http://camera.local/onvif/device_service", "http://[fe80::1]/x"};
    ServiceAddress fallback = ChooseServiceAddress(match, 0x0A000063);
    EXPECT_EQ(fallback.address, 0x0A000063u);
    EXPECT_EQ(fallback.port, 80);
    EXPECT_EQ(fallback.path, ns::defaultDeviceServicePath);
}

TEST(ServiceAddress, ReadsOnlyPlainHttpToIpv4)
{
    const struct {
        const char* url;
        bool usable;
        std::uint16_t port;
        const char* path;
    } cases[] = {
        {"http://10.1.2.3/onvif/device_service", true, 80, "/onvif/device_service"},
        {"HTTP://10.1.2.3:8080", true, 8080, "/"},
        {"http://10.1.2.3:0/x", false, 0, ""},
        {"http://10.1.2.3:70000/x", false, 0, ""},
        {"http://10.1.2.3:80x/x", false, 0, ""},
        {"https://10.1.2.3/x", false, 0, ""},
        {"http://host/x", false, 0, ""},
        {"http://[::1]:80/x", false, 0, ""},
        {"http:/", false, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        auto service = ParseServiceUrl(c.url);
        ASSERT_EQ(service.has_value(), c.usable);
        if (service) {
            EXPECT_EQ(service->port, c.port);
            EXPECT_EQ(service->path, c.path);
        }
    }
}

TEST(Scopes, PercentDecodingKeepsBrokenEscapes)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Front%20Door", "Front Door"},
        {"100%", "100%"},
        {"%4", "%4"},
        {"%zz%41", "%zzA"},
        {"%c5%9b", "\xC5\x9B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}

TEST(Scopes, TheSimulatedDeviceWritesNamesTheLibraryReadsBack)
{
    sim::OnvifDeviceConfig config;
    config.name = "Brama 1/Wjazd & 100%";
    EXPECT_EQ(NameFromScopes(sim::DeviceScopes(config)), config.name);
}

} // namespace
