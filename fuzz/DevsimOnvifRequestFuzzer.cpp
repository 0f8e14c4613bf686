// The SOAP envelope of a request to a simulated ONVIF device service: the
// envelope reader, the WS-Security digest check and the operations. The
// device's clock is fixed at the Created time of the seed requests, so
// their digests pass and mutations reach the Set operations. Whatever the
// request did, the device's answers must stay well-formed and readable by
// the tool's own readers.
#include "FuzzCheck.h"

#include "onvif/DeviceService.h"
#include "onvif/DigestCheck.h"
#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/DeviceRequests.h"
#include "sdk/onvif/SoapXml.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace lorvena::devsim::onvif;
namespace tool = lorvena::onvif;

namespace {

// 2026-01-01T00:00:00Z, the Created time of the seeds.
const std::chrono::system_clock::time_point deviceClock {std::chrono::seconds {1767225600}};

bool wellFormed(const std::string& body)
{
    pugi::xml_document document;
    return tool::ParseDeviceXml(body, document) == tool::XmlVerdict::Parsed;
}

std::string ask(tool::DeviceAction action, const OnvifDeviceConfig& config, OnvifDeviceState& state)
{
    const ServiceReply reply = AnswerRequest(tool::Envelope(tool::RequestBody(action), nullptr), config, state,
        deviceClock);
    FUZZ_CHECK(reply.outcome == ServiceOutcome::Ok);
    return reply.body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view envelope(reinterpret_cast<const char*>(data), size);

    OnvifDeviceConfig config;
    config.address = "10.0.0.7";
    config.gateway = "10.0.0.1";
    config.dns = "10.0.0.1";
    config.anonymousReads = true;
    OnvifDeviceState state = InitialState(config);

    std::chrono::system_clock::time_point created;
    (void)ParseCreated(std::string(envelope), created);

    const ServiceReply reply = AnswerRequest(envelope, config, state, deviceClock);
    FUZZ_CHECK(wellFormed(reply.body));

    // What the device now reports reads back as the state it keeps.
    const auto interface = tool::ParseNetworkInterfaces(ask(tool::DeviceAction::GetNetworkInterfaces, config, state));
    FUZZ_CHECK(interface && interface->address == state.address && interface->prefixLength == state.prefixLength
        && interface->dhcp == state.dhcp);
    const auto gateway = tool::ParseDefaultGateway(ask(tool::DeviceAction::GetNetworkDefaultGateway, config, state));
    FUZZ_CHECK(gateway.value_or("") == state.gateway);
    const auto dns = tool::ParseDns(ask(tool::DeviceAction::GetDNS, config, state));
    FUZZ_CHECK(dns.value_or("") == state.dns);
    return 0;
}
