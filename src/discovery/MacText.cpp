#include "discovery/MacText.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <cctype>

namespace lorvena {

namespace {

bool allHex(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// `text` cut at `separator` into `groups` parts of `minDigits` to
// `maxDigits` hex digits each, every part padded to `maxDigits`.
std::optional<std::string> grouped(std::string_view text, char separator, int groups, std::size_t minDigits,
    std::size_t maxDigits)
{
    std::string digits;
    std::size_t start = 0;
    for (int group = 0; group < groups; ++group) {
        std::size_t end = group + 1 < groups ? text.find(separator, start) : text.size();
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view part = text.substr(start, end - start);
        if (part.size() < minDigits || part.size() > maxDigits || !allHex(part))
            return std::nullopt;
        digits.append(maxDigits - part.size(), '0');
        digits += lowerCased(part);
        start = end + 1;
    }
    return digits;
}

} // namespace

std::optional<std::string> macDigits(std::string_view text)
{
    const std::size_t first = text.find_first_of(":- .");
    if (first == std::string_view::npos) {
        if (text.size() != 12 || !allHex(text))
            return std::nullopt;
        return lowerCased(text);
    }
    const char separator = text[first];
    if (separator == '.')
        return grouped(text, '.', 3, 4, 4);
    return grouped(text, separator, 6, 1, 2);
}

bool sameMac(std::string_view a, std::string_view b)
{
    std::optional<std::string> left = macDigits(a);
    return left && left == macDigits(b);
}

} // namespace lorvena
