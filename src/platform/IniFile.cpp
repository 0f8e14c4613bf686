#include "platform/IniFile.h"

#include "platform/TextNumbers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
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

std::vector<std::string> readLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

int readProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int defaultValue)
{
    bool inSection = false;
    for (const std::string& line : readLines(file)) {
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
    std::vector<std::string> lines = readLines(file);
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
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : lines)
            out << line << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
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
