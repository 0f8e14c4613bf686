#include "discovery/OuiList.h"

#include "discovery/MacText.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace lorvena {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// "00-12-AB" as the number 0x0012AB.
std::optional<std::uint32_t> prefixValue(std::string_view text)
{
    if (text.size() != 8 || text[2] != '-' || text[5] != '-')
        return std::nullopt;
    const std::string digits = std::string(text.substr(0, 2)) + std::string(text.substr(3, 2))
        + std::string(text.substr(6, 2));
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace

OuiList OuiList::read(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > maxFileBytes)
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(text);
}

OuiList OuiList::parse(std::string_view text)
{
    constexpr std::string_view marker = "(hex)";
    OuiList list;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto at = line.find(marker);
        if (at == std::string_view::npos)
            continue;
        const auto prefix = prefixValue(trimmed(line.substr(0, at)));
        const std::string_view maker = trimmed(line.substr(at + marker.size()));
        if (prefix && !maker.empty())
            list.makers_.emplace(*prefix, std::string(maker));
    }
    return list;
}

std::string OuiList::makerOf(std::string_view mac) const
{
    const std::optional<std::string> digits = macDigits(mac);
    if (!digits)
        return {};
    std::uint32_t prefix = 0;
    std::from_chars(digits->data(), digits->data() + 6, prefix, 16);
    const auto found = makers_.find(prefix);
    return found == makers_.end() ? std::string() : found->second;
}

} // namespace lorvena
