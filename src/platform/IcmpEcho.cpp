#include "platform/IcmpEcho.h"

#include "platform/DeviceAddress.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace lorvena {

namespace {

constexpr std::uint8_t echoRequestType = 8;
constexpr std::uint8_t echoReplyType = 0;
constexpr std::size_t echoHeaderBytes = 8;
// Longer datagrams are cut short; the headers we check come first.
constexpr std::size_t replyBytes = 1024;

void storeHost16(std::uint8_t* at, std::uint16_t value) { std::memcpy(at, &value, sizeof value); }

std::uint16_t loadHost16(const std::uint8_t* at)
{
    std::uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Header with the checksum left 0, then `data`, then the checksum.
template<typename Bytes>
void fillEcho(Bytes& message, std::uint16_t identifier)
{
    message[0] = echoRequestType;
    message[1] = 0;
    storeHost16(&message[2], 0);
    storeHost16(&message[4], identifier);
    storeHost16(&message[6], 0);
    storeHost16(&message[2], InternetChecksum(message));
}

// Only a device's own numeric address is pinged: see DeviceAddress.h.
std::optional<in_addr> resolve(const std::string& target)
{
    std::optional<std::uint32_t> device = deviceAddress(target);
    if (!device)
        return std::nullopt;
    in_addr address {};
    address.s_addr = htonl(*device);
    return address;
}

UniqueFd openSocket(EchoSocketKind kind)
{
    const int type = kind == EchoSocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
    return UniqueFd(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP));
}

bool isReply(EchoSocketKind kind, std::span<const std::uint8_t> datagram, std::uint16_t identifier)
{
    // A datagram socket hands over the ICMP message alone, and only the
    // replies to its own identifier (which the kernel chose).
    if (kind == EchoSocketKind::Datagram)
        return datagram.size() >= echoHeaderBytes && datagram[0] == echoReplyType;
    return IsEchoReplyFor(datagram, identifier);
}

// Reads until a reply matches or the time is up.
EchoResult awaitReply(int socket, EchoSocketKind kind, std::uint16_t identifier, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    std::uint8_t datagram[replyBytes];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return EchoResult::Silent;
        pollfd entry {socket, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return EchoResult::Silent;
        const ssize_t count = ::recv(socket, datagram, sizeof datagram, 0);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return EchoResult::Silent;
        }
        if (isReply(kind, std::span(datagram, static_cast<std::size_t>(count)), identifier))
            return EchoResult::Answered;
    }
}

} // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += loadHost16(&bytes[i]);
    if (i < bytes.size()) {
        const std::uint8_t last[2] = {bytes[i], 0};
        sum += loadHost16(last);
    }
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<std::uint16_t>(~sum);
}

EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint32_t tick)
{
    EchoRequest request {};
    std::memcpy(&request[8], &tick, sizeof tick);
    std::memset(&request[12], 0x45, request.size() - 12);
    fillEcho(request, identifier);
    return request;
}

std::vector<std::uint8_t> BuildDataBufferEcho(std::uint16_t identifier)
{
    static constexpr char data[] = "Data Buffer"; // sent with its NUL: 12 bytes
    std::vector<std::uint8_t> message(echoHeaderBytes + sizeof data);
    std::memcpy(&message[echoHeaderBytes], data, sizeof data);
    fillEcho(message, identifier);
    return message;
}

bool IsEchoReplyFor(std::span<const std::uint8_t> datagram, std::uint16_t identifier)
{
    if (datagram.empty())
        return false;
    const std::size_t headerBytes = static_cast<std::size_t>(datagram[0] & 0x0F) * 4;
    if (datagram.size() < headerBytes + echoHeaderBytes)
        return false;
    return datagram[headerBytes] == echoReplyType && loadHost16(&datagram[headerBytes + 4]) == identifier;
}

std::uint16_t EchoIdentifier()
{
    return static_cast<std::uint16_t>(::getpid());
}

std::uint32_t MillisecondTick()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds
        = static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
    return static_cast<std::uint32_t>(milliseconds);
}

EchoResult EchoThrough(std::span<const EchoSocketKind> order, const std::string& target,
    std::span<const std::uint8_t> message, std::chrono::milliseconds timeout)
{
    UniqueFd socket;
    EchoSocketKind kind = EchoSocketKind::Raw;
    for (EchoSocketKind candidate : order) {
        socket = openSocket(candidate);
        if (socket) {
            kind = candidate;
            break;
        }
    }
    if (!socket)
        return EchoResult::NoSocket;

    const std::optional<in_addr> address = resolve(target);
    if (!address || message.size() < echoHeaderBytes)
        return EchoResult::Silent;
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_addr = *address;
    const ssize_t sent = ::sendto(socket.get(), message.data(), message.size(), MSG_NOSIGNAL,
        reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent != static_cast<ssize_t>(message.size()))
        return EchoResult::Silent;
    return awaitReply(socket.get(), kind, loadHost16(&message[4]), timeout);
}

EchoResult PingIcmpEcho(const std::string& target, std::chrono::milliseconds timeout)
{
    static constexpr EchoSocketKind order[] = {EchoSocketKind::Datagram, EchoSocketKind::Raw};
    return EchoThrough(order, target, BuildDataBufferEcho(EchoIdentifier()), timeout);
}

EchoResult PingRawIcmp(const std::string& target, std::chrono::milliseconds timeout)
{
    static constexpr EchoSocketKind order[] = {EchoSocketKind::Raw, EchoSocketKind::Datagram};
    return EchoThrough(order, target, BuildEchoRequest(EchoIdentifier(), MillisecondTick()), timeout);
}

} // namespace lorvena
