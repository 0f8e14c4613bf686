#include "platform/IniFile.h"

#include "platform/TextCase.h"
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

// The mode the replacement file gets: the one it replaces had, or the usual
// rw-r--r-- for a new file. A link in the file's place is replaced by the
// rename, never followed, so its target's mode does not matter.
mode_t replacementMode(const std::filesystem::path& file)
{
    struct stat status {};
    if (::lstat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        return status.st_mode & 07777;
    return 0644;
}

// Writes every byte to a fresh file beside `file` and makes them durable
// before the caller renames it into place: a crash right after the rename
// must not leave it empty. mkstemp creates the file exclusively, so nothing
// planted under a guessable name (a link, say) is ever written through.
// Returns the temporary file's path, or nothing (and no file) on failure.
std::optional<std::filesystem::path> writeDurablyBeside(const std::filesystem::path& file, const std::string& text)
{
    std::string pattern = file.string() + ".tmpXXXXXX";
    UniqueFd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!out)
        return std::nullopt;
    std::filesystem::path temporary = pattern;
    auto fail = [&]() -> std::optional<std::filesystem::path> {
        ::unlink(temporary.c_str());
        return std::nullopt;
    };
    if (::fchmod(out.get(), replacementMode(file)) != 0)
        return fail();
    std::string_view rest = text;
    while (!rest.empty()) {
        ssize_t written = ::write(out.get(), rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail();
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::fsync(out.get()) != 0)
        return fail();
    return temporary;
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

    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    // What could not be read back is not written.
    if (text.size() > maxSettingsFileBytes)
        return false;
    std::optional<std::filesystem::path> temporary = writeDurablyBeside(file, text);
    if (!temporary)
        return false;
    if (::rename(temporary->c_str(), file.c_str()) != 0) {
        ::unlink(temporary->c_str());
        return false;
    }
    return true;
}

} // namespace lorvena
