#pragma once

#include "discovery/WireBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena {

class InterfaceSockets;

// Values a modify request carries. Addresses are 32-bit host order (first
// octet most significant).
struct ModifyValues {
    std::string currentIpText;     // the device to change, dotted text as listed
    bool addressesIncluded = true; // false while DHCP is on: new/mask/gateway/dns fields stay zero
    std::uint32_t newIp = 0, mask = 0, gateway = 0, dns = 0;
    bool dhcp = false;
    std::string macText;           // as listed ("00:1A:2B:3C:4D:5E" for basic rows; extended rows may differ)
    std::int32_t httpPort = 0, rtspPort = 0, thirdPort = 0;
    std::string userName;          // already in the device's 8-bit code page
    std::string password;          // already in the device's 8-bit code page
};

// Layouts of the three modify requests. They start with the search header
// (magic and command code) and go to the search port. Integers are signed
// 32-bit little-endian, unlike the search replies. Every byte not named here
// is zero.
//
// A text field's maxLength is one less than the field: a text too long for
// its field is cut so that the field keeps its terminating zero, which the
// device needs to find the end. That is also how over-long user names and
// passwords are treated: the window refuses them before, batch runs do not.
namespace OldModifyRequest {
inline constexpr std::size_t size = 263;
inline constexpr std::uint8_t command = 3;
inline constexpr TextField currentAddress {13, 47};
inline constexpr TextField newAddress {61, 47};
inline constexpr TextField mask {109, 47};
inline constexpr TextField gateway {157, 47};
inline constexpr std::size_t dhcp = 253;
} // namespace OldModifyRequest

namespace BasicModifyRequest {
inline constexpr std::size_t size = 180;
inline constexpr std::uint8_t command = 3;
inline constexpr TextField currentAddress {13, 15};
inline constexpr TextField newAddress {29, 15};
inline constexpr TextField mask {45, 15};
inline constexpr TextField gateway {61, 15};
inline constexpr TextField dns {77, 15};
inline constexpr std::size_t mac = 93; // six raw bytes
inline constexpr std::size_t httpPort = 100;
inline constexpr std::size_t rtspPort = 104;
inline constexpr std::size_t thirdPort = 108;
inline constexpr std::size_t dhcp = 112;
} // namespace BasicModifyRequest

namespace ExtendedModifyRequest {
inline constexpr std::size_t size = 424;
inline constexpr std::uint8_t command = 12;
inline constexpr TextField ipMarker {16, 15};  // "Fuck_Ip", as in the extended search
inline constexpr TextField macMarker {32, 17}; // "Fuck_Mac"
inline constexpr TextField currentAddress {50, 15};
inline constexpr TextField macText {66, 17};
inline constexpr std::size_t constant62 = 84;
inline constexpr std::size_t dhcp = 88;
inline constexpr TextField newAddress {92, 15};
inline constexpr TextField mask {108, 15};
inline constexpr TextField gateway {124, 15};
inline constexpr TextField dns {140, 15};
// The same MAC text again. The field is wider, but it gets exactly the bytes
// of the first one (cut to 17 characters) so the two never disagree.
inline constexpr std::size_t macTextAgain = 172;
inline constexpr std::size_t constant768 = 208;
inline constexpr std::size_t httpPort = 308;
inline constexpr std::size_t rtspPort = 312;
inline constexpr std::size_t thirdPort = 324;
inline constexpr TextField userName {360, 31};
inline constexpr std::size_t password = 392; // 32 bytes, enciphered
inline constexpr std::size_t passwordSize = 32;
// Always sent with these values; devices expect them.
inline constexpr std::uint32_t constant62Value = 62;
inline constexpr std::uint32_t constant768Value = 768;
} // namespace ExtendedModifyRequest

using OldModifyRequestBytes = std::array<std::uint8_t, OldModifyRequest::size>;
using BasicModifyRequestBytes = std::array<std::uint8_t, BasicModifyRequest::size>;
using ExtendedModifyRequestBytes = std::array<std::uint8_t, ExtendedModifyRequest::size>;

OldModifyRequestBytes buildOldModifyRequest(const ModifyValues& values);
BasicModifyRequestBytes buildBasicModifyRequest(const ModifyValues& values);
// The password field is enciphered with PasswordCipher.
ExtendedModifyRequestBytes buildExtendedModifyRequest(const ModifyValues& values);

// The basic request's six MAC bytes from the listed MAC text: six hexadecimal
// numbers of one or two digits separated by colons, each number optionally
// preceded by white space. Reading stops at the first byte that does not fit
// that pattern; the bytes not read stay zero.
std::array<std::uint8_t, 6> parseMacBytes(std::string_view macText);

// Refresh the basic socket list, then broadcast the request once from every
// live socket. Nothing is answered and nothing is reported: the next search
// shows whether the device took the change.
void sendOldModify(InterfaceSockets& sockets, const ModifyValues& values);
void sendBasicModify(InterfaceSockets& sockets, const ModifyValues& values);

} // namespace lorvena
