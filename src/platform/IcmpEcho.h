#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lorvena {

// ICMP echo ("ping") for watching a device restart. Every probe opens its own
// socket, sends one request and waits for its reply.

inline constexpr std::size_t echoRequestBytes = 44;
using EchoRequest = std::array<std::uint8_t, echoRequestBytes>;

// The raw probe's request: type 8, code 0, `identifier` and `tick` in host
// byte order, sequence 0, 32 bytes of 0x45, checksummed.
EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint32_t tick);

// The first look's request: the same header with the 12 bytes "Data Buffer"
// and their NUL as data.
std::vector<std::uint8_t> BuildDataBufferEcho(std::uint16_t identifier);

// RFC 1071 over `bytes` read as 16-bit words in host order (an odd last byte
// is padded with zero); the result is in host order too, ready to be stored
// at the checksum's offset.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// Whether a datagram of a raw ICMP socket (IPv4 header first) is an echo
// reply carrying `identifier`.
bool IsEchoReplyFor(std::span<const std::uint8_t> datagram, std::uint16_t identifier);

// The low 16 bits of this process's id: the identifier of our requests.
std::uint16_t EchoIdentifier();
// Milliseconds of the monotonic clock, wrapping at 32 bits.
std::uint32_t MillisecondTick();

enum class EchoResult {
    Answered,
    // No reply in time, or the target could not be resolved or reached.
    Silent,
    // No ICMP socket of any kind could be opened.
    NoSocket,
};

enum class EchoSocketKind {
    // SOCK_DGRAM/IPPROTO_ICMP: needs no privilege where the system's
    // ping_group_range admits us; the kernel sets the identifier itself.
    Datagram,
    // SOCK_RAW: needs CAP_NET_RAW.
    Raw,
};

// One echo of `message` to `target` (a dotted IPv4 address, else a name to
// resolve) through the first kind of socket in `order` that can be opened.
// Waits up to `timeout` for a matching reply, reading past anything else the
// socket receives meanwhile (a raw socket also sees our own request on the
// loopback, and every other ICMP message of the host).
EchoResult EchoThrough(std::span<const EchoSocketKind> order, const std::string& target,
    std::span<const std::uint8_t> message, std::chrono::milliseconds timeout);

// The first look: "Data Buffer" through a datagram socket, else a raw one.
EchoResult PingIcmpEcho(const std::string& target, std::chrono::milliseconds timeout);
// Every later look: an EchoRequest through a raw socket, else a datagram one.
EchoResult PingRawIcmp(const std::string& target, std::chrono::milliseconds timeout);

} // namespace lorvena
