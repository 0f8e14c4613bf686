#include "sdk/onvif/DiscoverySearch.h"

#include "net/SocketOps.h"
#include "platform/DebugTrace.h"
#include "platform/LocalAddresses.h"
#include "sdk/onvif/DeviceEnrichment.h"
#include "sdk/onvif/LocalSubnets.h"
#include "sdk/onvif/OnvifNamespaces.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <random>

namespace lorvena::onvif {

namespace {

using Clock = std::chrono::steady_clock;

// Big enough for any UDP payload: a longer answer is cut and refused.
constexpr std::size_t datagramBytes = 65536;

std::uint32_t groupAddress()
{
    in_addr group {};
    inet_pton(AF_INET, ns::discoveryGroup, &group);
    return ntohl(group.s_addr);
}

std::chrono::milliseconds randomDelay(std::chrono::milliseconds low, std::chrono::milliseconds high)
{
    static thread_local std::mt19937 generator {std::random_device {}()};
    if (high <= low)
        return low;
    std::uniform_int_distribution<long long> pick(low.count(), high.count());
    return std::chrono::milliseconds(pick(generator));
}

int waitMilliseconds(Clock::time_point until)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1000));
}

} // namespace

DiscoverySearch::DiscoverySearch(SweepMode sweep, OnvifSearchRoutine routine, void* user, OnvifSettings settings)
    : sweep_(sweep)
    , routine_(routine)
    , user_(user)
    , settings_(std::move(settings))
    , messageIds_ {NewMessageId(), NewMessageId()}
    , sweepWindow_(settings_.sweepInFlight, settings_.sweepHold)
{
}

DiscoverySearch::~DiscoverySearch()
{
    stop();
    if (thread_.joinable())
        thread_.join();
    joinWorkers();
}

bool DiscoverySearch::start()
{
    wake_.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_)
        return false;
    buffer_.resize(datagramBytes);
    try {
        thread_ = std::thread(&DiscoverySearch::run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DiscoverySearch::stop()
{
    {
        std::lock_guard lock(routineMutex_);
        stopped_ = true;
    }
    {
        std::lock_guard lock(queueMutex_);
        queueChanged_.notify_all();
    }
    if (wake_) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wake_.get(), &one, sizeof one);
    }
}

