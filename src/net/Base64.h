#pragma once

#include <string>
#include <string_view>

namespace lorvena {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks); used for
// the credentials of the Authorization header.
std::string Base64Encode(std::string_view input);

} // namespace lorvena
