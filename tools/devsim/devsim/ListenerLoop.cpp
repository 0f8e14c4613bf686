#include "devsim/ListenerLoop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace lorvena::devsim {

namespace {

std::uint64_t endpointKey(std::uint32_t address, std::uint32_t port)
{
    return (static_cast<std::uint64_t>(address) << 16) | port;
}

} // namespace

bool ListenerLoop::open(std::string& error)
{
    close();
    queue_.reset(epoll_create1(EPOLL_CLOEXEC));
    if (!queue_) {
        error = std::string("epoll_create1: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void ListenerLoop::close()
{
    listeners_.clear();
    byEndpoint_.clear();
    queue_.reset();
}

bool ListenerLoop::listen(std::size_t device, std::uint32_t address, std::uint16_t port, int backlog, int receiveBuffer)
{
    const std::uint64_t endpoint = endpointKey(address, port);
    if (byEndpoint_.contains(endpoint))
        return false;
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket)
        return false;
    int on = 1;
    // Connections closed by the server linger in TIME_WAIT; the next
    // simulator on the same address must still be able to listen.
    setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0)
        setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0
        || ::listen(socket.get(), backlog) != 0)
        return false;
    const std::uint64_t id = newId();
    // Edge-triggered: accepting drains the queue, and a listener that cannot
    // accept (no descriptor left) does not wake the thread over and over.
    epoll_event event {};
    event.events = EPOLLIN | EPOLLET;
    event.data.u64 = id;
    if (epoll_ctl(queue_.get(), EPOLL_CTL_ADD, socket.get(), &event) != 0)
        return false;
    listeners_.emplace(id, Listener {std::move(socket), device, endpoint});
    byEndpoint_.emplace(endpoint, id);
    return true;
}

void ListenerLoop::closeListener(std::uint64_t id)
{
    auto found = listeners_.find(id);
    if (found == listeners_.end())
        return;
    byEndpoint_.erase(found->second.endpoint);
    listeners_.erase(found); // closing the descriptor also takes it out of the queue
}

void ListenerLoop::watch(int socket, std::uint64_t id, std::uint32_t events)
{
    epoll_event event {};
    event.events = events;
    event.data.u64 = id;
    epoll_ctl(queue_.get(), EPOLL_CTL_MOD, socket, &event);
}

std::optional<std::uint64_t> ListenerLoop::listenerAt(std::uint32_t address, std::uint32_t port) const
{
    auto found = byEndpoint_.find(endpointKey(address, port));
    if (found == byEndpoint_.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::uint64_t> ListenerLoop::listenerOf(std::size_t device) const
{
    for (const auto& [id, listener] : listeners_) {
        if (listener.device == device)
            return id;
    }
    return std::nullopt;
}

void ListenerLoop::handleEvents()
{
    std::array<epoll_event, 64> events {};
    int count = epoll_wait(queue_.get(), events.data(), static_cast<int>(events.size()), 0);
    for (int i = 0; i < count; ++i) {
        const epoll_event& event = events[static_cast<std::size_t>(i)];
        // An entry closed earlier in this batch is simply not found by the owner.
        if (auto listener = listeners_.find(event.data.u64); listener != listeners_.end())
            acceptAll(listener->second);
        else
            owner_.event(event.data.u64, event.events);
    }
}

void ListenerLoop::acceptAll(const Listener& listener)
{
    for (;;) {
        UniqueFd socket(accept4(listener.socket.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all accepted (or out of descriptors: wait for the next)
        }
        if (owner_.full())
            continue; // closed at once
        const std::uint64_t id = newId();
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.u64 = id;
        if (epoll_ctl(queue_.get(), EPOLL_CTL_ADD, socket.get(), &event) != 0)
            continue;
        owner_.adopt(id, std::move(socket), listener.device);
    }
}

} // namespace lorvena::devsim
