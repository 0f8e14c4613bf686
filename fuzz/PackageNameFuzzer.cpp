// A package file's name checked against the firmware version the device
// reported: the version comes from the device, the path from the user. The
// input is split in two at its first NUL (the path, then the version).
#include "FuzzCheck.h"

#include "upgrade/PackageName.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view path = input.substr(0, split);
    const std::string_view version = split == std::string_view::npos ? std::string_view {} : input.substr(split + 1);
    const bool fits = CheckPackageName(path, version);
    // A title without "_" always fits, so a path without one does.
    if (path.find('_') == std::string_view::npos)
        FUZZ_CHECK(fits);
    return 0;
}
