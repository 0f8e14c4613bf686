#include "net/FullBacklogListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace lorvena::testing_support {

FullBacklogListener::FullBacklogListener()
    : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), filler_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // Backlog 0 leaves room for one waiting connection; the filler takes it.
    if (!listener_ || !filler_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listener_.get(), 0) != 0
        || getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0
        || connect(filler_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return;
    port_ = ntohs(address.sin_port);
    // Readable once the filler sits in the accept queue, which is then full.
    pollfd entry {listener_.get(), POLLIN, 0};
    ready_ = poll(&entry, 1, 5000) == 1;
}

} // namespace lorvena::testing_support
