#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lorvena::devsim {

// Strict dotted-quad parsing ("10.1.0.7"); host byte order. The formatting
// direction is lorvena::dottedAddress.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

} // namespace lorvena::devsim
