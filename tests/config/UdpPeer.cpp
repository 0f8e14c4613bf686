#include "config/UdpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace lorvena::testing_support {

UdpPeer::UdpPeer(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds receiveLimit)
    : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
{
    if (!socket_)
        return;
    timeval limit {static_cast<time_t>(receiveLimit.count() / 1000),
        static_cast<suseconds_t>(receiveLimit.count() % 1000 * 1000)};
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (setsockopt(socket_.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0
        || bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        socket_.reset();
}

std::optional<UdpPeer::Datagram> UdpPeer::receive()
{
    std::vector<std::uint8_t> buffer(65536);
    sockaddr_in sender {};
    socklen_t length = sizeof sender;
    ssize_t count = recvfrom(socket_.get(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
    if (count < 0)
        return std::nullopt;
    buffer.resize(static_cast<std::size_t>(count));
    return Datagram {std::move(buffer), ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
}

bool UdpPeer::sendTo(std::uint32_t address, std::uint16_t port, ByteView bytes)
{
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    destination.sin_addr.s_addr = htonl(address);
    ssize_t sent = sendto(socket_.get(), bytes.data(), bytes.size(), 0,
        reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    return sent == static_cast<ssize_t>(bytes.size());
}

} // namespace lorvena::testing_support
