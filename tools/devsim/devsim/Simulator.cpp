#include "devsim/Simulator.h"

#include "devsim/DevicePassword.h"
#include "devsim/Ipv4Text.h"
#include "platform/LocalAddresses.h"
#include "platform/TextCase.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <system_error>

namespace lorvena::devsim {

namespace {

// Larger than any UDP payload, so no datagram is cut and mistaken for a
// shorter one.
constexpr std::size_t receiveBufferSize = 65536;
// Descriptors kept free for everything else the process opens.
constexpr std::size_t spareDescriptors = 64;
constexpr std::string_view administrator = "admin";

// An empty text keeps the address; anything else must be a unicast address.
bool acceptableNewAddress(std::string_view text)
{
    if (text.empty())
        return true;
    std::optional<std::uint32_t> address = parseIpv4(text);
    return address && *address != 0 && (*address >> 28) < 0xE;
}

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

Simulator::Simulator(std::vector<SimulatedDevice> devices, SimulatorOptions options)
    : devices_(std::move(devices))
    , options_(std::move(options))
    , responder_(devices_)
    , upgrades_(devices_.size())
    , web_(devices_, log_, upgrades_,
          WebServers::UploadSinks {options_.upgradeDirectory, [this](std::size_t index) { scheduleRestart(index); }})
    , video_(devices_, log_, upgrades_, timers_)
{
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::openListeningSocket(std::string& error)
{
    std::optional<std::uint32_t> address = parseIpv4(options_.bindAddress);
    if (!address) {
        error = "not an IPv4 address: " + options_.bindAddress;
        return false;
    }
    listening_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!listening_) {
        error = systemError("socket");
        return false;
    }
    int on = 1;
    // SO_REUSEADDR lets a tool under test and several simulators share the
    // port in one namespace; IP_PKTINFO names the interface each request
    // came in on, which is how tests tell which copy went where.
    if (setsockopt(listening_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || setsockopt(listening_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        || setsockopt(listening_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        error = systemError("setsockopt");
        return false;
    }
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(options_.port);
    local.sin_addr.s_addr = htonl(*address);
    if (bind(listening_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = systemError("bind " + options_.bindAddress + ":" + std::to_string(options_.port));
        return false;
    }
    socklen_t length = sizeof local;
    if (getsockname(listening_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        error = systemError("getsockname");
        return false;
    }
    boundPort_ = ntohs(local.sin_port);
    return true;
}

bool Simulator::start(std::string& error)
{
    if (thread_.joinable())
        return true;
    if (!options_.logPath.empty() && !log_.isOpen() && !log_.open(options_.logPath, error))
        return false;
    if (!openListeningSocket(error))
        return false;
    wake_.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake_) {
        error = systemError("eventfd");
        return false;
    }
    // A reply socket and a web server per device, a few connections and
    // the rest of the process.
    constexpr std::size_t reserve = spareDescriptors + WebServers::maxConnections + VideoServers::maxConnections;
    std::size_t limit = ReplySockets::raiseDescriptorLimit(3 * devices_.size() + reserve);
    std::size_t budget = limit > reserve ? limit - reserve : 0;
    responder_.openSockets(budget);
    budget -= std::min(budget, responder_.ownSocketCount());
    if (!web_.open(budget, error))
        return false;
    budget -= std::min(budget, web_.serverCount());
    if (!video_.open(budget, error))
        return false;
    buffer_.resize(receiveBufferSize);
    stopping_ = false;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& failure) {
        error = std::string("cannot start the simulator thread: ") + failure.what();
        return false;
    }
    return true;
}

void Simulator::stop()
{
    if (!thread_.joinable())
        return;
    stopping_ = true;
    std::uint64_t one = 1;
    // The eventfd wakes the thread out of poll(); the flag stops a drain loop.
    [[maybe_unused]] ssize_t written = write(wake_.get(), &one, sizeof one);
    thread_.join();
    listening_.reset();
    wake_.reset();
    web_.close();
    video_.close();
    timers_.clear();
    // A restart cut short by the end must not leave the namespace without
    // the device's address.
    for (const ConfiguredAddress& address : std::vector<ConfiguredAddress>(down_))
        bringBack(address.address);
}

RequestCounts Simulator::counts() const
{
    RequestCounts counts;
    counts.oldSearch = oldSearch_.load();
    counts.basicSearch = basicSearch_.load();
    counts.extendedSearch = extendedSearch_.load();
    counts.unknown = unknown_.load();
    counts.datagramsSent = datagramsSent_.load();
    counts.oldModify = oldModify_.load();
    counts.basicModify = basicModify_.load();
    counts.extendedModify = extendedModify_.load();
    counts.changesApplied = changesApplied_.load();
    counts.httpRequests = web_.requestCount();
    UpgradeStore::Totals totals = upgrades_.totals();
    counts.uploads = totals.uploads;
    counts.uploadsEnded = totals.uploadsEnded;
    counts.videoServerLogins = totals.logins;
    counts.videoServerUpdates = totals.updatesEnded;
    counts.restarts = restarts_.load();
    return counts;
}

std::vector<SimulatedDevice> Simulator::devices() const
{
    std::lock_guard lock(stateMutex_);
    return devices_;
}

SimulatedDevice Simulator::device(std::size_t index) const
{
    std::lock_guard lock(stateMutex_);
    return devices_.at(index);
}

void Simulator::run()
{
    while (!stopping_) {
        pollfd watched[4] = {{listening_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0},
            {web_.pollDescriptor(), POLLIN, 0}, {video_.pollDescriptor(), POLLIN, 0}};
        if (poll(watched, 4, timers_.pollTimeout(Timers::Clock::now())) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched[1].revents != 0)
            return;
        if (watched[0].revents != 0)
            receiveAll();
        if (watched[2].revents != 0)
            web_.handleEvents();
        if (watched[3].revents != 0)
            video_.handleEvents();
        timers_.runDue(Timers::Clock::now());
    }
}

void Simulator::receiveAll()
{
    while (!stopping_) {
        sockaddr_in source {};
        iovec part {buffer_.data(), buffer_.size()};
        alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr message {};
        message.msg_name = &source;
        message.msg_namelen = sizeof source;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t received = recvmsg(listening_.get(), &message, MSG_DONTWAIT);
        if (received < 0)
            return; // EAGAIN: drained (other errors: poll again)

        int interfaceIndex = 0;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info {};
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                interfaceIndex = info.ipi_ifindex;
            }
        }
        handle(ByteView(buffer_.data(), static_cast<std::size_t>(received)), source, interfaceIndex);
    }
}

void Simulator::handle(ByteView datagram, const sockaddr_in& source, int interfaceIndex)
{
    ReceivedRequest request = RequestClassifier::classify(datagram);
    char interfaceName[IF_NAMESIZE] = "?";
    if (interfaceIndex > 0 && if_indextoname(static_cast<unsigned>(interfaceIndex), interfaceName) == nullptr)
        std::strcpy(interfaceName, "?");
    // Logged before answering: once a reply has arrived, its request is in
    // the log.
    log_.record(request.kind, source, request.addressText, interfaceName);

    switch (request.kind) {
    case RequestKind::OldSearch:
        ++oldSearch_;
        break;
    case RequestKind::BasicSearch:
        ++basicSearch_;
        break;
    case RequestKind::ExtendedSearch:
        ++extendedSearch_;
        break;
    // Modify requests are counted once handled: a test that has seen the
    // count rise sees the change.
    case RequestKind::OldModify:
        modify(request.kind, datagram, source);
        ++oldModify_;
        return;
    case RequestKind::BasicModify:
        modify(request.kind, datagram, source);
        ++basicModify_;
        return;
    case RequestKind::ExtendedModify:
        modify(request.kind, datagram, source);
        ++extendedModify_;
        return;
    case RequestKind::Unknown:
        ++unknown_;
        return;
    }
    std::optional<Generation> generation = searchGeneration(request.kind);
    if (generation && source.sin_port != 0)
        datagramsSent_ += responder_.answer(*generation, datagram, source, listening_.get());
}

void Simulator::modify(RequestKind kind, ByteView datagram, const sockaddr_in& source)
{
    ModifyRequest request = ModifyRequestCodec::read(kind, datagram);
    bool extended = request.generation == Generation::Extended;
    // Chosen before anything changes: a device that moves must not be taken
    // for another one.
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const SimulatedDevice& device = devices_[i];
        if (device.answers(request.generation) && dottedAddress(device.ip) == request.currentAddress
            && (!extended || equalsIgnoringCase(device.macText, request.macText)))
            chosen.push_back(i);
    }
    for (std::size_t index : chosen) {
        if (!extended) {
            // Never answered; a request with a bad new address changes nothing.
            if (acceptableNewAddress(request.change.newAddress) && !devices_[index].keepsAddress) {
                Retired retired = apply(index, request.change);
                release(retired);
            }
            continue;
        }
        std::uint8_t status = check(request, devices_[index]);
        std::vector<std::uint8_t> reply =
            ModifyRequestCodec::reply(status, request.currentAddress, devices_[index].macText);
        // The reply leaves from the address the request named, even when the
        // change moves the device: the old socket stays open until it is sent.
        int socket = responder_.socketFor(index, listening_.get());
        Retired retired;
        if (status == ExtendedModifyReplyLayout::accepted && !devices_[index].keepsAddress)
            retired = apply(index, request.change);
        if (source.sin_port != 0
            && sendto(socket, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&source), sizeof source)
                >= 0)
            ++datagramsSent_;
        release(retired);
    }
}

std::uint8_t Simulator::check(const ModifyRequest& request, const SimulatedDevice& device) const
{
    if (request.userName != administrator
        || !DevicePassword::matches(request.password, credentialText(device.password)))
        return ExtendedModifyReplyLayout::wrongPassword;
    if (!acceptableNewAddress(request.change.newAddress))
        return ExtendedModifyReplyLayout::refused;
    return ExtendedModifyReplyLayout::accepted;
}

Simulator::Retired Simulator::apply(std::size_t index, const NetworkChange& change)
{
    SimulatedDevice& device = devices_[index];
    const std::uint32_t oldIp = device.ip;
    const std::uint32_t oldHttpPort = device.httpPort;
    {
        std::lock_guard lock(stateMutex_);
        if (!change.newAddress.empty())
            device.ip = *parseIpv4(change.newAddress);
        if (!change.mask.empty())
            device.mask = fromDeviceText(change.mask, device.encoding);
        if (!change.gateway.empty())
            device.gateway = fromDeviceText(change.gateway, device.encoding);
        if (!change.dns.empty())
            device.dns = fromDeviceText(change.dns, device.encoding);
        device.httpPort = change.httpPort.value_or(device.httpPort);
        device.rtspPort = change.rtspPort.value_or(device.rtspPort);
        device.dhcp = change.dhcp;
    }
    ++changesApplied_;
    Retired retired;
    if (device.ip != oldIp) {
        std::string error;
        retired.alias = InterfaceAddresses::moveAlias(oldIp, device.ip, error);
        if (!error.empty())
            std::cerr << "lorvena-devsim: moving " << dottedAddress(oldIp) << " to " << dottedAddress(device.ip)
                      << ": " << error << '\n';
        retired.socket = responder_.sockets().move(index, oldIp, device.ip);
    }
    if (device.ip != oldIp || device.httpPort != oldHttpPort)
        web_.deviceMoved(index, oldIp, oldHttpPort);
    if (device.ip != oldIp)
        video_.deviceMoved(index);
    responder_.refresh(index);
    return retired;
}

void Simulator::release(Retired& retired)
{
    retired.socket.reset();
    if (!retired.alias)
        return;
    std::uint32_t address = retired.alias->address;
    if (std::any_of(devices_.begin(), devices_.end(), [address](const auto& device) { return device.ip == address; }))
        return;
    std::string error;
    if (!InterfaceAddresses::remove(*retired.alias, error))
        std::cerr << "lorvena-devsim: " << error << '\n';
}

void Simulator::scheduleRestart(std::size_t index)
{
    const std::optional<RebootPlan>& plan = devices_[index].upgrade.reboot;
    if (plan)
        timers_.after(plan->after, [this, index] { takeDown(index); });
}

void Simulator::takeDown(std::size_t index)
{
    const std::uint32_t ip = devices_[index].ip;
    std::vector<ConfiguredAddress> addresses;
    std::string error;
    if (!InterfaceAddresses::list(addresses, error)) {
        std::cerr << "lorvena-devsim: restart of " << dottedAddress(ip) << ": " << error << '\n';
        log_.recordEvent("reboot-failed", ip);
        return;
    }
    auto entry = std::find_if(
        addresses.begin(), addresses.end(), [ip](const ConfiguredAddress& address) { return address.address == ip; });
    // An interface's primary address takes the secondaries of its subnet
    // along when removed; an address not configured as such (all of 127/8
    // is local) cannot go away.
    auto sharesSubnet = [&](const ConfiguredAddress& other) {
        std::uint32_t mask = entry->prefixLength == 0 ? 0 : ~std::uint32_t {0} << (32 - entry->prefixLength);
        return other.address != ip && other.interfaceIndex == entry->interfaceIndex
            && (other.address & mask) == (ip & mask);
    };
    if (entry == addresses.end()
        || (!entry->secondary && std::any_of(addresses.begin(), addresses.end(), sharesSubnet))) {
        std::cerr << "lorvena-devsim: restart of " << dottedAddress(ip)
                  << ": the address is not a lab alias here; it stays\n";
        log_.recordEvent("reboot-failed", ip);
        return;
    }
    if (!InterfaceAddresses::remove(*entry, error)) {
        std::cerr << "lorvena-devsim: restart: " << error << '\n';
        log_.recordEvent("reboot-failed", ip);
        return;
    }
    log_.recordEvent("reboot-down", ip);
    down_.push_back(*entry);
    timers_.after(devices_[index].upgrade.reboot->down, [this, ip] { bringBack(ip); });
}

void Simulator::bringBack(std::uint32_t address)
{
    auto entry = std::find_if(
        down_.begin(), down_.end(), [address](const ConfiguredAddress& down) { return down.address == address; });
    if (entry == down_.end())
        return;
    ConfiguredAddress back = *entry;
    down_.erase(entry);
    std::string error;
    if (!InterfaceAddresses::add(back.interfaceIndex, back.address, back.prefixLength, error)) {
        std::cerr << "lorvena-devsim: restart: " << error << '\n';
        log_.recordEvent("reboot-failed", address);
        return;
    }
    log_.recordEvent("reboot-up", address);
    ++restarts_;
}

} // namespace lorvena::devsim
