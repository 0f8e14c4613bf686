#include "devsim/ModifySender.h"

#include "devsim/DevicePassword.h"
#include "devsim/Ipv4Text.h"
#include "devsim/ModifyRequest.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace lorvena::devsim {

namespace {

std::string failure(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

bool ModifySender::run(const SearchProbe& where, const ModifyProbe& modify, std::optional<ReceivedDatagram>& reply,
    std::string& error)
{
    ModifyRequest request;
    request.generation = modify.generation;
    request.currentAddress = modify.current;
    request.macText = modify.macText;
    request.userName = "admin";
    request.password = DevicePassword::encipher(modify.password);
    request.change.newAddress = modify.newIp;
    std::vector<std::uint8_t> bytes = ModifyRequestCodec::write(request);

    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        error = failure("socket");
        return false;
    }
    int on = 1;
    setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(where.from);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = failure("bind " + dottedAddress(where.from));
        return false;
    }
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(where.port);
    destination.sin_addr.s_addr = htonl(where.to);
    if (sendto(socket.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
            sizeof destination)
        < 0) {
        error = failure("sendto");
        return false;
    }
    if (modify.generation != Generation::Extended)
        return true;

    std::optional<std::uint32_t> device = parseIpv4(modify.current);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + where.wait;
    std::vector<std::uint8_t> buffer(1024);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched {socket.get(), POLLIN, 0};
        if (left.count() <= 0 || poll(&watched, 1, static_cast<int>(left.count())) <= 0)
            return true;
        sockaddr_in source {};
        socklen_t sourceLength = sizeof source;
        ssize_t length = recvfrom(socket.get(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&source),
            &sourceLength);
        // Like the tool: only a datagram from the device's address counts.
        if (length > 0 && device && ntohl(source.sin_addr.s_addr) == *device) {
            reply = ReceivedDatagram {ntohl(source.sin_addr.s_addr), ntohs(source.sin_port),
                {buffer.begin(), buffer.begin() + length}};
            return true;
        }
    }
}

} // namespace lorvena::devsim
