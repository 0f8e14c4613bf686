#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lorvena {

// A MAC as 12 lower-case hex digits, from any spelling devices and users
// write: "00:1a:2b:3c:4d:5e", "00-1A-2B-3C-4D-5E", "00 1a 2b 3c 4d 5e" (six
// groups of one or two digits, one kind of separator throughout),
// "001a.2b3c.4d5e", "001a2b3c4d5e". Nothing for anything else.
std::optional<std::string> macDigits(std::string_view text);

// Two texts name the same MAC; an unreadable text names none.
bool sameMac(std::string_view a, std::string_view b);

} // namespace lorvena
