#pragma once

#include <string_view>

namespace lorvena {

// Whether a package file's name fits the device's firmware version: the
// title's first "_" field must start the version's part after its first "+"
// (the whole version without one), and its second field must start the
// version. A title without "_" always fits.
bool CheckPackageName(std::string_view path, std::string_view version);

} // namespace lorvena
