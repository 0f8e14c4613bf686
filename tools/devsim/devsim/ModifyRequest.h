#pragma once

#include "devsim/RequestClassifier.h"
#include "devsim/SimulatedDevice.h"
#include "discovery/WireBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lorvena::devsim {

// The three modify requests as the device firmware reads them, and the reply
// to the extended one. Kept here on their own, apart from the tool's writer,
// so that the simulator checks the tool rather than echoing it. Texts are
// NUL-terminated within their fields; integers are little-endian.
namespace OldModifyLayout {
inline constexpr std::size_t size = 263;
inline constexpr std::uint8_t command = 3;
inline constexpr TextField currentAddress {13, 48};
inline constexpr TextField newAddress {61, 48};
inline constexpr TextField mask {109, 48};
inline constexpr TextField gateway {157, 48};
inline constexpr std::size_t dhcp = 253;
} // namespace OldModifyLayout

namespace BasicModifyLayout {
inline constexpr std::size_t size = 180;
inline constexpr std::uint8_t command = 3;
inline constexpr TextField currentAddress {13, 16};
inline constexpr TextField newAddress {29, 16};
inline constexpr TextField mask {45, 16};
inline constexpr TextField gateway {61, 16};
inline constexpr TextField dns {77, 16};
inline constexpr std::size_t mac = 93; // six raw bytes
inline constexpr std::size_t httpPort = 100;
inline constexpr std::size_t rtspPort = 104;
inline constexpr std::size_t dhcp = 112;
} // namespace BasicModifyLayout

namespace ExtendedModifyLayout {
inline constexpr std::size_t size = 424;
inline constexpr std::uint8_t command = 12;
inline constexpr TextField ipMarker {16, 16};
inline constexpr TextField macMarker {32, 18};
inline constexpr TextField currentAddress {50, 16};
inline constexpr TextField macText {66, 18};
inline constexpr std::size_t constant62 = 84;
inline constexpr std::size_t dhcp = 88;
inline constexpr TextField newAddress {92, 16};
inline constexpr TextField mask {108, 16};
inline constexpr TextField gateway {124, 16};
inline constexpr TextField dns {140, 16};
inline constexpr TextField macTextAgain {172, 36};
inline constexpr std::size_t constant768 = 208;
inline constexpr std::size_t httpPort = 308;
inline constexpr std::size_t rtspPort = 312;
inline constexpr TextField userName {360, 32};
inline constexpr std::size_t password = 392; // 32 enciphered bytes
} // namespace ExtendedModifyLayout

// The simulator's answer to an extended modify request (the tool reads only
// byte 13).
namespace ExtendedModifyReplyLayout {
inline constexpr std::size_t size = 64;
inline constexpr std::uint8_t command = 13;
inline constexpr std::size_t status = 13;
inline constexpr TextField address {16, 16}; // the device's address when the request came
inline constexpr TextField macText {32, 18};
inline constexpr std::uint8_t accepted = 0;
inline constexpr std::uint8_t wrongPassword = 16; // or a user name other than "admin"
inline constexpr std::uint8_t refused = 1;        // a new address that is no unicast IPv4 address
} // namespace ExtendedModifyReplyLayout

inline constexpr std::size_t passwordFieldSize = 32;
using PasswordField = std::array<std::uint8_t, passwordFieldSize>;

// What a request asks to change. Empty texts and absent ports keep the
// device's current value (the tool leaves the address fields zero while DHCP
// is on). Texts are as the device received them (its own encoding).
struct NetworkChange {
    std::string newAddress;
    std::string mask;
    std::string gateway;
    std::string dns;
    std::optional<std::uint32_t> httpPort; // 1..65535 only; old requests carry none
    std::optional<std::uint32_t> rtspPort;
    bool dhcp = false;
};

struct ModifyRequest {
    Generation generation = Generation::Basic;
    std::string currentAddress; // the device to change
    std::string macText;        // extended only: also names the device
    std::string userName;       // extended only
    PasswordField password {};  // extended only, enciphered
    NetworkChange change;
};

class ModifyRequestCodec {
public:
    // `datagram` must be of `kind` (a modify kind, as classified).
    static ModifyRequest read(RequestKind kind, ByteView datagram);

    // For the --send-modify client: the request with every field named in
    // `request` (ports absent are written as 0), the constants and markers of
    // the extended layout, and `request.password` as the enciphered field.
    static std::vector<std::uint8_t> write(const ModifyRequest& request);

    static std::vector<std::uint8_t> reply(std::uint8_t status, std::string_view addressText,
        std::string_view macText);
};

} // namespace lorvena::devsim
