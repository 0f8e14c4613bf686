#pragma once

#include "platform/UniqueFd.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lorvena {

// The socket steps the TCP client and the HTTP request share. All of them
// report failure by result; none keeps the error code.

// Connects a fresh socket, waiting at most `limit` for the handshake. The
// socket is non-blocking during the attempt and blocking again on success;
// after a failure it is left as it is for the caller to close.
bool ConnectWithin(int socket, const sockaddr* address, socklen_t length, std::chrono::milliseconds limit);

// SO_SNDTIMEO, then SO_RCVTIMEO.
bool SetSocketTimeouts(int socket, std::chrono::milliseconds send, std::chrono::milliseconds receive);

// One recv; a signal arriving meanwhile is not an answer from the peer, so the
// call is repeated then. Otherwise the result of recv.
ssize_t ReceiveOnce(int socket, void* buffer, std::size_t length);

// Waits until the socket has something to read (data, its end or an error)
// or `deadline` has passed; false when the deadline came first.
bool WaitReadable(int socket, std::chrono::steady_clock::time_point deadline);

// An IPv4 socket address from host byte order.
sockaddr_in Ipv4SocketAddress(std::uint32_t address, std::uint16_t port);

// A UDP socket allowed to broadcast, bound to `localAddress` (host byte
// order) on a port the system picks: the search, the modify requests and the
// verification all send from one of these per local address, and devices
// answer to it. `typeFlags` adds to SOCK_DGRAM | SOCK_CLOEXEC (say,
// SOCK_NONBLOCK). Empty on failure, with `error` holding the failed step's
// errno.
UniqueFd OpenBroadcastSocket(std::uint32_t localAddress, int typeFlags, int& error);

// Sends every byte. MSG_NOSIGNAL: a device that hangs up early must cost us
// this request, not the process (SIGPIPE).
bool SendAll(int socket, std::string_view bytes);

} // namespace lorvena
