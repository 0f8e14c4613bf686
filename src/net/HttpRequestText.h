#pragma once

#include "net/UrlParts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lorvena {

// Request texts have always been built in a 4096-byte buffer that also holds
// the terminating zero, so at most 4095 bytes go out.
constexpr std::size_t requestBufferBytes = 4096;

// The request with the fixed header lines devices have always been sent, in
// their order. A null `body` makes a GET, any other a POST. Nothing when the
// text would not fit the buffer: a cut request would ask the device for
// something else.
std::optional<std::string> BuildRequestText(const UrlParts& parts, const char* extraHeaders,
    const std::uint8_t* body, std::size_t bodyLength, const std::string& authorization);

} // namespace lorvena
