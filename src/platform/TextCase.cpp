#include "platform/TextCase.h"

#include <algorithm>
#include <cctype>

namespace lorvena {

namespace {

char lowerByte(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

std::string lowerCased(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lowerByte);
    return result;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerByte(x) == lowerByte(y); });
}

} // namespace lorvena
