#pragma once

#include <filesystem>

namespace lorvena {

// The running executable's full path, or an empty path when it cannot be
// found out.
std::filesystem::path executablePath();

// The folder holding the executable; empty (meaning the current directory)
// when the executable's path is unknown.
std::filesystem::path executableDirectory();

} // namespace lorvena
