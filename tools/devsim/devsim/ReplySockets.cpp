#include "devsim/ReplySockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <cerrno>
#include <unordered_map>

namespace lorvena::devsim {

namespace {

// Descriptors kept free for everything else the process opens.
constexpr std::size_t spareDescriptors = 64;

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

void ReplySockets::open(const std::vector<SimulatedDevice>& devices)
{
    sockets_.clear();
    perDevice_.assign(devices.size(), -1);
    std::size_t limit = raiseDescriptorLimit(devices.size() + spareDescriptors);
    std::size_t budget = limit > spareDescriptors ? limit - spareDescriptors : 0;

    std::unordered_map<std::uint32_t, int> byAddress;
    bool outOfDescriptors = false;
    for (std::size_t i = 0; i < devices.size() && !outOfDescriptors; ++i) {
        std::uint32_t address = devices[i].ip;
        if (auto found = byAddress.find(address); found != byAddress.end()) {
            perDevice_[i] = found->second;
            continue;
        }
        byAddress[address] = -1;
        if (!bindable(address))
            continue;
        if (sockets_.size() >= budget)
            break;
        UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!socket) {
            outOfDescriptors = errno == EMFILE || errno == ENFILE;
            continue;
        }
        int on = 1;
        setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(address);
        // Fails with EADDRNOTAVAIL when the address is not configured here.
        if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            continue;
        byAddress[address] = socket.get();
        perDevice_[i] = socket.get();
        sockets_.push_back(std::move(socket));
    }
}

} // namespace lorvena::devsim
