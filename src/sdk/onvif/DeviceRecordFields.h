#pragma once

#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// What a search learned of one device, before it becomes a record.
struct DiscoveredDevice {
    std::uint32_t address = 0; // host byte order
    std::uint16_t port = 80;
    std::int32_t typeCode = LS_NET_TYPE_OTHER;
    std::string name; // UTF-8
    std::string mac;  // 12 hexadecimal digits or empty
    std::string mask;
    std::string gateway;
    std::string dns;
    bool dhcp = false;
};

OnvifDeviceRecord MakeDeviceRecord(const DiscoveredDevice& device);

// Copies `text` into a fixed field, always leaving a NUL; a UTF-8 text is cut
// at a character boundary so that what remains is still UTF-8.
void CopyField(char* field, std::size_t fieldSize, std::string_view text);
// A field's text up to its NUL or its end, whichever comes first.
std::string ReadField(const char* field, std::size_t fieldSize);

// The settings a change block asks for, checked.
struct NetParamChange {
    bool dhcp = false;
    std::string address; // dotted decimal, without DHCP
    int prefixLength = 24;
    std::string gateway; // empty: leave it
    std::optional<std::uint16_t> httpPort;
};

// nullopt when, without DHCP, the address is no IPv4 text or the mask is not
// a contiguous dotted mask. With DHCP the address and mask are not needed.
std::optional<NetParamChange> ReadNetParam(const OnvifNetParam& block);

} // namespace lorvena::onvif
