#include "devsim/InterfaceAddresses.h"

#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace lorvena::devsim {

namespace {

std::string failure(const std::string& what, int code)
{
    return what + ": " + std::strerror(code);
}

std::uint32_t maskOf(std::uint8_t prefixLength)
{
    return prefixLength == 0 ? 0 : ~std::uint32_t {0} << (32 - prefixLength);
}

bool isLoopback(int interfaceIndex)
{
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(static_cast<unsigned>(interfaceIndex), name) == nullptr)
        return false;
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request {};
    std::memcpy(request.ifr_name, name, sizeof name);
    return socket && ioctl(socket.get(), SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_LOOPBACK) != 0;
}

// One rtnetlink socket: a request out, its answers in. Messages are copied
// out of the receive buffer with memcpy, so no alignment is assumed.
class RouteSocket {
public:
    bool open(std::string& error)
    {
        socket_.reset(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
        sockaddr_nl local {};
        local.nl_family = AF_NETLINK;
        if (!socket_ || bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            error = failure("netlink socket", errno);
            return false;
        }
        return true;
    }

    bool send(std::vector<std::uint8_t>& message, std::string& error)
    {
        nlmsghdr header {};
        std::memcpy(&header, message.data(), sizeof header);
        header.nlmsg_len = static_cast<std::uint32_t>(message.size());
        header.nlmsg_seq = ++sequence_;
        std::memcpy(message.data(), &header, sizeof header);
        sockaddr_nl kernel {};
        kernel.nl_family = AF_NETLINK;
        if (sendto(socket_.get(), message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&kernel),
                sizeof kernel)
            < 0) {
            error = failure("netlink send", errno);
            return false;
        }
        return true;
    }

    // Calls `each(type, payload)` for every answer to the last request until
    // NLMSG_DONE or an acknowledgement. False, with `error`, on a netlink
    // error.
    template<typename Each>
    bool receive(Each each, std::string& error)
    {
        std::vector<std::uint8_t> buffer(32768);
        for (;;) {
            ssize_t received = recv(socket_.get(), buffer.data(), buffer.size(), 0);
            if (received < 0) {
                if (errno == EINTR)
                    continue;
                error = failure("netlink receive", errno);
                return false;
            }
            auto length = static_cast<std::size_t>(received);
            for (std::size_t at = 0; at + sizeof(nlmsghdr) <= length;) {
                nlmsghdr header {};
                std::memcpy(&header, buffer.data() + at, sizeof header);
                if (header.nlmsg_len < sizeof header || at + header.nlmsg_len > length)
                    break;
                const std::uint8_t* payload = buffer.data() + at + NLMSG_HDRLEN;
                std::size_t payloadLength = header.nlmsg_len - NLMSG_HDRLEN;
                at += NLMSG_ALIGN(header.nlmsg_len);
                if (header.nlmsg_seq != sequence_)
                    continue;
                if (header.nlmsg_type == NLMSG_DONE)
                    return true;
                if (header.nlmsg_type == NLMSG_ERROR) {
                    nlmsgerr answer {};
                    std::memcpy(&answer, payload, std::min(payloadLength, sizeof answer));
                    if (answer.error == 0)
                        return true; // the acknowledgement
                    error = failure("netlink", -answer.error);
                    return false;
                }
                each(header.nlmsg_type, payload, payloadLength);
            }
        }
    }

private:
    UniqueFd socket_;
    std::uint32_t sequence_ = 0;
};

void appendAttribute(std::vector<std::uint8_t>& message, std::uint16_t type, std::uint32_t hostOrderAddress)
{
    std::uint32_t networkOrder = htonl(hostOrderAddress);
    rtattr attribute {};
    attribute.rta_type = type;
    attribute.rta_len = static_cast<std::uint16_t>(RTA_LENGTH(sizeof networkOrder));
    std::size_t at = message.size();
    message.resize(at + RTA_SPACE(sizeof networkOrder), 0);
    std::memcpy(message.data() + at, &attribute, sizeof attribute);
    std::memcpy(message.data() + at + RTA_LENGTH(0), &networkOrder, sizeof networkOrder);
}

std::vector<std::uint8_t> addressMessage(std::uint16_t type, std::uint16_t flags, const ConfiguredAddress& entry)
{
    std::vector<std::uint8_t> message(NLMSG_LENGTH(sizeof(ifaddrmsg)), 0);
    nlmsghdr header {};
    header.nlmsg_type = type;
    header.nlmsg_flags = flags;
    std::memcpy(message.data(), &header, sizeof header);
    ifaddrmsg body {};
    body.ifa_family = AF_INET;
    body.ifa_prefixlen = entry.prefixLength;
    body.ifa_index = static_cast<std::uint32_t>(entry.interfaceIndex);
    std::memcpy(message.data() + NLMSG_HDRLEN, &body, sizeof body);
    if (entry.address != 0) {
        appendAttribute(message, IFA_LOCAL, entry.address);
        appendAttribute(message, IFA_ADDRESS, entry.address);
    }
    return message;
}

