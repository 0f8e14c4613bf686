#pragma once

#include "config/ModifyRequests.h"
#include "discovery/InterfaceSockets.h"
#include "discovery/WireBytes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lorvena {

enum class ExchangeOutcome { Accepted, WrongPassword, Refused, Timeout, ReceiveError };

// `wait` bounds each wait for a datagram and starts again after every datagram
// that is not the device's answer; `whole` bounds the entire exchange, so that
// a steady stream of other datagrams cannot keep the caller blocked.
struct ExchangeTimings {
    std::chrono::milliseconds wait {10000};
    std::chrono::milliseconds whole {30000};
};

// The device's answer to an ExtendedModifyRequest: a datagram of up to 1024
// bytes from the device's current address, starting with the new magic and
// command 13, then the status byte; the device's address text and its MAC
// text follow.
namespace ExtendedModifyReply {
inline constexpr std::size_t maxSize = 1024;
inline constexpr std::uint8_t command = 13;
inline constexpr std::size_t status = 13;
inline constexpr std::size_t macText = 32;
inline constexpr std::size_t macTextSize = 18;
inline constexpr std::uint8_t accepted = 0;
inline constexpr std::uint8_t wrongPassword = 16;
} // namespace ExtendedModifyReply

// What a non-empty datagram from the device says. One of 13 bytes or fewer
// has no status byte; it is taken as a refusal, since it is neither of the two
// answers the device gives by status, and accepting it could report a change
// that never happened.
ExchangeOutcome replyOutcome(ByteView reply);

// Whether a datagram is the answer of the device named by `macText`: the new
// magic and the reply's command, and, where the reply is long enough to name
// a MAC and does, that MAC in any spelling (compared as its hex digits).
// Anything else (a search reply, another device at the same address, a
// stranger's datagram) gives no verdict.
bool replyFromDevice(ByteView reply, std::string_view macText);

// Sends the extended modify request for `values` and waits for the device's
// answer, which comes from its current address (`values.currentIpText`).
//
// The request leaves from one socket per local IPv4 address, each bound to its
// address with broadcast permission: on Linux a broadcast from an unbound
// socket leaves only through the default route's interface (or not at all
// without a default route), so a device on another network card would never
// hear it. The answer is awaited on all these sockets. With no local address
// nothing is sent and the outcome is Timeout once the wait has passed.
//
// Datagrams that are empty, come from another address or are not the device's
// answer (replyFromDevice) are ignored. A failing
// wait or receive ends the exchange with ReceiveError.
ExchangeOutcome ExtendedExchange(
    const ModifyValues& values, const AddressSource& localAddresses, ExchangeTimings timings = {});

} // namespace lorvena
