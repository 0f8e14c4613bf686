#include "devsim/LoopbackNamespace.h"

#include "platform/UniqueFd.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lorvena::devsim {

bool LoopbackNamespace::permitted()
{
    return geteuid() == 0;
}

bool LoopbackNamespace::enter(std::string& error)
{
    if (unshare(CLONE_NEWNET) != 0) {
        error = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
        return false;
    }
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request {};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (!socket || ioctl(socket.get(), SIOCGIFFLAGS, &request) != 0) {
        error = std::string("reading the loopback flags: ") + std::strerror(errno);
        return false;
    }
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (ioctl(socket.get(), SIOCSIFFLAGS, &request) != 0) {
        error = std::string("bringing loopback up: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace lorvena::devsim
