#include "devsim/Simulator.h"

#include "devsim/Ipv4Text.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace lorvena::devsim {

namespace {

// Larger than any UDP payload, so no datagram is cut and mistaken for a
// shorter one.
constexpr std::size_t receiveBufferSize = 65536;

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

Simulator::Simulator(std::vector<SimulatedDevice> devices, SimulatorOptions options)
    : devices_(std::move(devices)), options_(std::move(options)), responder_(devices_)
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
    responder_.openSockets();
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
}

RequestCounts Simulator::counts() const
{
    return {oldSearch_.load(), basicSearch_.load(), extendedSearch_.load(), unknown_.load(), datagramsSent_.load()};
}

void Simulator::run()
{
    while (!stopping_) {
        pollfd watched[2] = {{listening_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched[1].revents != 0)
            return;
        if (watched[0].revents != 0)
            receiveAll();
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
    case RequestKind::Unknown:
        ++unknown_;
        return;
    }
    std::optional<Generation> generation = searchGeneration(request.kind);
    if (generation && source.sin_port != 0)
        datagramsSent_ += responder_.answer(*generation, datagram, source, listening_.get());
}

} // namespace lorvena::devsim
