#include "cli/ConsoleOnvifLibrary.h"

#include <algorithm>
#include <cmath>

namespace lorvena {

ConsoleOnvifLibrary::ConsoleOnvifLibrary(double waitSeconds)
    : library_(builtInOnvifLibrary()), searchSeconds_(searchSeconds(waitSeconds))
{
}

void ConsoleOnvifLibrary::setWaitTime(std::int32_t, std::int32_t unused, std::int32_t requestSeconds)
{
    library_.setWaitTime(searchSeconds_, unused, requestSeconds);
}

std::int32_t ConsoleOnvifLibrary::searchSeconds(double waitSeconds)
{
    // --wait is at most a day (CliArguments checks), far inside 32 bits.
    double seconds = std::ceil(std::max(waitSeconds, 0.0));
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(seconds));
}

} // namespace lorvena
