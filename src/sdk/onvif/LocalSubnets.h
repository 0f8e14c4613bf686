#pragma once

#include <cstdint>
#include <vector>

namespace lorvena::onvif {

struct LocalSubnet {
    std::uint32_t address = 0; // host byte order
    int prefixLength = 32;
    bool loopback = false;
};

// Every IPv4 address of this network namespace with its prefix length.
std::vector<LocalSubnet> LocalSubnets();

// The subnet sweep of the mask mode never covers more than a /22 around an
// address: 1022 probes is already a lot of traffic for one search.
inline constexpr int widestSweepPrefix = 22;

// Host addresses of each subnet (a wider one narrowed to the /22 holding the
// address), without the network and broadcast addresses and without our own
// address; each address once. Loopback subnets only when asked.
std::vector<std::uint32_t> SweepTargets(const std::vector<LocalSubnet>& subnets, bool includeLoopback);

} // namespace lorvena::onvif
