#include "platform/DebugTrace.h"

#include <cstdio>
#include <cstdlib>

namespace lorvena {

void debugTrace(std::string_view text)
{
    static const bool enabled = std::getenv("LORVENA_TRACE") != nullptr;
    if (enabled)
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

} // namespace lorvena
