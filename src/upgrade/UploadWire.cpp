#include "upgrade/UploadWire.h"

#include "platform/TextNumbers.h"

namespace lorvena {

std::string upgradeCommand(std::uint64_t length)
{
    // The wire has room for 32 bits only; larger packages cannot be described.
    const auto described = static_cast<std::uint32_t>(length);
    return "CMD:UPGRADE MCTP/1.0 CS\n@" + std::to_string(described) + "@\nEND\n";
}

std::array<std::uint8_t, 4> upgradeSizeField(std::uint64_t length)
{
    const auto described = static_cast<std::uint32_t>(length);
    return {static_cast<std::uint8_t>(described), static_cast<std::uint8_t>(described >> 8),
        static_cast<std::uint8_t>(described >> 16), static_cast<std::uint8_t>(described >> 24)};
}

int uploadPercent(std::uint64_t sent, std::uint64_t length)
{
    if (length == 0)
        return 0;
    // Only a file that grows while it is sent gets past its length; the
    // first half of the bar ends at 50 all the same.
    if (sent > length)
        sent = length;
    // sent * 100 would leave 64 bits for files beyond about 184 PB.
    __extension__ typedef unsigned __int128 Wide;
    const auto percent = static_cast<std::uint64_t>(Wide {sent} * 100 / length);
    return static_cast<int>(percent / 2);
}

std::optional<int> finalReplyCode(std::string_view reply)
{
    // The device's reply is read as a C text: whatever follows a NUL is not
    // part of it.
    reply = reply.substr(0, reply.find('\0'));
    const std::size_t first = reply.find('@');
    if (first == std::string_view::npos || reply.find('@', first + 1) == std::string_view::npos)
        return std::nullopt;
    return leadingInteger(reply.substr(first + 1));
}

} // namespace lorvena
