#include "config/ExtendedExchange.h"

#include "discovery/SearchPackets.h"
#include "net/SocketOps.h"
#include "platform/DebugTrace.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace lorvena {

namespace {

using Clock = std::chrono::steady_clock;

UniqueFd openSendingSocket(std::uint32_t localAddress)
{
    int error = 0;
    return OpenBroadcastSocket(localAddress, 0, error);
}

// One socket per distinct local address. An address whose socket cannot be
// made is left out: the device may still be reached through the others.
std::vector<UniqueFd> openSendingSockets(const AddressSource& localAddresses)
{
    std::vector<std::uint32_t> addresses = localAddresses ? localAddresses() : std::vector<std::uint32_t> {};
    std::vector<std::uint32_t> served;
    std::vector<UniqueFd> sockets;
    for (std::uint32_t address : addresses) {
        if (std::find(served.begin(), served.end(), address) != served.end())
            continue;
        served.push_back(address);
        if (UniqueFd socket = openSendingSocket(address))
            sockets.push_back(std::move(socket));
    }
    return sockets;
}

void sendRequest(const std::vector<UniqueFd>& sockets, ByteView request)
{
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(DiscoveryHeader::port);
    destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    for (const UniqueFd& socket : sockets) {
        ssize_t sent = sendto(socket.get(), request.data(), request.size(), 0,
            reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        debugTrace("sendto return :" + std::to_string(sent));
    }
}

enum class WaitResult { Readable, TimedOut, Failed };

// Waits until a socket is readable or `deadline` passes. poll rather than
// select: a descriptor number above FD_SETSIZE (a long-running window holds
// many) would overrun select's set. A signal is no failure: the wait goes on.
WaitResult waitReadable(std::vector<pollfd>& polled, Clock::time_point deadline)
{
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return WaitResult::TimedOut;
        int timeout = static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), INT_MAX));
        for (pollfd& entry : polled)
            entry.revents = 0;
        int ready = poll(polled.data(), static_cast<nfds_t>(polled.size()), timeout);
        if (ready > 0)
            return WaitResult::Readable;
        if (ready < 0 && errno != EINTR)
            return WaitResult::Failed;
    }
}

// Reads one datagram from each readable socket. Gives the outcome once the
// device has answered or a receive failed; nothing while only other traffic
// came in. Every readable socket gets its turn, so a busy one cannot hide the
// device's answer on another.
std::optional<ExchangeOutcome> receiveReady(
    const std::vector<pollfd>& polled, std::string_view deviceIpText, std::string_view deviceMacText)
{
    std::array<std::uint8_t, ExtendedModifyReply::maxSize> buffer {};
    for (const pollfd& entry : polled) {
        if (entry.revents == 0)
            continue;
        sockaddr_in sender {};
        socklen_t senderLength = sizeof sender;
        ssize_t count = recvfrom(entry.fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
            reinterpret_cast<sockaddr*>(&sender), &senderLength);
        debugTrace("recvfrom:" + std::to_string(count));
        if (count < 0) {
            // Readiness that vanished (a datagram dropped for its checksum)
            // is no failure; anything else is.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return ExchangeOutcome::ReceiveError;
        }
        if (count == 0 || dottedAddress(ntohl(sender.sin_addr.s_addr)) != deviceIpText)
            continue;
        if (!replyFromDevice(ByteView(buffer.data(), static_cast<std::size_t>(count)), deviceMacText))
            continue;
        return replyOutcome(ByteView(buffer.data(), static_cast<std::size_t>(count)));
    }
    return std::nullopt;
}

ExchangeOutcome awaitReply(const std::vector<UniqueFd>& sockets, std::string_view deviceIpText,
    std::string_view deviceMacText, ExchangeTimings timings)
{
    std::vector<pollfd> polled;
    for (const UniqueFd& socket : sockets)
        polled.push_back({socket.get(), POLLIN, 0});

    const Clock::time_point wholeDeadline = Clock::now() + timings.whole;
    for (;;) {
        debugTrace("Recv...");
        // Each wait starts afresh after ignored traffic, but never runs past
        // the end of the whole exchange.
        Clock::time_point waitDeadline = std::min(Clock::now() + timings.wait, wholeDeadline);
        switch (waitReadable(polled, waitDeadline)) {
        case WaitResult::TimedOut:
            return ExchangeOutcome::Timeout;
        case WaitResult::Failed:
            return ExchangeOutcome::ReceiveError;
        case WaitResult::Readable:
            break;
        }
        if (std::optional<ExchangeOutcome> outcome = receiveReady(polled, deviceIpText, deviceMacText))
            return *outcome;
    }
}

// The hex digits of a MAC text, lower case: "00-1A-2b..." and "00:1a:2B..."
// name the same device. Kept apart from discovery's macDigits on purpose:
// that one refuses a spelling it does not know, while here every hex digit
// counts whatever surrounds it, so a device's own odd spelling of its MAC in
// a reply still matches the listed one.
std::string macDigits(std::string_view text)
{
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return digits;
}

} // namespace

bool replyFromDevice(ByteView reply, std::string_view macText)
{
    namespace R = ExtendedModifyReply;
    if (!DiscoveryHeader::matches(reply, DiscoveryHeader::newMagic, R::command))
        return false;
    if (reply.size() <= R::macText || reply[R::macText] == 0)
        return true; // no MAC named: the sender's address is all there is
    std::size_t size = std::min(R::macTextSize, reply.size() - R::macText);
    std::string_view named(reinterpret_cast<const char*>(reply.data() + R::macText), size);
    named = named.substr(0, named.find('\0'));
    const std::string expected = macDigits(macText);
    return expected.empty() || macDigits(named) == expected;
}

ExchangeOutcome replyOutcome(ByteView reply)
{
    if (reply.size() <= ExtendedModifyReply::status)
        return ExchangeOutcome::Refused;
    switch (reply[ExtendedModifyReply::status]) {
    case ExtendedModifyReply::accepted:
        return ExchangeOutcome::Accepted;
    case ExtendedModifyReply::wrongPassword:
        return ExchangeOutcome::WrongPassword;
    default:
        return ExchangeOutcome::Refused;
    }
}

ExchangeOutcome ExtendedExchange(const ModifyValues& values, const AddressSource& localAddresses, ExchangeTimings timings)
{
    debugTrace("Mofify...");
    // The sockets close when the exchange ends, whatever its outcome.
    const std::vector<UniqueFd> sockets = openSendingSockets(localAddresses);
    const ExtendedModifyRequestBytes request = buildExtendedModifyRequest(values);
    sendRequest(sockets, request);
    return awaitReply(sockets, values.currentIpText, values.macText, timings);
}

} // namespace lorvena
