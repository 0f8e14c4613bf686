#pragma once

#include "discovery/WireBytes.h"
#include "platform/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace lorvena::testing_support {

// A UDP socket for the tests' side of the wire: a device listening on the
// search port, or a sender at some loopback address.
class UdpPeer {
public:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        std::uint32_t senderAddress = 0; // host order
        std::uint16_t senderPort = 0;
    };

    // Binds to `address`:`port` (port 0: any). A blocking receive gives up
    // after `receiveLimit`, so that a broken exchange fails the test instead
    // of hanging it; no test expects that limit to pass.
    UdpPeer(std::uint32_t address, std::uint16_t port,
        std::chrono::milliseconds receiveLimit = std::chrono::milliseconds(10000));

    bool valid() const { return socket_.valid(); }
    std::optional<Datagram> receive();
    bool sendTo(std::uint32_t address, std::uint16_t port, ByteView bytes);

private:
    UniqueFd socket_;
};

inline constexpr std::uint32_t loopback1 = 0x7F000001; // 127.0.0.1
inline constexpr std::uint32_t loopback2 = 0x7F000002; // 127.0.0.2
inline constexpr std::uint32_t loopback3 = 0x7F000003; // 127.0.0.3

} // namespace lorvena::testing_support
