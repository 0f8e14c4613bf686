#pragma once

#include <string>

namespace lorvena {

// What one HTTP exchange leaves behind. The body holds the bytes exactly as
// the device sent them (possibly NULs, never decoded); its length is size().
struct HttpResult {
    std::string request; // the request exactly as sent
    std::string header;  // status line and header lines, up to and including the empty line
    std::string body;    // everything received after the header
};

} // namespace lorvena
