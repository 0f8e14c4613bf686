#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace lorvena {

// Larger than any settings file the tool writes by far; a bigger file is
// not read at all (see below).
inline constexpr std::size_t maxSettingsFileBytes = 1024 * 1024;

// The two profile operations the tool needs, with the classic Windows
// private-profile rules: section and key names compare case-insensitively,
// a value reads as its leading (optionally signed) decimal integer, and a
// missing file, section, key or number gives the default - as does a file
// that cannot be read or is larger than maxSettingsFileBytes.
int readProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int defaultValue);

// Sets one key, keeping every other line of the file. The file is replaced
// atomically (written beside it, then renamed), so a crash never leaves a
// truncated settings file. Returns false when the file cannot be written,
// and leaves it untouched when it cannot be read whole (no permission, or
// larger than maxSettingsFileBytes): its other lines would be lost. Nor is
// a file written that would grow past the cap.
bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
    std::string_view value);

} // namespace lorvena
