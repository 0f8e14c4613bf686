#include "discovery/InterfaceSockets.h"

#include "discovery/SearchPackets.h"
#include "net/SocketOps.h"
#include "platform/DebugTrace.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lorvena {

namespace {

// A search on a busy segment makes every device answer at once; the default
// receive buffer (about 200 KiB) holds only a few hundred replies, so ask for
// much more. SO_RCVBUFFORCE goes past the system limit when we are allowed to.
constexpr int receiveBufferBytes = 32 * 1024 * 1024;

void enlargeReceiveBuffer(int socket)
{
    int size = receiveBufferBytes;
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

// On failure `error` holds the errno of the step that failed.
UniqueFd openSearchSocket(std::uint32_t localAddress, int& error)
{
    UniqueFd socket = OpenBroadcastSocket(localAddress, 0, error);
    if (!socket)
        return {};
    int on = 1;
    enlargeReceiveBuffer(socket.get());
    // Each datagram then carries the socket's running count of datagrams
    // lost to a full buffer: the only sign that a burst was too big.
    setsockopt(socket.get(), SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    // Without it the kernel reports a request it dropped before it left (a
    // full neighbour table, a full device queue) as sent. The errors the
    // network reports back come with it; the receiver reads them off.
    setsockopt(socket.get(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    return socket;
}

bool isBoundTo(int socket, std::uint32_t candidate)
{
    sockaddr_in bound {};
    socklen_t length = sizeof bound;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return false;
    return ntohl(bound.sin_addr.s_addr) == candidate;
}

} // namespace

InterfaceSockets::InterfaceSockets(AddressSource addresses) : addresses_(std::move(addresses)) {}

InterfaceSockets::~InterfaceSockets()
{
    closeAll();
}

std::list<InterfaceSocket>& InterfaceSockets::list(SocketFamily family)
{
    return family == SocketFamily::Basic ? basicSockets_ : extendedSockets_;
}

std::string describeSocketProblem(const SocketProblem& problem)
{
    char address[INET_ADDRSTRLEN] = "";
    in_addr raw {htonl(problem.localAddress)};
    inet_ntop(AF_INET, &raw, address, sizeof address);
    const std::string cause = problem.error != 0 ? std::string(": ") + std::strerror(problem.error) : std::string();
    switch (problem.step) {
    case SocketProblem::Step::NoAddress:
        return "no local IPv4 address: the search was not sent";
    case SocketProblem::Step::Open:
        return std::string("no socket on ") + address + cause + "; nothing is sent or heard there";
    case SocketProblem::Step::Send:
        return std::string("the search did not leave from ") + address + cause;
    case SocketProblem::Step::Receive:
        return std::string("the socket on ") + address + " failed" + cause + "; it is opened again at the next search";
    }
    return {};
}

void InterfaceSockets::report(const SocketProblem& problem) const
{
    debugTrace(describeSocketProblem(problem));
    if (problemSink_)
        problemSink_(problem);
}

void InterfaceSockets::refreshSockets(SocketFamily family)
{
    std::list<InterfaceSocket>& sockets = list(family);
    const std::vector<std::uint32_t> addresses = addresses_();
    // Both families refresh for a search; one word about it is enough.
    if (addresses.empty() && family == SocketFamily::Basic)
        report({SocketProblem::Step::NoAddress});
    for (std::uint32_t candidate : addresses) {
        {
            std::lock_guard lock(interfaceLock_);
            std::uint64_t& retiredDrops = family == SocketFamily::Basic ? retiredBasicDrops_ : retiredExtendedDrops_;
            std::erase_if(sockets, [&retiredDrops](const InterfaceSocket& entry) {
                if (entry.socket != -1)
                    return false;
                retiredDrops += entry.droppedDatagrams;
                return true;
            });
            bool served = std::any_of(sockets.begin(), sockets.end(),
                [candidate](const InterfaceSocket& entry) { return isBoundTo(entry.socket, candidate); });
            if (served)
                continue;
        }
        // Created without the lock: the receivers keep polling meanwhile.
        int error = 0;
        UniqueFd socket = openSearchSocket(candidate, error);
        if (!socket) {
            report({SocketProblem::Step::Open, candidate, error});
            continue;
        }
        std::lock_guard lock(interfaceLock_);
        sockets.push_back({socket.release(), candidate});
    }
}

void InterfaceSockets::broadcast(SocketFamily family,
    const std::function<ByteView(std::uint32_t localAddress)>& packetFor)
{
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(DiscoveryHeader::port);
    destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);

    std::lock_guard lock(interfaceLock_);
    for (const InterfaceSocket& entry : list(family)) {
        if (entry.socket == -1)
            continue;
        ByteView packet = packetFor(entry.localAddress);
        auto send = [&] {
            return sendto(entry.socket, packet.data(), packet.size(), 0,
                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        };
        ssize_t sent = send();
        // An error the network sent back for an earlier datagram, not yet
        // read off by the receiver, is returned by this send instead, and
        // this datagram stays unsent: it is sent once more.
        if (sent < 0 && ReportedByTheNetwork(errno))
            sent = send();
        if (sent != static_cast<ssize_t>(packet.size()))
            report({SocketProblem::Step::Send, entry.localAddress, sent < 0 ? errno : EMSGSIZE});
    }
}

bool ReportedByTheNetwork(int error)
{
    switch (error) {
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
    case ENONET:
    case EMSGSIZE:
    case EPROTO:
    case EACCES:
    case ENOPROTOOPT:
    case EOPNOTSUPP:
        return true;
    default:
        return false;
    }
}

void InterfaceSockets::markDead(InterfaceSocket& entry)
{
    if (entry.socket != -1)
        ::close(entry.socket);
    entry.socket = -1;
}

void InterfaceSockets::closeAll()
{
    std::lock_guard lock(interfaceLock_);
    for (InterfaceSocket& entry : basicSockets_)
        markDead(entry);
    for (InterfaceSocket& entry : extendedSockets_)
        markDead(entry);
}

std::size_t InterfaceSockets::liveSocketCount(SocketFamily family)
{
    std::lock_guard lock(interfaceLock_);
    const auto& sockets = list(family);
    return static_cast<std::size_t>(
        std::count_if(sockets.begin(), sockets.end(), [](const InterfaceSocket& entry) { return entry.socket != -1; }));
}

std::uint64_t InterfaceSockets::droppedDatagrams(SocketFamily family)
{
    std::lock_guard lock(interfaceLock_);
    std::uint64_t total = family == SocketFamily::Basic ? retiredBasicDrops_ : retiredExtendedDrops_;
    for (const InterfaceSocket& entry : list(family))
        total += entry.droppedDatagrams;
    return total;
}

} // namespace lorvena
