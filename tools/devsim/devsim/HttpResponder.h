#pragma once

#include "devsim/SimulatedDevice.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// What a device's web server answers to one request head (request line and
// header lines up to the empty line). Paths served: the three credential
// probes and the upgrade progress query; all need Basic authentication as
// "admin" and the device's password. A hostile device's mode reshapes every
// answer it gives (HttpMode).
struct HttpAnswer {
    std::string path;  // as requested ("-" when the request line is unreadable)
    int status = 0;    // 0: no answer at all (a silent device)
    std::string bytes; // the whole response, or how it starts when filler follows
    // Hostile servers: `fillerBytes` copies of `filler` follow `bytes`
    // (endlessFiller: until the client leaves), made as they are sent; and
    // a dripping server sends one byte per `drip` (zero: all at once).
    std::uint64_t fillerBytes = 0;
    char filler = 0;
    std::chrono::milliseconds drip {0};
};

inline constexpr std::uint64_t endlessFiller = std::numeric_limits<std::uint64_t>::max();

class HttpResponder {
public:
    // `progressFigure`: what the progress query reports now.
    static HttpAnswer answer(std::string_view head, const SimulatedDevice& device, int progressFigure = 0);
    // For a request whose head did not end within the size cap.
    static HttpAnswer tooLarge(std::string_view start, const SimulatedDevice& device);
};

} // namespace lorvena::devsim
