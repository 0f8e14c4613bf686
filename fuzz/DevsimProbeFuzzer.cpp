// A datagram on a simulated ONVIF device's discovery port: the Probe
// reader, the type and scope match, and the device's answer, which the
// tool's own reader must then take as one match of that device.
#include "FuzzCheck.h"

#include "onvif/ProbeAnswer.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena::devsim::onvif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    const std::optional<ProbeRequest> probe = ParseProbe(datagram);
    if (!probe)
        return 0;

    OnvifDeviceConfig config;
    config.address = "10.0.0.7";
    config.name = "Wejście <główne> & \"tył\"";
    const OnvifDeviceState state = InitialState(config);
    if (!ProbeMatchesDevice(*probe, config))
        return 0;
    const std::string answer = BuildProbeMatches(*probe, config, state, 1);
    const auto matches = lorvena::onvif::ParseProbeMatches(answer);
    FUZZ_CHECK(matches.size() == 1);
    FUZZ_CHECK(matches[0].endpoint == EndpointOf(config));
    FUZZ_CHECK(lorvena::onvif::NameFromScopes(matches[0].scopes) == config.name);
    return 0;
}
