#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lorvena {

// The two profile operations the tool needs, with the classic Windows
// private-profile rules: section and key names compare case-insensitively,
// a value reads as its leading (optionally signed) decimal integer, and a
// missing file, section, key or number gives the default.
int readProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int defaultValue);

// Sets one key, keeping every other line of the file. The file is replaced
// atomically (written beside it, then renamed), so a crash never leaves a
// truncated settings file. Returns false when the file cannot be written.
bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
    std::string_view value);

} // namespace lorvena
