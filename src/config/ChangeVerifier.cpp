#include "config/ChangeVerifier.h"

#include "discovery/ReplyParser.h"
#include "net/SocketOps.h"
#include "platform/DebugTrace.h"
#include "platform/LocalAddresses.h"
#include "sdk/onvif/NeighbourTable.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>

namespace lorvena {

namespace {

using Clock = std::chrono::steady_clock;

// Big enough for any search reply and any ProbeMatches answer.
constexpr std::size_t datagramBytes = 65536;

struct Sender {
    UniqueFd socket;
    std::uint32_t address = 0;
};

// One socket per distinct local address, bound to it, allowed to broadcast,
// its multicast leaving through that address's interface.
std::vector<Sender> openSenders(const AddressSource& addresses)
{
    std::vector<Sender> senders;
    for (std::uint32_t address : addresses ? addresses() : std::vector<std::uint32_t> {}) {
        if (std::any_of(senders.begin(), senders.end(), [&](const Sender& s) { return s.address == address; }))
            continue;
        int error = 0;
        UniqueFd socket = OpenBroadcastSocket(address, SOCK_NONBLOCK, error);
        if (!socket)
            continue;
        in_addr outgoing {htonl(address)};
        setsockopt(socket.get(), IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing);
        senders.push_back({std::move(socket), address});
    }
    return senders;
}

void sendTo(const Sender& sender, ByteView bytes, std::uint32_t destination, std::uint16_t port)
{
    sockaddr_in target = Ipv4SocketAddress(destination, port);
    // A failed copy costs this round only; the next one sends again.
    sendto(sender.socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target),
        sizeof target);
}

void sendSearch(const Sender& sender, VerifyGeneration generation, const std::string (&probeIds)[2])
{
    switch (generation) {
    case VerifyGeneration::Old: {
        auto request = buildOldModeSearchRequest(sender.address);
        sendTo(sender, request, INADDR_BROADCAST, DiscoveryHeader::port);
        break;
    }
    case VerifyGeneration::Basic: {
        auto request = buildBasicSearchRequest(sender.address);
        sendTo(sender, request, INADDR_BROADCAST, DiscoveryHeader::port);
        break;
    }
    case VerifyGeneration::Extended: {
        auto request = buildExtendedSearchRequest();
        sendTo(sender, request, INADDR_BROADCAST, DiscoveryHeader::port);
        break;
    }
    case VerifyGeneration::Onvif: {
        in_addr group {};
        inet_pton(AF_INET, onvif::ns::discoveryGroup, &group);
        for (int type = 0; type < 2; ++type) {
            std::string probe = onvif::BuildProbe(
                type == 0 ? onvif::ProbeType::VideoTransmitter : onvif::ProbeType::Device, probeIds[type]);
            sendTo(sender,
                ByteView(reinterpret_cast<const std::uint8_t*>(probe.data()), probe.size()),
                ntohl(group.s_addr), onvif::ns::discoveryPort);
        }
        break;
    }
    }
}

// What one datagram says: the devices it describes, each with the
// generation whose search it answers.
std::vector<std::pair<VerifyGeneration, DeviceRecord>> devicesIn(ByteView datagram, std::uint32_t source)
{
    std::vector<std::pair<VerifyGeneration, DeviceRecord>> found;
    constexpr std::array kinds {std::pair {ReplyKind::OldMode, VerifyGeneration::Old},
        std::pair {ReplyKind::Basic, VerifyGeneration::Basic},
        std::pair {ReplyKind::Extended, VerifyGeneration::Extended}};
    for (auto [kind, generation] : kinds) {
        if (isSearchReply(datagram, kind)) {
            found.emplace_back(generation, parseSearchReply(kind, datagram).record);
            return found;
        }
    }
    std::string_view text(reinterpret_cast<const char*>(datagram.data()), datagram.size());
    for (const onvif::ProbeMatch& match : onvif::ParseProbeMatches(text)) {
        DeviceRecord record;
        const std::uint32_t service = onvif::ChooseServiceAddress(match, source).address;
        record.ip = dottedAddress(service);
        record.name = onvif::NameFromScopes(match.scopes);
        // A probe answer names no MAC. The device's row shows the one the
        // neighbour table holds for it, which this answer has usually just
        // put there; an answer without an entry is told by its address only.
        record.mac = onvif::NeighbourMac(service);
        if (record.mac.empty() && source != service)
            record.mac = onvif::NeighbourMac(source);
        found.emplace_back(VerifyGeneration::Onvif, std::move(record));
    }
    return found;
}

} // namespace

bool identityMatches(const ChangeExpectation& expected, const DeviceRecord& seen)
{
    if (expected.generation == VerifyGeneration::Onvif && (seen.mac.empty() || !macDigits(expected.identity))) {
        // Nothing to tell the device by: the one answering at its new fixed
        // address is taken for it. With DHCP, where any address will do,
        // that would take any device.
        return !expected.dhcp;
    }
    return sameMac(expected.identity, seen.mac);
}

bool addressMatches(const ChangeExpectation& expected, const DeviceRecord& seen)
{
    if (expected.dhcp) {
        // Any address will do, but a search reply that still says DHCP off
        // is the device that ignored the change, wherever it answers from.
        // (A probe answer carries no such flag.)
        return seen.dhcp != dhcpOffText;
    }
    return seen.ip == dottedAddress(expected.expectedIp);
}