bool change(std::uint16_t type, std::uint16_t flags, const ConfiguredAddress& entry, std::string& error)
{
    RouteSocket socket;
    std::vector<std::uint8_t> message = addressMessage(type, flags, entry);
    return socket.open(error) && socket.send(message, error)
        && socket.receive([](std::uint16_t, const std::uint8_t*, std::size_t) {}, error);
}

} // namespace

bool InterfaceAddresses::list(std::vector<ConfiguredAddress>& addresses, std::string& error)
{
    addresses.clear();
    RouteSocket socket;
    std::vector<std::uint8_t> message =
        addressMessage(RTM_GETADDR, NLM_F_REQUEST | NLM_F_DUMP, ConfiguredAddress {0, 0, 0, false, false});
    if (!socket.open(error) || !socket.send(message, error))
        return false;
    std::map<int, bool> loopback;
    return socket.receive(
        [&](std::uint16_t type, const std::uint8_t* payload, std::size_t length) {
            if (type != RTM_NEWADDR || length < NLMSG_ALIGN(sizeof(ifaddrmsg)))
                return;
            ifaddrmsg body {};
            std::memcpy(&body, payload, sizeof body);
            if (body.ifa_family != AF_INET)
                return;
            ConfiguredAddress entry;
            entry.prefixLength = body.ifa_prefixlen;
            entry.interfaceIndex = static_cast<int>(body.ifa_index);
            entry.secondary = (body.ifa_flags & IFA_F_SECONDARY) != 0;
            bool haveLocal = false;
            for (std::size_t at = NLMSG_ALIGN(sizeof body); at + sizeof(rtattr) <= length;) {
                rtattr attribute {};
                std::memcpy(&attribute, payload + at, sizeof attribute);
                if (attribute.rta_len < sizeof attribute || at + attribute.rta_len > length)
                    break;
                std::uint32_t value = 0;
                if (attribute.rta_len >= RTA_LENGTH(sizeof value)
                    && (attribute.rta_type == IFA_LOCAL || (attribute.rta_type == IFA_ADDRESS && !haveLocal))) {
                    std::memcpy(&value, payload + at + RTA_LENGTH(0), sizeof value);
                    entry.address = ntohl(value);
                    haveLocal = haveLocal || attribute.rta_type == IFA_LOCAL;
                }
                at += RTA_ALIGN(attribute.rta_len);
            }
            auto known = loopback.find(entry.interfaceIndex);
            if (known == loopback.end())
                known = loopback.emplace(entry.interfaceIndex, isLoopback(entry.interfaceIndex)).first;
            entry.loopback = known->second;
            addresses.push_back(entry);
        },
        error);
}

bool InterfaceAddresses::add(int interfaceIndex, std::uint32_t address, std::uint8_t prefixLength,
    std::string& error)
{
    ConfiguredAddress entry {address, prefixLength, interfaceIndex, false, false};
    if (!change(RTM_NEWADDR, NLM_F_REQUEST | NLM_F_ACK | NLM_F_CREATE | NLM_F_EXCL, entry, error)) {
        error = "adding " + dottedAddress(address) + "/" + std::to_string(prefixLength) + ": " + error;
        return false;
    }
    return true;
}

bool InterfaceAddresses::remove(const ConfiguredAddress& entry, std::string& error)
{
    if (!change(RTM_DELADDR, NLM_F_REQUEST | NLM_F_ACK, entry, error)) {
        error = "removing " + dottedAddress(entry.address) + ": " + error;
        return false;
    }
    return true;
}

std::optional<ConfiguredAddress> InterfaceAddresses::moveAlias(std::uint32_t from, std::uint32_t to,
    std::string& error)
{
    std::vector<ConfiguredAddress> addresses;
    if (from == to || !list(addresses, error))
        return std::nullopt;
    auto holding = std::find_if(addresses.begin(), addresses.end(),
        [from](const ConfiguredAddress& entry) { return entry.address == from && !entry.loopback; });
    if (holding == addresses.end())
        return std::nullopt;
    bool toIsLocal = (to >> 24) == 127 || std::any_of(addresses.begin(), addresses.end(), [to](const auto& entry) {
        return entry.address == to;
    });
    if (!toIsLocal) {
        std::uint32_t mask = maskOf(holding->prefixLength);
        std::uint8_t prefixLength = (to & mask) == (from & mask) ? holding->prefixLength : 32;
        if (!add(holding->interfaceIndex, to, prefixLength, error))
            return std::nullopt;
    }
    if (holding->secondary || holding->prefixLength == 32)
        return *holding;
    return std::nullopt;
}

} // namespace lorvena::devsim
