#include "devsim/SearchSender.h"

#include "discovery/SearchPackets.h"
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

constexpr int receiveBufferBytes = 32 * 1024 * 1024;

std::vector<std::uint8_t> requestBytes(const SearchProbe& probe)
{
    switch (probe.generation) {
    case Generation::Old: {
        auto bytes = buildOldModeSearchRequest(probe.from);
        return {bytes.begin(), bytes.end()};
    }
    case Generation::Basic: {
        auto bytes = buildBasicSearchRequest(probe.from);
        return {bytes.begin(), bytes.end()};
    }
    case Generation::Extended: {
        auto bytes = buildExtendedSearchRequest();
        return {bytes.begin(), bytes.end()};
    }
    }
    return {};
}

std::string failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool SearchSender::run(const SearchProbe& probe, std::vector<ReceivedDatagram>& received, std::string& error)
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        error = failure("socket");
        return false;
    }
    int on = 1;
    setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // Thousands of devices answer in one burst; like the tool, ask for a
    // receive buffer that holds them all (past the system limit when root).
    int bufferBytes = receiveBufferBytes;
    if (setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes) != 0)
        setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(probe.from);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = failure(("bind " + dottedAddress(probe.from)).c_str());
        return false;
    }
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(probe.port);
    destination.sin_addr.s_addr = htonl(probe.to);
    std::vector<std::uint8_t> request = requestBytes(probe);
    if (sendto(socket.get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
            sizeof destination)
        < 0) {
        error = failure("sendto");
        return false;
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + probe.wait;
    std::vector<std::uint8_t> buffer(65536);
    while (probe.expect == 0 || received.size() < probe.expect) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd watched {socket.get(), POLLIN, 0};
        if (poll(&watched, 1, static_cast<int>(left.count())) <= 0)
            continue;
        sockaddr_in source {};
        socklen_t sourceLength = sizeof source;
        ssize_t length = recvfrom(socket.get(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&source),
            &sourceLength);
        if (length < 0)
            continue;
        received.push_back({ntohl(source.sin_addr.s_addr), ntohs(source.sin_port),
            {buffer.begin(), buffer.begin() + length}});
    }
    return true;
}

std::string SearchSender::describe(const ReceivedDatagram& datagram)
{
    ByteView bytes(datagram.bytes);
    std::string kind = "other";
    std::string_view ip;
    if (bytes.size() == OldModeSearchReply::size && isSearchReply(bytes, ReplyKind::OldMode)) {
        kind = "old";
        ip = readText(bytes, OldModeSearchReply::ip);
    } else if (bytes.size() == BasicSearchReply::size && isSearchReply(bytes, ReplyKind::Basic)) {
        kind = "basic";
        ip = readText(bytes, BasicSearchReply::ip);
    } else if (bytes.size() == ExtendedSearchReply::size && isSearchReply(bytes, ReplyKind::Extended)) {
        kind = "extended";
        ip = readText(bytes, ExtendedSearchReply::ip);
    }
    return kind + " " + dottedAddress(datagram.sourceAddress) + ":" + std::to_string(datagram.sourcePort) + " "
        + std::to_string(bytes.size()) + " " + (ip.empty() ? std::string("-") : std::string(ip));
}

} // namespace lorvena::devsim
