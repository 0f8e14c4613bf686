#include "platform/LocalAddresses.h"

#include "platform/DebugTrace.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace lorvena {

std::vector<std::uint32_t> localIpv4Addresses()
{
    std::vector<std::uint32_t> addresses;
    ifaddrs* list = nullptr;
    // The kernel's answer can fail for a moment while interfaces come and
    // go (a cable plugged, a VPN up); an empty list would make a search
    // send nothing and report nothing, so ask again a few times first.
    int attempt = 0;
    while (getifaddrs(&list) != 0) {
        debugTrace(std::string("getifaddrs failed: ") + std::strerror(errno));
        if (++attempt == 5)
            return addresses;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in inet {};
        std::copy_n(reinterpret_cast<const unsigned char*>(entry->ifa_addr), sizeof inet,
            reinterpret_cast<unsigned char*>(&inet));
        std::uint32_t address = ntohl(inet.sin_addr.s_addr);
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(address);
    }
    freeifaddrs(list);
    return addresses;
}

std::string dottedAddress(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFFu, (address >> 16) & 0xFFu,
        (address >> 8) & 0xFFu, address & 0xFFu);
    return text;
}

} // namespace lorvena
