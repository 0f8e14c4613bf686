#pragma once

#include "config/ModifyRequests.h"
#include "discovery/InterfaceSockets.h"
#include "discovery/WireBytes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace lorvena {

enum class ExchangeOutcome { Accepted, WrongPassword, Refused, Timeout, ReceiveError };

// `wait` bounds each wait for a datagram and starts again after every datagram
// that is not the device's answer; `whole` bounds the entire exchange, so that
// a steady stream of other datagrams cannot keep the caller blocked.
struct ExchangeTimings {
    std::chrono::milliseconds wait {10000};
    std::chrono::milliseconds whole {30000};
};

// The device's answer to an ExtendedModifyRequest: any datagram of 1 to 1024
// bytes from the device's current address. Only the status byte is read.
namespace ExtendedModifyReply {
inline constexpr std::size_t maxSize = 1024;
inline constexpr std::size_t status = 13;
inline constexpr std::uint8_t accepted = 0;
inline constexpr std::uint8_t wrongPassword = 16;
} // namespace ExtendedModifyReply

// What a non-empty datagram from the device says. One of 13 bytes or fewer
// has no status byte; it is taken as a refusal, since it is neither of the two
// answers the device gives by status, and accepting it could report a change
// that never happened.
ExchangeOutcome replyOutcome(ByteView reply);

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
// Datagrams that are empty or come from another address are ignored. A failing
// wait or receive ends the exchange with ReceiveError.
ExchangeOutcome ExtendedExchange(
    const ModifyValues& values, const AddressSource& localAddresses, ExchangeTimings timings = {});

} // namespace lorvena
