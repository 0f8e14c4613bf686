#pragma once

#include "discovery/WireBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lorvena {

// Every search and modify packet starts with a 12-byte magic (11 characters
// and a NUL) and a 1-byte command code.
namespace DiscoveryHeader {
inline constexpr std::size_t size = 13;
inline constexpr std::size_t commandOffset = 12;
inline constexpr std::string_view oldMagic = "search.....";
inline constexpr std::string_view newMagic = "searching..";
inline constexpr std::uint8_t searchReply = 1;
inline constexpr std::uint8_t searchRequest = 2;
inline constexpr std::uint8_t extendedSearchRequest = 0x0A;
inline constexpr std::uint8_t extendedSearchReply = 0x0B;
inline constexpr std::uint16_t port = 6789;

void write(MutableByteView packet, std::string_view magic, std::uint8_t command);
// True when the NUL-terminated text at offset 0 is exactly `magic` (so byte
// 11 is NUL) and byte 12 holds `command`.
bool matches(ByteView packet, std::string_view magic, std::uint8_t command);
} // namespace DiscoveryHeader

namespace OldModeSearchRequest {
inline constexpr std::size_t size = 263;
inline constexpr TextField localAddress {13, 48};
}
namespace BasicSearchRequest {
inline constexpr std::size_t size = 180;
inline constexpr TextField localAddress {13, 16};
}
namespace ExtendedSearchRequest {
inline constexpr std::size_t size = 114;
inline constexpr TextField ipText {16, 16};
inline constexpr TextField macText {32, 9};
inline constexpr std::string_view ipValue = "Fuck_Ip";
inline constexpr std::string_view macValue = "Fuck_Mac";
}

// Reply layouts. A text field's maxLength is how much of it is read: the
// fields the parser terminates early end one byte before their terminator.
namespace OldModeSearchReply {
inline constexpr std::size_t size = 280;
inline constexpr TextField kind {13, 9};
inline constexpr std::size_t mac = 23;
inline constexpr TextField mask {30, 30};
inline constexpr TextField ip {60, 29};
inline constexpr TextField name {90, 63};
inline constexpr std::size_t httpPort = 156;
inline constexpr std::size_t rtspPort = 160;
inline constexpr std::size_t channels = 164;
}
namespace BasicSearchReply {
inline constexpr std::size_t size = 348;
inline constexpr TextField kind {13, 9};
inline constexpr std::size_t mac = 23;
inline constexpr TextField ip {30, 15};
inline constexpr TextField mask {46, 15};
inline constexpr TextField gateway {62, 15};
inline constexpr TextField dns {78, 15};
inline constexpr TextField name {94, 63};
// The firmware field is 66 bytes; it is read to its NUL but never past the
// field, which would run into the type code and port bytes.
inline constexpr TextField firmware {158, 66};
inline constexpr std::size_t typeCode = 224;
inline constexpr std::size_t httpPort = 228;
inline constexpr std::size_t rtspPort = 232;
inline constexpr std::size_t dhcp = 248;
inline constexpr std::size_t channels = 249;
}
namespace ExtendedSearchReply {
inline constexpr std::size_t size = 544;
inline constexpr std::size_t dhcp = 20;
inline constexpr TextField ip {24, 15};
inline constexpr TextField mask {40, 15};
inline constexpr TextField gateway {56, 15};
inline constexpr TextField dns {72, 15};
inline constexpr TextField mac {104, 40};
inline constexpr TextField name {144, 63};
inline constexpr std::size_t httpPort = 240;
inline constexpr std::size_t rtspPort = 244;
inline constexpr std::size_t channels = 296;
inline constexpr std::size_t typeCode = 300;
inline constexpr TextField kind {304, 80};
inline constexpr TextField firmware {384, 127};
}

using OldModeSearchRequestBytes = std::array<std::uint8_t, OldModeSearchRequest::size>;
using BasicSearchRequestBytes = std::array<std::uint8_t, BasicSearchRequest::size>;
using ExtendedSearchRequestBytes = std::array<std::uint8_t, ExtendedSearchRequest::size>;

// The old-mode and basic requests carry the sending socket's own address, so
// they are built once per socket.
OldModeSearchRequestBytes buildOldModeSearchRequest(std::uint32_t localAddress);
BasicSearchRequestBytes buildBasicSearchRequest(std::uint32_t localAddress);
ExtendedSearchRequestBytes buildExtendedSearchRequest();

// The three kinds of search reply and what identifies each on the wire.
enum class ReplyKind { OldMode, Basic, Extended };

struct ReplyFormat {
    std::size_t size;
    std::string_view magic;
    std::uint8_t command;
};

ReplyFormat replyFormat(ReplyKind kind);
bool isSearchReply(ByteView datagram, ReplyKind kind);

} // namespace lorvena
