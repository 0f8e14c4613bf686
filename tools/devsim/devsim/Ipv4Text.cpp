#include "devsim/Ipv4Text.h"

#include <arpa/inet.h>

#include <string>

namespace lorvena::devsim {

std::optional<std::uint32_t> parseIpv4(std::string_view text)
{
    // inet_pton accepts only the four-part decimal form, unlike inet_aton,
    // which would also take "10.1" or octal parts.
    in_addr address {};
    if (inet_pton(AF_INET, std::string(text).c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

} // namespace lorvena::devsim
