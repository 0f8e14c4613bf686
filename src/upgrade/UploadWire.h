#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena {

// The upgrade command that opens an upload, for a package of `length` bytes
// (only its low 32 bits travel): "CMD:UPGRADE MCTP/1.0 CS\n@<length>@\nEND\n".
std::string upgradeCommand(std::uint64_t length);

// The size field the sized routines send after the first reply: the low 32
// bits of the length, least significant byte first.
std::array<std::uint8_t, 4> upgradeSizeField(std::uint64_t length);

// The first half of the bar while the file goes out: 0..50.
int uploadPercent(std::uint64_t sent, std::uint64_t length);

// The device's verdict in its final reply: the integer right after the first
// "@", when a second "@" follows it; nothing when the pair is missing.
std::optional<int> finalReplyCode(std::string_view reply);

// Bytes of one file chunk on the wire.
inline constexpr std::size_t uploadChunkBytes = 1280;

} // namespace lorvena
