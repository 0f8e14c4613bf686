#pragma once

#include "sdk/onvif/UsernameToken.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// The device management operations we call.
enum class DeviceAction {
    GetSystemDateAndTime,
    GetDeviceInformation,
    GetNetworkInterfaces,
    GetDNS,
    GetNetworkDefaultGateway,
    SetNetworkInterfaces,
    SetNetworkDefaultGateway,
    SetNetworkProtocols,
    SystemReboot,
};

// "GetNetworkInterfaces", the element name of the request.
std::string_view ActionName(DeviceAction action);
// The SOAP action URI, for the Content-Type's action parameter.
std::string ActionUri(DeviceAction action);

struct InterfaceChange {
    std::string token;
    bool dhcp = false;
    std::string address; // dotted decimal; only without DHCP
    int prefixLength = 24;
};

// The request body element (inside s:Body) for an operation without
// arguments.
std::string RequestBody(DeviceAction action);
std::string SetNetworkInterfacesBody(const InterfaceChange& change);
std::string SetNetworkDefaultGatewayBody(std::string_view gateway);
std::string SetNetworkProtocolsBody(std::uint16_t httpPort);

// The whole envelope; `token` null sends no credentials.
std::string Envelope(std::string_view body, const UsernameToken* token);

} // namespace lorvena::onvif
