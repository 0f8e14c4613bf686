#pragma once

#include <filesystem>
#include <string>

namespace lorvena {

// Another process closes a window started with "-Soft" by sending it the
// message number 6024 over a per-user local socket: one line of text, the
// decimal message number. Only a window started with "-Soft" listens.
namespace SoftCloseChannel {

// $XDG_RUNTIME_DIR/lorvena-soft-close, or a per-user file in /tmp.
std::filesystem::path socketPath();

// Sends `messageNumber` to the listening window. Returns an empty text on
// success, otherwise why it failed.
std::string send(unsigned messageNumber, const std::filesystem::path& path = socketPath());

} // namespace SoftCloseChannel

} // namespace lorvena
