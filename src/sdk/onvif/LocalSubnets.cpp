#include "sdk/onvif/LocalSubnets.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace lorvena::onvif {

namespace {

std::uint32_t addressOf(const sockaddr* address)
{
    sockaddr_in inet {};
    std::memcpy(&inet, address, sizeof inet);
    return ntohl(inet.sin_addr.s_addr);
}

int prefixOf(std::uint32_t mask)
{
    int prefix = 0;
    while (prefix < 32 && (mask & (0x80000000u >> prefix)))
        ++prefix;
    return prefix;
}

} // namespace

std::vector<LocalSubnet> LocalSubnets()
{
    std::vector<LocalSubnet> subnets;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return subnets;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || entry->ifa_netmask == nullptr)
            continue;
        LocalSubnet subnet;
        subnet.address = addressOf(entry->ifa_addr);
        subnet.prefixLength = prefixOf(addressOf(entry->ifa_netmask));
        subnet.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        subnets.push_back(subnet);
    }
    freeifaddrs(list);
    return subnets;
}

std::vector<std::uint32_t> SweepTargets(const std::vector<LocalSubnet>& subnets, bool includeLoopback)
{
    std::vector<std::uint32_t> targets;
    std::unordered_set<std::uint32_t> seen;
    std::unordered_set<std::uint32_t> own;
    for (const LocalSubnet& subnet : subnets)
        own.insert(subnet.address);
    for (const LocalSubnet& subnet : subnets) {
        if (subnet.loopback && !includeLoopback)
            continue;
        int prefix = std::max(subnet.prefixLength, widestSweepPrefix);
        // /31 and /32 have no host range to sweep.
        if (prefix > 30)
            continue;
        std::uint32_t mask = 0xFFFFFFFFu << (32 - prefix);
        std::uint32_t network = subnet.address & mask;
        std::uint32_t broadcast = network | ~mask;
        for (std::uint32_t host = network + 1; host < broadcast; ++host) {
            if (own.count(host) == 0 && seen.insert(host).second)
                targets.push_back(host);
        }
    }
    return targets;
}

} // namespace lorvena::onvif
