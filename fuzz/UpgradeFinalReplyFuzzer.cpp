// The device's final reply after a firmware upload: "@<code>@".
#include "FuzzCheck.h"

#include "upgrade/UploadWire.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const std::optional<int> code = finalReplyCode(reply);
    // Whatever follows a NUL is not part of the reply.
    const std::string_view text = reply.substr(0, reply.find('\0'));
    FUZZ_CHECK(finalReplyCode(text) == code);
    if (code)
        FUZZ_CHECK(text.find('@') != text.rfind('@'));
    return 0;
}
