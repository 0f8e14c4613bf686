#include "upgrade/ProgressFigure.h"

#include "platform/TextNumbers.h"

#include <algorithm>
#include <limits>

namespace lorvena {

namespace {

// The figure's text: after "process=", before the first "<br>" or line feed.
std::string_view figureText(std::string_view body)
{
    // The body is handled as a C text, so a NUL ends it.
    body = body.substr(0, body.find('\0'));
    constexpr std::string_view key = "process=";
    const std::size_t start = body.find(key);
    if (start == std::string_view::npos)
        return {};
    std::string_view rest = body.substr(start + key.size());
    rest = rest.substr(0, rest.find("<br>"));
    return rest.substr(0, rest.find('\n'));
}

} // namespace

int deviceProgressFigure(std::string_view body)
{
    // Truncating toward zero keeps the whole part only, so the digits after a
    // decimal point never matter. A hostile device's endless digits saturate,
    // at the same distance from zero either way (the traces have always
    // shown -2147483647 for a huge negative figure).
    return std::max(leadingInteger(figureText(body)), -std::numeric_limits<int>::max());
}

} // namespace lorvena
