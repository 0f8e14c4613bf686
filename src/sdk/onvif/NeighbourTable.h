#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// The MAC of `address` (host byte order) in the text of /proc/net/arp, as 12
// upper-case hexadecimal digits; empty when there is no complete entry.
std::string MacFromArpTable(std::string_view table, std::uint32_t address);

// The same from the kernel's table of this network namespace. A device that
// has just answered us from the local link normally has an entry there.
std::string NeighbourMac(std::uint32_t address);

} // namespace lorvena::onvif
