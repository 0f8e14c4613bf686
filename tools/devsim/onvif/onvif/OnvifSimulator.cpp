#include "onvif/OnvifSimulator.h"

#include "onvif/DeviceService.h"
#include "onvif/ProbeAnswer.h"
#include "platform/LocalAddresses.h"
#include "platform/TextCase.h"
#include "sdk/onvif/OnvifNamespaces.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <random>

namespace lorvena::devsim::onvif {

namespace ns = lorvena::onvif::ns;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t maxHeadBytes = 8192;
constexpr std::size_t maxBodyBytes = 64 * 1024;
constexpr std::size_t maxConnections = 256;
constexpr std::size_t keptLogLines = 10000;
// A client that connects and never finishes its request loses the connection.
constexpr std::chrono::seconds connectionLifetime {10};

sockaddr_in socketAddress(const std::string& address, std::uint16_t port)
{
    sockaddr_in result {};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &result.sin_addr);
    return result;
}

std::string endpointText(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 413: return "Payload Too Large";
    default: return "Internal Server Error";
    }
}

std::string httpResponse(int status, const std::string& body)
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status)
        + "\r\nServer: lorvena-devsim\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Content-Length of a request head; 0 when absent, nullopt when unreadable.
std::optional<std::size_t> contentLength(std::string_view head)
{
    const std::string lower = lowerCased(head);
    std::size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos)
        return 0;
    std::size_t start = lower.find_first_not_of(" \t", at + 16);
    std::size_t length = 0;
    if (start == std::string::npos)
        return std::nullopt;
    auto [end, error] = std::from_chars(lower.data() + start, lower.data() + lower.size(), length);
    if (error != std::errc())
        return std::nullopt;
    return length;
}

} // namespace

OnvifSimulator::OnvifSimulator(std::vector<OnvifDeviceConfig> devices, OnvifSimulatorOptions options)
    : options_(std::move(options))
{
    for (OnvifDeviceConfig& config : devices) {
        Device device;
        device.state = InitialState(config);
        device.config = std::move(config);
        devices_.push_back(std::move(device));
    }
}

OnvifSimulator::~OnvifSimulator()
{
    stop();
}

