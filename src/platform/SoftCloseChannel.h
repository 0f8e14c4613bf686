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
// success, otherwise why it failed. Only a window of this user counts: a
// listener of anyone else at the path (a socket planted in /tmp before ours)
// is refused, so a close request never goes to a stranger and never reports
// success for one.
std::string send(unsigned messageNumber, const std::filesystem::path& path = socketPath());

// Why a window may not listen at `path`: something that is not a socket of
// this user already stands there (a crashed instance's own socket may be
// replaced). Empty when the path is free or ours.
std::string listenProblem(const std::filesystem::path& path);

// Whether the process at the other end of a connected local socket runs as
// this user.
bool peerIsThisUser(int socket);

} // namespace SoftCloseChannel

} // namespace lorvena
