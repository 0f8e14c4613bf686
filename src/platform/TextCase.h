#pragma once

#include <string>
#include <string_view>

namespace lorvena {

// `text` with every byte passed through std::tolower, as the C library
// sees it: plain ASCII letters everywhere; bytes above 127 stay as they are
// in the UTF-8 and C locales this program runs in.
std::string lowerCased(std::string_view text);

// The two texts are equal but for the case of their letters (std::tolower
// byte by byte, as lowerCased).
bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace lorvena