bool OnvifSimulator::openDiscovery(std::string& error)
{
    discovery_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int on = 1;
    if (!discovery_ || setsockopt(discovery_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || setsockopt(discovery_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        error = std::string("discovery socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in any = socketAddress("0.0.0.0", options_.discoveryPort);
    if (bind(discovery_.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        error = "binding the discovery port " + std::to_string(options_.discoveryPort) + ": " + std::strerror(errno);
        return false;
    }
    in_addr group {};
    inet_pton(AF_INET, ns::discoveryGroup, &group);
    for (std::uint32_t address : localIpv4Addresses()) {
        ip_mreqn membership {};
        membership.imr_multiaddr = group;
        membership.imr_address.s_addr = htonl(address);
        // Two addresses of one interface share its membership: the second
        // join fails with EADDRINUSE and changes nothing.
        if (setsockopt(discovery_.get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) == 0)
            ++joinedGroups_;
    }
    return true;
}

void OnvifSimulator::openDeviceSockets(Device& device)
{
    const sockaddr_in service = socketAddress(device.state.servingAddress, device.state.servingPort);
    device.replySocket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_in local = service;
    local.sin_port = 0;
    if (device.replySocket && bind(device.replySocket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        device.replySocket.reset();

    device.listener.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int on = 1;
    if (!device.listener || setsockopt(device.listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || bind(device.listener.get(), reinterpret_cast<const sockaddr*>(&service), sizeof service) != 0
        || listen(device.listener.get(), 64) != 0)
        device.listener.reset();
}

bool OnvifSimulator::start(std::string& error)
{
    if (thread_.joinable())
        return true;
    if (!openDiscovery(error))
        return false;
    wake_.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    for (Device& device : devices_)
        openDeviceSockets(device);
    stopping_ = false;
    thread_ = std::thread(&OnvifSimulator::run, this);
    return true;
}

void OnvifSimulator::stop()
{
    stopping_ = true;
    if (wake_) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wake_.get(), &one, sizeof one);
    }
    if (thread_.joinable())
        thread_.join();
    connections_.clear();
    pending_.clear();
}

std::vector<OnvifDeviceState> OnvifSimulator::devices() const
{
    std::lock_guard lock(mutex_);
    std::vector<OnvifDeviceState> states;
    for (const Device& device : devices_)
        states.push_back(device.state);
    return states;
}

std::vector<std::string> OnvifSimulator::logLines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t OnvifSimulator::listeningServices() const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        devices_.begin(), devices_.end(), [](const Device& device) { return device.listener.valid(); }));
}

void OnvifSimulator::log(std::string line)
{
    if (options_.log)
        options_.log(line);
    std::lock_guard lock(mutex_);
    if (lines_.size() >= keptLogLines)
        lines_.erase(lines_.begin());
    lines_.push_back(std::move(line));
}

void OnvifSimulator::run()
{
    std::vector<pollfd> entries;
    // What each poll entry after the first two stands for: a device's
    // listener (index < devices) or a connection (index - devices).
    while (!stopping_) {
        entries.clear();
        entries.push_back({wake_.get(), POLLIN, 0});
        entries.push_back({discovery_.get(), POLLIN, 0});
        for (const Device& device : devices_)
            entries.push_back({device.listener.valid() ? device.listener.get() : -1, POLLIN, 0});
        for (const Connection& connection : connections_) {
            short events = connection.unsent.empty() ? POLLIN : POLLOUT;
            entries.push_back({connection.socket.get(), events, 0});
        }
        int timeout = 200;
        if (!pending_.empty()) {
            auto due = std::min_element(pending_.begin(), pending_.end(),
                [](const PendingAnswer& a, const PendingAnswer& b) { return a.due < b.due; })->due;
            auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, 200));
        }
        int ready = poll(entries.data(), entries.size(), timeout);
        if (stopping_)
            break;
        sendDueAnswers();
        if (ready < 0)
            continue;
        if (entries[1].revents & POLLIN)
            receiveProbes();
        const std::size_t deviceCount = devices_.size();
        // Connections first: accepting adds to the list the entries refer to.
        std::vector<Connection> kept;
        const auto oldest = Clock::now() - connectionLifetime;
        for (std::size_t i = 0; i < connections_.size(); ++i) {
            short revents = entries[2 + deviceCount + i].revents;
            bool open = revents == 0 ? connections_[i].opened > oldest : serve(connections_[i], revents);
            if (open)
                kept.push_back(std::move(connections_[i]));
        }
        connections_ = std::move(kept);
        for (std::size_t i = 0; i < deviceCount; ++i) {
            if (entries[2 + i].revents & POLLIN)
                acceptAll(i);
        }
    }
}

void OnvifSimulator::receiveProbes()
{
    static thread_local std::mt19937 generator {std::random_device {}()};
    std::vector<char> buffer(65536);
    for (;;) {
        sockaddr_in source {};
        char control[256];
        iovec vector {buffer.data(), buffer.size()};
        msghdr message {};
        message.msg_name = &source;
        message.msg_namelen = sizeof source;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t count = recvmsg(discovery_.get(), &message, MSG_DONTWAIT);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (message.msg_flags & MSG_TRUNC)
            continue;
        in_addr destination {};
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info {};
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                destination = info.ipi_addr;
            }
        }
        auto probe = ParseProbe(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        if (!probe)
            continue;
        log("onvif-probe " + endpointText(source));
        const bool multicast = IN_MULTICAST(ntohl(destination.s_addr));
        char destinationText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &destination, destinationText, sizeof destinationText);
        std::uniform_int_distribution<long long> delay(0, std::max<long long>(0, options_.maxProbeDelay.count()));
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            Device& device = devices_[i];
            bool addressed = multicast ? device.config.answersMulticast : device.state.servingAddress == destinationText;
            if (!addressed || !ProbeMatchesDevice(*probe, device.config))
                continue;
            PendingAnswer answer;
            answer.due = Clock::now() + std::chrono::milliseconds(delay(generator));
            answer.device = i;
            answer.destination = source;
            answer.datagram = BuildProbeMatches(*probe, device.config, device.state, ++device.messageNumber);
            pending_.push_back(std::move(answer));
        }
    }
}

