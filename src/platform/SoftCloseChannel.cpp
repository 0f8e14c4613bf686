#include "platform/SoftCloseChannel.h"

#include "platform/UniqueFd.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lorvena::SoftCloseChannel {

std::filesystem::path socketPath()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::filesystem::path(runtime) / "lorvena-soft-close";
    return std::filesystem::path("/tmp") / ("lorvena-soft-close-" + std::to_string(::getuid()));
}

std::string send(unsigned messageNumber, const std::filesystem::path& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path)
        return "socket path too long: " + text;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);

    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket)
        return std::string("socket: ") + std::strerror(errno);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return "no window started with -Soft is listening at " + text + " (" + std::strerror(errno) + ")";
    if (!peerIsThisUser(socket.get()))
        return "the socket at " + text + " belongs to another user; nothing was sent";
    std::string line = std::to_string(messageNumber) + "\n";
    if (::send(socket.get(), line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return std::string("send: ") + std::strerror(errno);
    return {};
}

std::string listenProblem(const std::filesystem::path& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT ? std::string() : path.string() + ": " + std::strerror(errno);
    if (status.st_uid != ::getuid())
        return path.string() + " belongs to another user";
    if (!S_ISSOCK(status.st_mode))
        return path.string() + " is not a socket";
    return {};
}

bool peerIsThisUser(int socket)
{
    ucred peer {};
    socklen_t length = sizeof peer;
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer
        && peer.uid == ::getuid();
}

} // namespace lorvena::SoftCloseChannel
