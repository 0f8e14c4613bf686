#include "platform/IniFile.h"

#include "platform/TextNumbers.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cerrno>
#include <optional>
#include <vector>

namespace lorvena {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

std::optional<std::string_view> valueOf(std::string_view line, std::string_view key)
{
    auto equals = line.find('=');
    if (equals == std::string_view::npos || !equalsIgnoringCase(trim(line.substr(0, equals)), key))
        return std::nullopt;
    return trim(line.substr(equals + 1));
}

// The lines of `file` (CR LF or LF), an empty list when there is no file,
// nothing when it exists but cannot be read whole: no permission, not a
// regular file, or larger than any settings file. Reading at most a little
// more than the cap keeps a runaway file from costing memory and time;
// opening without blocking keeps a FIFO in its place from stalling us.
std::optional<std::vector<std::string>> readLines(const std::filesystem::path& file)
{
    UniqueFd in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in)
        return errno == ENOENT ? std::optional(std::vector<std::string> {}) : std::nullopt;
    struct stat status {};
    if (::fstat(in.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string text;
    char piece[4096];
    for (;;) {
        ssize_t got = ::read(in.get(), piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        text.append(piece, static_cast<std::size_t>(got));
        if (text.size() > maxSettingsFileBytes)
            return std::nullopt;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Writes every byte, then makes them durable before the caller renames the
// file into place: a crash right after the rename must not leave it empty.
bool writeDurably(const std::filesystem::path& file, const std::string& text)
{
    UniqueFd out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out)
        return false;
    std::string_view rest = text;
    while (!rest.empty()) {
        ssize_t written = ::write(out.get(), rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    return ::fsync(out.get()) == 0;
}

} // namespace

int readProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int defaultValue)
{
    std::optional<std::vector<std::string>> lines = readLines(file);
    if (!lines)
        return defaultValue;
    bool inSection = false;
    for (const std::string& line : *lines) {
        if (auto name = sectionName(line)) {
            inSection = equalsIgnoringCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        auto value = valueOf(line, key);
        if (!value)
            continue;
        return leadingInteger(*value);
    }
    return defaultValue;
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
    std::string_view value)
{
    // A file that cannot be read whole is left as it is: rewriting it would
    // lose whatever it holds beside our key.
    std::optional<std::vector<std::string>> read = readLines(file);
    if (!read)
        return false;
    std::vector<std::string>& lines = *read;
    std::string entry = std::string(key) + "=" + std::string(value);

    bool inSection = false;
    std::optional<std::size_t> sectionEnd;
    bool written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (auto name = sectionName(lines[i])) {
            if (inSection)
                break;
            inSection = equalsIgnoringCase(*name, section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (valueOf(lines[i], key)) {
            lines[i] = entry;
            written = true;
        } else if (!trim(lines[i]).empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!written) {
        if (sectionEnd) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
        } else {
            lines.push_back(std::string("[").append(section).append("]"));
            lines.push_back(entry);
        }
    }

    std::filesystem::path temporary = file;
    temporary += ".tmp";
    temporary += std::to_string(::getpid());
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    // What could not be read back is not written.
    if (text.size() > maxSettingsFileBytes)
        return false;
    if (!writeDurably(temporary, text)) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace lorvena
