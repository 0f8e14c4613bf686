#include "platform/DeviceAddress.h"

#include <arpa/inet.h>

#include <atomic>
#include <string>

namespace lorvena {

namespace {
std::atomic<bool> loopbackAllowed {false};
} // namespace

void allowLoopbackDevices(bool allowed)
{
    loopbackAllowed = allowed;
}

std::optional<std::uint32_t> deviceAddress(std::string_view text)
{
    // inet_pton takes exactly four decimal parts: no names, no octal or hex
    // parts, no shortened forms such as "10.1".
    in_addr parsed {};
    if (text.size() > 15 || inet_pton(AF_INET, std::string(text).c_str(), &parsed) != 1)
        return std::nullopt;
    const std::uint32_t address = ntohl(parsed.s_addr);
    const std::uint32_t first = address >> 24;
    if (address == 0 || address == 0xFFFFFFFFu || (first >= 224 && first <= 239))
        return std::nullopt;
    if (first == 127 && !loopbackAllowed)
        return std::nullopt;
    return address;
}

} // namespace lorvena
