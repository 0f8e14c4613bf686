#pragma once

#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/OnvifSettings.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <atomic>
#include <cstdint>

namespace lorvena::onvif {

// What a device's discovery answer alone tells (address, port, name, type),
// with its MAC from the neighbour table when the kernel knows it. Asks the
// device nothing.
DiscoveredDevice DeviceFromAnswer(const ProbeMatch& match, std::uint32_t sourceAddress);

// Everything a found device tells without credentials: address, port, name
// and type from its discovery answer; mask, DHCP, gateway and DNS when it
// answers those reads unauthenticated (many devices refuse, which is fine);
// its MAC from the neighbour table, else from its interface description.
// Bounded by the settings' search request budget; `cancel` ends it early.
DiscoveredDevice DescribeDevice(const ProbeMatch& match, std::uint32_t sourceAddress,
    const OnvifSettings& settings, const std::atomic<bool>* cancel);

} // namespace lorvena::onvif
