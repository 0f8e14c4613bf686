#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// Readers of the device's answers (the body of an HTTP reply). Each gives
// nullopt when the text is no such answer: malformed, refused (DOCTYPE, size)
// or a fault.

// The device's clock in UTC. Devices that give only their local time are read
// as if it were UTC: the digest needs the device's own reading, not the truth.
std::optional<std::chrono::system_clock::time_point> ParseSystemDateAndTime(std::string_view reply);

struct NetworkInterfaceInfo {
    std::string token;
    std::string hardwareAddress; // as the device wrote it
    bool dhcp = false;
    std::string address;         // dotted decimal; empty when none
    int prefixLength = -1;       // -1 when not given
};

// The first enabled interface with IPv4 (else the first interface at all).
std::optional<NetworkInterfaceInfo> ParseNetworkInterfaces(std::string_view reply);
// The first IPv4 DNS server, manual or from DHCP.
std::optional<std::string> ParseDns(std::string_view reply);
std::optional<std::string> ParseDefaultGateway(std::string_view reply);

struct DeviceInformation {
    std::string manufacturer;
    std::string model;
    std::string firmwareVersion;
    std::string serialNumber;
};
std::optional<DeviceInformation> ParseDeviceInformation(std::string_view reply);

// SetNetworkInterfacesResponse/RebootNeeded.
std::optional<bool> ParseRebootNeeded(std::string_view reply);
// Whether the text is the answer named `responseName` at all (for the
// operations whose answer carries nothing we need).
bool IsResponse(std::string_view reply, std::string_view responseName);

enum class FaultKind {
    None,         // no fault
    NotAuthorized, // refused credentials, a stale Created, a missing token
    Other,
};
FaultKind ClassifyFault(std::string_view reply);

// "aa:bb:cc:dd:ee:ff" or "aabbccddeeff" (any case, '-' too) to
// "AABBCCDDEEFF"; empty when the text is no MAC address.
std::string NormalizeMac(std::string_view text);

// 24 -> "255.255.255.0"; empty outside 0..32.
std::string MaskFromPrefix(int prefixLength);
// "255.255.255.0" -> 24; -1 for no dotted mask or non-contiguous bits.
int PrefixFromMask(std::string_view mask);

} // namespace lorvena::onvif
