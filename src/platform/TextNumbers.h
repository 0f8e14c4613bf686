#pragma once

#include <cstdint>
#include <string_view>

namespace lorvena {

// The C library's atoi rule, without its undefined behaviour on overflow:
// leading blanks skipped, an optional sign, then decimal digits; 0 when there
// are none. The value saturates at the 32-bit limits.
std::int32_t leadingInteger(std::string_view text);

// The value of one hexadecimal digit, either case; -1 for any other byte.
int hexDigitValue(char c);

} // namespace lorvena
