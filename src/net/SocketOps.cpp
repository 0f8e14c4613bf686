#include "net/SocketOps.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace lorvena {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for `events` on the socket until `deadline`; a signal does not
// restart the full wait.
bool waitFor(int socket, short events, Clock::time_point deadline)
{
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        left = std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(INT_MAX));
        pollfd entry {socket, events, 0};
        int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

timeval toTimeval(std::chrono::milliseconds duration)
{
    timeval value {};
    value.tv_sec = static_cast<time_t>(duration.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>(duration.count() % 1000 * 1000);
    return value;
}

} // namespace

bool ConnectWithin(int socket, const sockaddr* address, socklen_t length, std::chrono::milliseconds limit)
{
    if (socket < 0)
        return false;
    const int flags = fcntl(socket, F_GETFL);
    if (flags == -1 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0)
        return false;
    if (connect(socket, address, length) != 0 && errno != EINPROGRESS)
        return false;
    if (!waitFor(socket, POLLOUT, Clock::now() + limit))
        return false;
    // Linux reports a failed attempt as writable too; the pending error tells.
    int pending = 0;
    socklen_t pendingLength = sizeof pending;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &pendingLength) != 0 || pending != 0)
        return false;
    return fcntl(socket, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool SetSocketTimeouts(int socket, std::chrono::milliseconds send, std::chrono::milliseconds receive)
{
    timeval sendLimit = toTimeval(send);
    timeval receiveLimit = toTimeval(receive);
    return setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit) == 0
        && setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &receiveLimit, sizeof receiveLimit) == 0;
}

ssize_t ReceiveOnce(int socket, void* buffer, std::size_t length)
{
    ssize_t result;
    do
        result = recv(socket, buffer, length, 0);
    while (result < 0 && errno == EINTR);
    return result;
}

bool WaitReadable(int socket, std::chrono::steady_clock::time_point deadline)
{
    return waitFor(socket, POLLIN, deadline);
}

bool SendAll(int socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

sockaddr_in Ipv4SocketAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in result {};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

UniqueFd OpenBroadcastSocket(std::uint32_t localAddress, int typeFlags, int& error)
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | typeFlags, 0));
    int on = 1;
    sockaddr_in local = Ipv4SocketAddress(localAddress, 0);
    if (!socket || setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        || bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = errno;
        return {};
    }
    error = 0;
    return socket;
}

} // namespace lorvena
