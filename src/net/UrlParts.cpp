#include "net/UrlParts.h"

namespace lorvena {

namespace {

// Locale-independent on purpose: URLs are ASCII, and a user locale must not
// change what host we talk to.
char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isHostCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

// Leading decimal digits; anything else ends the number. Stops growing once
// past any TCP port so that a long digit run cannot overflow.
int leadingPort(std::string_view text)
{
    constexpr int beyondAnyPort = 65536;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        port = port * 10 + (c - '0');
        if (port >= beyondAnyPort)
            return beyondAnyPort;
    }
    return port;
}

} // namespace

UrlParts ParseUrl(std::string_view url)
{
    std::string upper(url);
    for (char& c : upper)
        c = asciiUpper(c);

    UrlParts parts;
    std::size_t position = 0;
    std::size_t colon = upper.find(':');
    if (colon != std::string::npos) {
        parts.scheme = upper.substr(0, colon);
        position = colon + 1;
    } else {
        parts.scheme = "HTTP";
    }
    if (upper.compare(position, 2, "//") == 0)
        position += 2;

    std::size_t hostEnd = position;
    while (hostEnd < upper.size() && isHostCharacter(upper[hostEnd]))
        ++hostEnd;
    parts.host = upper.substr(position, hostEnd - position);
    // Upper-casing keeps every byte in place, so the offset holds in `url`.
    parts.path = std::string(url.substr(hostEnd));

    std::size_t portColon = parts.host.find(':');
    if (portColon != std::string::npos) {
        parts.port = leadingPort(std::string_view(parts.host).substr(portColon + 1));
        parts.host.resize(portColon);
    }
    return parts;
}

} // namespace lorvena
