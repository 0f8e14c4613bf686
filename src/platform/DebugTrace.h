#pragma once

#include <string_view>

namespace lorvena {

// The developer traces ("Search...", "recvfrom:%d", ...). They go to standard
// error only when LORVENA_TRACE is set in the environment, so that a normal
// run prints nothing but its results.
void debugTrace(std::string_view text);

} // namespace lorvena
