#include "upgrade/ProgressFigure.h"

#include <cctype>
#include <limits>

namespace lorvena {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    std::string_view text = figureText(body);
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Truncating toward zero keeps the whole part only, so the digits after a
    // decimal point never matter. A hostile device's endless digits saturate.
    constexpr long long limit = std::numeric_limits<int>::max();
    long long whole = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > limit)
            whole = limit;
    }
    return static_cast<int>(negative ? -whole : whole);
}

} // namespace lorvena
