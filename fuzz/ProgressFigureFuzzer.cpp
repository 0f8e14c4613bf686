// The body of the device's answer to the upgrade progress query, read for
// its "process=" figure and mapped onto the second half of the bar.
#include "FuzzCheck.h"

#include "upgrade/ProgressFigure.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const int figure = deviceProgressFigure(body);
    (void)mappedProgress(figure);
    if (body.substr(0, body.find('\0')).find("process=") == std::string_view::npos)
        FUZZ_CHECK(figure == 0);
    return 0;
}