void DiscoverySearch::openSenders()
{
    for (std::uint32_t address : localIpv4Addresses()) {
        Sender sender;
        sender.address = address;
        sender.socket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!sender.socket)
            continue;
        sockaddr_in local = Ipv4SocketAddress(address, 0);
        if (bind(sender.socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            continue;
        // Each address sends on its own interface: without this the kernel
        // would send every copy out of the default route's interface.
        in_addr outgoing {htonl(address)};
        setsockopt(sender.socket.get(), IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing);
        senders_.push_back(std::move(sender));
    }
    if (sweep_ == SweepMode::AlsoSubnetHosts) {
        sweepTargets_ = SweepTargets(LocalSubnets(), settings_.sweepLoopback);
        // A probe to an absent host waits in the socket's send buffer until
        // the neighbour lookup gives up (seconds), so one socket holds only
        // a few dozen hosts in flight. Several sockets keep a /22 moving.
        for (std::size_t i = 0; i < std::max<std::size_t>(1, settings_.sweepSockets); ++i) {
            Sender sweeper;
            sweeper.socket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (!sweeper.socket)
                break;
            int bytes = 1 << 20; // capped by the system's limit; only a wish
            setsockopt(sweeper.socket.get(), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
            senders_.push_back(std::move(sweeper));
        }
    }
}

bool DiscoverySearch::sendProbes(int socket, std::uint32_t destination)
{
    sockaddr_in target = Ipv4SocketAddress(destination, ns::discoveryPort);
    for (int type = 0; type < 2; ++type) {
        std::string probe = BuildProbe(type == 0 ? ProbeType::VideoTransmitter : ProbeType::Device, messageIds_[type]);
        // Any other failed send (no multicast on that interface, no route)
        // costs that copy only; the repeats and the other interfaces go on.
        if (sendto(socket, probe.data(), probe.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target),
                sizeof target) < 0
            && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
            return false;
    }
    return true;
}

void DiscoverySearch::sendRound()
{
    const std::uint32_t group = groupAddress();
    for (const Sender& sender : senders_) {
        if (sender.address != 0)
            sendProbes(sender.socket.get(), group);
    }
}

void DiscoverySearch::sendSweepBatch(Clock::time_point now)
{
    std::vector<int> sweepers;
    for (const Sender& sender : senders_) {
        if (sender.address == 0)
            sweepers.push_back(sender.socket.get());
    }
    if (sweepers.empty()) {
        sweepNext_ = sweepTargets_.size();
        return;
    }
    // A host whose probes did not fit anywhere keeps its place and is tried
    // again at the next interval, when earlier lookups have ended.
    std::size_t fullInARow = 0;
    const std::size_t batch = std::min(settings_.sweepBatch, sweepWindow_.room(now));
    for (std::size_t sent = 0; sent < batch && sweepNext_ < sweepTargets_.size();) {
        if (sendProbes(sweepers[sweepSocket_ % sweepers.size()], sweepTargets_[sweepNext_])) {
            sweepWindow_.asked(sweepTargets_[sweepNext_], now);
            lastSweepSend_ = now;
            ++sweepNext_;
            ++sent;
            fullInARow = 0;
        } else if (++fullInARow == sweepers.size()) {
            return;
        }
        sweepSocket_ = (sweepSocket_ + 1) % sweepers.size();
    }
}

void DiscoverySearch::run()
{
    debugTrace("ONVIF search...");
    openSenders();
    const Clock::time_point begin = Clock::now();
    const Clock::time_point deadline = begin + settings_.searchWait;
    Clock::time_point nextRound = begin;
    int roundsLeft = 1 + std::max(0, settings_.probeRepeats);
    std::chrono::milliseconds delay = randomDelay(settings_.probeMinDelay, settings_.probeMaxDelay);
    Clock::time_point nextSweep = begin;
    const bool sweeping = sweep_ == SweepMode::AlsoSubnetHosts;

    std::vector<pollfd> entries;
    while (!stopped_) {
        Clock::time_point now = Clock::now();
        const bool sweepLeft = sweeping && sweepNext_ < sweepTargets_.size();
        const Clock::time_point end = sweeping ? std::max(deadline, lastSweepSend_ + settings_.sweepAnswerWait)
                                               : deadline;
        if (now >= end && !sweepLeft)
            break;
        if (roundsLeft > 0 && now >= nextRound) {
            sendRound();
            --roundsLeft;
            nextRound = now + delay;
            delay = std::min(delay * 2, settings_.probeUpperDelay);
        }
        if (sweepLeft && now >= nextSweep) {
            // A full window sends nothing; each interval looks again, so a
            // place freed by an answer is taken at once.
            sendSweepBatch(now);
            nextSweep = now + settings_.sweepInterval;
        }
        // Past the end only the sweep is left to wait for.
        Clock::time_point until = end > now ? end : now + settings_.sweepInterval;
        if (roundsLeft > 0)
            until = std::min(until, nextRound);
        if (sweeping && sweepNext_ < sweepTargets_.size())
            until = std::min(until, nextSweep);

        entries.clear();
        entries.push_back({wake_.get(), POLLIN, 0});
        for (const Sender& sender : senders_)
            entries.push_back({sender.socket.get(), POLLIN, 0});
        int ready = poll(entries.data(), entries.size(), waitMilliseconds(until));
        if (ready <= 0)
            continue;
        for (std::size_t i = 1; i < entries.size(); ++i) {
            if (entries[i].revents & POLLIN)
                receiveFrom(entries[i].fd);
        }
    }

    {
        std::lock_guard lock(queueMutex_);
        collecting_ = false;
        queueChanged_.notify_all();
    }
    joinWorkers();
    report(nullptr);
    finished_ = true;
}

void DiscoverySearch::receiveFrom(int socket)
{
    for (;;) {
        sockaddr_in source {};
        socklen_t sourceLength = sizeof source;
        ssize_t count = recvfrom(socket, buffer_.data(), buffer_.size(), MSG_TRUNC,
            reinterpret_cast<sockaddr*>(&source), &sourceLength);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return; // drained (EAGAIN) or a pending error reported on this socket
        }
        if (static_cast<std::size_t>(count) > buffer_.size())
            continue; // cut: no answer of ours is that long
        // Whatever came from a swept host shows that its lookup resolved.
        sweepWindow_.answered(ntohl(source.sin_addr.s_addr));
        std::string_view datagram(reinterpret_cast<const char*>(buffer_.data()), static_cast<std::size_t>(count));
        for (const ProbeMatch& match : ParseProbeMatches(datagram))
            accept(match, ntohl(source.sin_addr.s_addr));
    }
}

void DiscoverySearch::accept(const ProbeMatch& match, std::uint32_t source)
{
    // The endpoint reference is the device's identity across its addresses
    // and across the repeated probes; a device on a foreign subnet is kept
    // all the same (the installer is about to move it).
    std::string identity = match.endpoint;
    if (identity.empty()) {
        for (const std::string& xaddr : match.xaddrs)
            identity += xaddr + " ";
    }
    std::lock_guard lock(queueMutex_);
    if (seen_.size() >= settings_.searchEndpoints) {
        if (!endpointsCapped_)
            debugTrace("ONVIF search: more than " + std::to_string(settings_.searchEndpoints) +
                " devices answered; the rest is dropped");
        endpointsCapped_ = true;
        return;
    }
    if (!seen_.insert(identity).second)
        return;
    queue_.push_back({match, source});
    if (workers_.size() < std::max<std::size_t>(1, settings_.searchWorkers)) {
        try {
            workers_.emplace_back(&DiscoverySearch::describeLoop, this);
        } catch (const std::system_error&) {
            // The workers already running take the queue.
            if (workers_.empty())
                queue_.clear();
        }
    }
    queueChanged_.notify_one();
}

void DiscoverySearch::describeLoop()
{
    for (;;) {
        Found found;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return stopped_ || !queue_.empty() || !collecting_; });
            if (stopped_ || queue_.empty())
                return;
            found = std::move(queue_.front());
            queue_.pop_front();
        }
        // Devices still waiting when the search's time is up are listed with
        // what their answer told: asking each in turn (up to the request
        // budget apiece) would hold the end of the search for as long as
        // the network cared to keep answering.
        DiscoveredDevice device = collecting()
            ? DescribeDevice(found.match, found.source, settings_, &stopped_)
            : DeviceFromAnswer(found.match, found.source);
        OnvifDeviceRecord record = MakeDeviceRecord(device);
        report(&record);
    }
}

bool DiscoverySearch::collecting()
{
    std::lock_guard lock(queueMutex_);
    return collecting_;
}

void DiscoverySearch::report(const OnvifDeviceRecord* record)
{
    std::lock_guard lock(routineMutex_);
    if (!stopped_)
        routine_(record, user_);
}

void DiscoverySearch::joinWorkers()
{
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(queueMutex_);
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) {
        if (worker.joinable())
            worker.join();
    }
}

} // namespace lorvena::onvif
