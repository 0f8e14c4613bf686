#include "devsim/ReplySockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <cerrno>

namespace lorvena::devsim {

namespace {

bool bindable(std::uint32_t address)
{
    // 0.0.0.0 (a device that lost its DHCP lease) would bind to any address,
    // and broadcast or multicast addresses are no source address at all.
    return address != 0 && address != 0xFFFFFFFFu && (address >> 28) != 0xE;
}

} // namespace

std::size_t ReplySockets::raiseDescriptorLimit(std::size_t wanted)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > wanted ? wanted : limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? wanted : static_cast<std::size_t>(limit.rlim_cur);
}

UniqueFd ReplySockets::bound(std::uint32_t address)
{
    if (!bindable(address))
        return {};
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket)
        return {};
    int on = 1;
    setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address);
    // Fails with EADDRNOTAVAIL when the address is not configured here.
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return {};
    return socket;
}

void ReplySockets::open(const std::vector<SimulatedDevice>& devices, std::size_t budget)
{
    byAddress_.clear();
    perDevice_.assign(devices.size(), -1);
    addressOf_.assign(devices.size(), 0);
    std::size_t opened = 0;
    bool outOfDescriptors = false;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        addressOf_[i] = devices[i].ip;
        auto [entry, added] = byAddress_.try_emplace(devices[i].ip);
        Shared& shared = entry->second;
        ++shared.users;
        if (added && !outOfDescriptors && opened < budget && bindable(devices[i].ip)) {
            errno = 0;
            shared.socket = bound(devices[i].ip);
            opened += shared.socket ? 1 : 0;
            outOfDescriptors = errno == EMFILE || errno == ENFILE;
        }
        perDevice_[i] = shared.socket.get();
    }
    openCount_ = opened;
}

UniqueFd ReplySockets::move(std::size_t index, std::uint32_t oldAddress, std::uint32_t newAddress)
{
    UniqueFd retired;
    if (auto old = byAddress_.find(oldAddress); old != byAddress_.end() && --old->second.users == 0) {
        retired = std::move(old->second.socket);
        byAddress_.erase(old);
        openCount_ -= retired ? 1 : 0;
    }
    addressOf_[index] = newAddress;
    Shared& shared = byAddress_[newAddress];
    ++shared.users;
    // Also retried when the address was not configured before: the move may
    // just have added it, for the devices already there too.
    if (!shared.socket) {
        shared.socket = bound(newAddress);
        if (shared.socket) {
            ++openCount_;
            for (std::size_t i = 0; i < addressOf_.size(); ++i) {
                if (addressOf_[i] == newAddress)
                    perDevice_[i] = shared.socket.get();
            }
        }
    }
    perDevice_[index] = shared.socket.get();
    return retired;
}

} // namespace lorvena::devsim
