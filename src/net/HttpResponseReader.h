#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace lorvena {

// How the reading of a response header ended.
enum class HeaderEnd {
    EmptyLine,       // the header is complete
    ConnectionEnded, // closed, timed out or failed before the empty line
    Capped,          // reached the size cap; the rest of the stream is not read
    DeadlinePassed,  // the whole response's time ran out before the empty line
};

// When a response must have arrived, however its bytes trickle in: a device
// that sends one byte just within each receive time-out would otherwise hold
// the caller for as long as it likes.
using ResponseDeadline = std::chrono::steady_clock::time_point;
inline constexpr ResponseDeadline noResponseDeadline = ResponseDeadline::max();

// Reads the header, and no body byte with it, up to and including the empty
// line (CR does not count as content, a bare LF ends a line too). Grows
// `header` by at most `cap` bytes.
HeaderEnd ReadResponseHeader(int socket, std::string& header, std::size_t cap,
    ResponseDeadline deadline = noResponseDeadline);

// Reads until the peer closes, the receive time-out or the deadline passes,
// or an error; all of them end the body normally. Grows `body` by at most
// `cap` bytes.
void ReadResponseBody(int socket, std::string& body, std::size_t cap, ResponseDeadline deadline = noResponseDeadline);

} // namespace lorvena
