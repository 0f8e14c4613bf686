#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvena {

// Devices send 8-bit texts. Newer firmware sends UTF-8; older firmware sends
// the installers' Windows code page (Windows-1250). A text that is valid
// UTF-8 is taken as UTF-8, anything else as Windows-1250. Bytes that
// Windows-1250 leaves undefined become U+FFFD.
std::string deviceTextToUtf8(std::string_view deviceBytes);

// The other direction, for texts the tool sends to a device. Characters that
// Windows-1250 cannot represent become '?'.
std::string utf8ToDeviceText(std::string_view utf8);

// Windows-1250 bytes (what utf8ToDeviceText gives) back to UTF-8, with no
// guessing: for texts known to be in that code page, such as credentials.
std::string windows1250ToUtf8(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// Length of a UTF-8 text in UTF-16 code units: the unit the display limits
// of device names and firmware versions are counted in.
std::size_t utf16Length(std::string_view utf8);

} // namespace lorvena
