#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lorvena {

// A device's address as the tool will connect to it: credentials, packages
// and pings go only here. The text comes from the device's own reply, so it
// is taken only as a dotted-quad IPv4 address — never as a name to look up
// (a reply naming a host would send the administrator's password wherever
// that name resolves) — and never as an address no single device can have:
// 0.0.0.0 (this machine), 255.255.255.255, multicast, and loopback.
//
// Host byte order; nothing when the text is not such an address.
std::optional<std::uint32_t> deviceAddress(std::string_view text);

// Tests play devices on 127.0.0.1; their builds switch loopback on here
// before connecting anywhere. The program never does.
void allowLoopbackDevices(bool allowed);

} // namespace lorvena
