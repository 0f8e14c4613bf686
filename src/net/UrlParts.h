#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvena {

// A device URL taken apart. Scheme and host come upper-cased; the path keeps
// the caller's spelling because the device's CGI arguments are case-sensitive.
struct UrlParts {
    // The largest parts a request accepts; ParseUrl itself cuts nothing.
    static constexpr std::size_t maxScheme = 19;
    static constexpr std::size_t maxHost = 2047;
    static constexpr std::size_t maxPath = 2047;

    std::string scheme;
    std::string host;
    int port = 80;
    std::string path;
};

// Never fails: a URL without a colon is taken as plain HTTP, an unknown
// scheme is left for the caller to refuse. A port too large for TCP is
// reported as above 65535 rather than wrapped.
UrlParts ParseUrl(std::string_view url);

} // namespace lorvena
