#pragma once

#include "onvif/OnvifDeviceConfig.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena::devsim::onvif {

// A Probe as the device reads it: its message id and the types asked for,
// each resolved to {namespace URI, local name} against the declarations in
// scope, so that the prefix a client picks does not matter.
struct ProbeRequest {
    std::string messageId;
    std::vector<std::pair<std::string, std::string>> types;
    std::vector<std::string> scopes;
};

// nullopt when the datagram is no Probe of the 2005/04 WS-Discovery.
std::optional<ProbeRequest> ParseProbe(std::string_view datagram);

// The device's types as {namespace URI, local name}.
std::vector<std::pair<std::string, std::string>> DeviceTypes(const OnvifDeviceConfig& config);
// The device's scopes (name percent-encoded).
std::vector<std::string> DeviceScopes(const OnvifDeviceConfig& config);

// Every type of the probe among the device's, every scope of the probe a
// prefix of one of the device's (an empty probe matches everything).
bool ProbeMatchesDevice(const ProbeRequest& probe, const OnvifDeviceConfig& config);

// The ProbeMatches answer, as the device's hostile mode shapes it.
std::string BuildProbeMatches(const ProbeRequest& probe, const OnvifDeviceConfig& config,
    const OnvifDeviceState& state, unsigned messageNumber);

// "Front%20Door": everything outside the URI unreserved characters escaped.
std::string PercentEncode(std::string_view text);

// The endpoint the device uses when its config names none.
std::string EndpointOf(const OnvifDeviceConfig& config);

} // namespace lorvena::devsim::onvif