void OnvifSimulator::sendDueAnswers()
{
    const auto now = Clock::now();
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        const Device& device = devices_[it->device];
        int socket = device.replySocket.valid() ? device.replySocket.get() : discovery_.get();
        sendto(socket, it->datagram.data(), it->datagram.size(), MSG_NOSIGNAL,
            reinterpret_cast<const sockaddr*>(&it->destination), sizeof it->destination);
        it = pending_.erase(it);
    }
}

void OnvifSimulator::acceptAll(std::size_t device)
{
    for (;;) {
        UniqueFd socket(accept4(devices_[device].listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket)
            return;
        if (connections_.size() >= maxConnections)
            continue; // closed at once
        Connection connection;
        connection.socket = std::move(socket);
        connection.device = device;
        connection.opened = Clock::now();
        connections_.push_back(std::move(connection));
    }
}

bool OnvifSimulator::serve(Connection& connection, short events)
{
    if (!connection.unsent.empty() && (events & POLLOUT)) {
        ssize_t sent = send(connection.socket.get(), connection.unsent.data(), connection.unsent.size(), MSG_NOSIGNAL);
        if (sent < 0)
            return errno == EAGAIN || errno == EINTR;
        connection.unsent.erase(0, static_cast<std::size_t>(sent));
        return !connection.unsent.empty();
    }
    if (events & (POLLERR | POLLHUP | POLLNVAL)) {
        if (!(events & POLLIN))
            return false;
    }
    char buffer[8192];
    ssize_t count = recv(connection.socket.get(), buffer, sizeof buffer, 0);
    if (count < 0)
        return errno == EAGAIN || errno == EINTR;
    if (count == 0)
        return false;
    if (connection.answered)
        return true; // what a client sends after its request is ignored
    connection.received.append(buffer, static_cast<std::size_t>(count));

    std::size_t headEnd = connection.received.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
        if (connection.received.size() > maxHeadBytes) {
            connection.unsent = httpResponse(413, "");
            connection.answered = true;
        }
        return true;
    }
    std::optional<std::size_t> length = contentLength(std::string_view(connection.received).substr(0, headEnd + 2));
    if (!length || *length > maxBodyBytes) {
        connection.unsent = httpResponse(length ? 413 : 400, "");
        connection.answered = true;
        return true;
    }
    if (connection.received.size() - (headEnd + 4) < *length)
        return true;
    answer(connection, std::string_view(connection.received).substr(headEnd + 4, *length));
    return true;
}

void OnvifSimulator::answer(Connection& connection, std::string_view body)
{
    connection.answered = true;
    Device& device = devices_[connection.device];
    OnvifDeviceState before;
    ServiceReply reply;
    {
        std::lock_guard lock(mutex_);
        before = device.state;
        reply = AnswerRequest(body, device.config, device.state, std::chrono::system_clock::now());
    }
    log("onvif " + reply.action + " " + before.servingAddress + " " + std::string(OutcomeWord(reply.outcome)));
    connection.unsent = httpResponse(reply.status, reply.body);
    if (reply.configured && options_.onChange) {
        OnvifChangeEvent event {connection.device, OnvifChangeEvent::Kind::Configured, before, devices()[connection.device]};
        options_.onChange(event);
    }
    // The reply goes out on the connection already accepted; moving the
    // listener does not disturb it.
    if (reply.applyNow)
        apply(connection.device);
}

void OnvifSimulator::apply(std::size_t index)
{
    Device& device = devices_[index];
    OnvifDeviceState before;
    OnvifDeviceState after;
    {
        std::lock_guard lock(mutex_);
        before = device.state;
        device.state.servingAddress = device.state.address;
        device.state.servingPort = device.state.httpPort;
        after = device.state;
    }
    if (before.servingAddress == after.servingAddress && before.servingPort == after.servingPort)
        return;
    if (options_.onChange)
        options_.onChange({index, OnvifChangeEvent::Kind::Applied, before, after});
    std::lock_guard lock(mutex_);
    openDeviceSockets(device);
}

} // namespace lorvena::devsim::onvif