std::string expectedAddressText(const ChangeExpectation& expected)
{
    return expected.dhcp ? std::string("DHCP") : dottedAddress(expected.expectedIp);
}

ChangeVerifier::ChangeVerifier(MessagePoster& poster, AddressSource addresses, std::chrono::milliseconds wait)
    : poster_(poster), addresses_(std::move(addresses)), wait_(wait)
{
    wake_.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
}

ChangeVerifier::~ChangeVerifier()
{
    stop();
    // No expect() runs any more: the thread is no longer started.
    if (thread_.joinable())
        thread_.join();
}

void ChangeVerifier::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
    if (wake_) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wake_.get(), &one, sizeof one);
    }
}

std::uint64_t ChangeVerifier::expect(const ChangeExpectation& expected)
{
    std::uint64_t ticket;
    {
        std::lock_guard lock(mutex_);
        ticket = nextTicket_++;
        if (stopped_)
            return ticket;
        // The thread starts with the first device: a window that never
        // changes one never runs it.
        if (!thread_.joinable())
            thread_ = std::thread(&ChangeVerifier::run, this);
        incoming_.push_back({ticket, expected, Clock::now() + wait_, std::nullopt});
        ++inFlight_;
    }
    changed_.notify_all();
    return ticket;
}

std::optional<VerificationResult> ChangeVerifier::take(std::uint64_t ticket)
{
    std::lock_guard lock(mutex_);
    auto found = results_.find(ticket);
    if (found == results_.end())
        return std::nullopt;
    VerificationResult result = std::move(found->second);
    results_.erase(found);
    return result;
}

std::size_t ChangeVerifier::pending() const
{
    std::lock_guard lock(mutex_);
    return inFlight_ + results_.size();
}

void ChangeVerifier::finish(Awaited&& awaited, bool confirmed)
{
    debugTrace(std::string(confirmed ? "verified " : "not seen ") + awaited.expected.identity);
    {
        std::lock_guard lock(mutex_);
        results_[awaited.ticket] = {awaited.ticket, awaited.expected, confirmed, confirmed ? awaited.lastSeen : std::nullopt};
        --inFlight_;
    }
    poster_.post({MessageId::ChangeVerified, static_cast<std::uintptr_t>(awaited.ticket), confirmed ? 1 : 0, {}});
}

void ChangeVerifier::run()
{
    std::vector<Awaited> awaited;
    while (!stopped_) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopped_ || !incoming_.empty() || !awaited.empty(); });
            if (stopped_)
                break;
            std::move(incoming_.begin(), incoming_.end(), std::back_inserter(awaited));
            incoming_.clear();
        }
        round(awaited);
    }
}

void ChangeVerifier::round(std::vector<Awaited>& awaited)
{
    const Clock::time_point roundEnd = Clock::now() + roundInterval;
    const std::string probeIds[2] = {onvif::NewMessageId(), onvif::NewMessageId()};
    std::vector<Sender> senders = openSenders(addresses_);
    for (VerifyGeneration generation :
        {VerifyGeneration::Old, VerifyGeneration::Basic, VerifyGeneration::Extended, VerifyGeneration::Onvif}) {
        if (std::none_of(awaited.begin(), awaited.end(),
                [&](const Awaited& a) { return a.expected.generation == generation; }))
            continue;
        for (const Sender& sender : senders)
            sendSearch(sender, generation, probeIds);
    }

    std::vector<std::uint8_t> buffer(datagramBytes);
    std::vector<pollfd> polled;
    polled.push_back({wake_.get(), POLLIN, 0});
    for (const Sender& sender : senders)
        polled.push_back({sender.socket.get(), POLLIN, 0});
    while (!stopped_ && !awaited.empty()) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(roundEnd - Clock::now()).count();
        if (left <= 0)
            break;
        for (pollfd& entry : polled)
            entry.revents = 0;
        int ready = poll(polled.data(), polled.size(), static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        for (std::size_t i = 1; i < polled.size(); ++i) {
            if (!(polled[i].revents & POLLIN))
                continue;
            for (;;) {
                sockaddr_in source {};
                socklen_t sourceLength = sizeof source;
                ssize_t count = recvfrom(polled[i].fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                    reinterpret_cast<sockaddr*>(&source), &sourceLength);
                if (count < 0 && errno == EINTR)
                    continue;
                if (count <= 0)
                    break;
                for (auto& [generation, record] :
                    devicesIn(ByteView(buffer.data(), static_cast<std::size_t>(count)), ntohl(source.sin_addr.s_addr))) {
                    for (auto it = awaited.begin(); it != awaited.end();) {
                        if (it->expected.generation != generation || !identityMatches(it->expected, record)) {
                            ++it;
                            continue;
                        }
                        it->lastSeen = record;
                        if (!addressMatches(it->expected, record)) {
                            ++it;
                            continue;
                        }
                        finish(std::move(*it), true);
                        it = awaited.erase(it);
                    }
                }
            }
        }
    }
    // Drain the wake-up so the next round's poll waits again; a stop is kept
    // in the flag.
    std::uint64_t value;
    [[maybe_unused]] ssize_t drained = read(wake_.get(), &value, sizeof value);

    // Stopped: the program is closing, nobody is left to tell.
    if (stopped_)
        return;
    const Clock::time_point now = Clock::now();
    for (auto it = awaited.begin(); it != awaited.end();) {
        if (now >= it->deadline) {
            finish(std::move(*it), false);
            it = awaited.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace lorvena
