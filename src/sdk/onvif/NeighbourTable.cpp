#include "sdk/onvif/NeighbourTable.h"

#include "sdk/onvif/DeviceReplies.h"

#include <arpa/inet.h>

#include <charconv>
#include <fstream>
#include <sstream>

namespace lorvena::onvif {

namespace {

constexpr unsigned completeFlag = 0x2; // ATF_COM: the link-layer address is known
constexpr std::size_t maxTableBytes = 1 << 20;

} // namespace

std::string MacFromArpTable(std::string_view table, std::uint32_t address)
{
    // "IP address  HW type  Flags  HW address  Mask  Device", one entry a
    // line after the heading.
    std::istringstream lines {std::string(table)};
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string ip, hardwareType, flags, mac;
        if (!(fields >> ip >> hardwareType >> flags >> mac))
            continue;
        in_addr parsed {};
        if (inet_pton(AF_INET, ip.c_str(), &parsed) != 1 || ntohl(parsed.s_addr) != address)
            continue;
        unsigned flagBits = 0;
        std::string_view flagText = flags;
        if (flagText.substr(0, 2) == "0x")
            flagText.remove_prefix(2);
        auto [end, error] = std::from_chars(flagText.data(), flagText.data() + flagText.size(), flagBits, 16);
        if (error != std::errc() || !(flagBits & completeFlag))
            continue;
        std::string normalized = NormalizeMac(mac);
        if (normalized.empty() || normalized == "000000000000")
            continue;
        return normalized;
    }
    return {};
}

std::string NeighbourMac(std::uint32_t address)
{
    std::ifstream file("/proc/net/arp");
    if (!file)
        return {};
    std::string table;
    table.resize(maxTableBytes);
    file.read(table.data(), static_cast<std::streamsize>(table.size()));
    table.resize(static_cast<std::size_t>(file.gcount()));
    return MacFromArpTable(table, address);
}

} // namespace lorvena::onvif
