#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lorvena {

// Every IPv4 address configured on this machine, loopback included, in the
// order the kernel lists the interfaces. Values are in host byte order.
// Host-name resolution is no use here: on Debian it yields only 127.0.1.1.
std::vector<std::uint32_t> localIpv4Addresses();

// "%d.%d.%d.%d", most significant byte first.
std::string dottedAddress(std::uint32_t hostOrderAddress);

} // namespace lorvena
