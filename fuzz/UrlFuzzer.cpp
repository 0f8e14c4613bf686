// A device URL taken apart before a request; the URLs carry the address and
// port texts that a device reported about itself.
#include "FuzzCheck.h"

#include "net/UrlParts.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const UrlParts parts = ParseUrl(url);
    FUZZ_CHECK(parts.port >= 0 && parts.port <= 65536);
    FUZZ_CHECK(parts.host.find(':') == std::string::npos);
    // The path keeps the caller's spelling and is the URL's tail.
    FUZZ_CHECK(url.ends_with(parts.path));
    FUZZ_CHECK(parts.scheme.size() + parts.host.size() + parts.path.size() <= url.size() + 4);
    return 0;
}
