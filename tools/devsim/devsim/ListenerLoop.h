#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace lorvena::devsim {

// The listening half the devices' TCP services (web servers, video-server
// services) share: one event queue served by the caller's thread, a
// listener per device endpoint, and connections accepted into the same
// queue. Every listener and connection has an id unique for the loop's life;
// what is done with a connection's bytes is the owner's.
class ListenerLoop {
public:
    // What the owner does with connections.
    class Owner {
    public:
        Owner() = default;
        Owner(const Owner&) = delete;
        Owner& operator=(const Owner&) = delete;

        // No room for another connection: the next accepted one is closed at once.
        virtual bool full() const = 0;
        // A connection accepted on `device`'s listener, already in the queue
        // (watched for input) under `id`.
        virtual void adopt(std::uint64_t id, UniqueFd socket, std::size_t device) = 0;
        // Events of a queue entry that is not a listener (a connection, or
        // anything else the owner added under an id of its own).
        virtual void event(std::uint64_t id, std::uint32_t events) = 0;

        virtual ~Owner() = default;
    };

    explicit ListenerLoop(Owner& owner) : owner_(owner) {}

    // Makes the event queue, closing everything first. False, with `error`,
    // when it cannot be made.
    bool open(std::string& error);
    // Closes every listener and the queue (the owner drops its connections
    // first).
    void close();
    bool isOpen() const { return static_cast<bool>(queue_); }
    int queue() const { return queue_.get(); }
    std::uint64_t newId() { return nextId_++; }
    // What the queue waits for on connection `id`'s `socket` from now on
    // (epoll's EPOLLIN and EPOLLOUT; 0: nothing but its end).
    void watch(int socket, std::uint64_t id, std::uint32_t events);

    // A listener for `device` on `address`:`port`. False when another
    // listener holds that endpoint or the socket cannot listen there (the
    // address is not local, the port is taken). `receiveBuffer` (bytes, 0:
    // the system's) is inherited by the accepted connections.
    bool listen(std::size_t device, std::uint32_t address, std::uint16_t port, int backlog, int receiveBuffer = 0);
    void closeListener(std::uint64_t id);
    std::optional<std::uint64_t> listenerAt(std::uint32_t address, std::uint32_t port) const;
    std::optional<std::uint64_t> listenerOf(std::size_t device) const;
    std::size_t deviceOf(std::uint64_t listenerId) const { return listeners_.at(listenerId).device; }
    std::size_t listenerCount() const { return listeners_.size(); }

    // Serves what the queue has ready, without waiting: a listener's waiting
    // connections are accepted, everything else goes to the owner.
    void handleEvents();

private:
    struct Listener {
        UniqueFd socket;
        std::size_t device = 0;
        std::uint64_t endpoint = 0;
    };

    void acceptAll(const Listener& listener);

    Owner& owner_;
    UniqueFd queue_;
    std::unordered_map<std::uint64_t, Listener> listeners_;       // by id
    std::unordered_map<std::uint64_t, std::uint64_t> byEndpoint_; // address:port to listener id
    std::uint64_t nextId_ = 1;
};

} // namespace lorvena::devsim
