#pragma once

#include "discovery/WireBytes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace lorvena {

// One UDP socket bound to one local IPv4 address with broadcast permission.
// The socket is -1 once it has failed; the entry then waits for the next
// refresh to be removed.
struct InterfaceSocket {
    int socket = -1;
    std::uint32_t localAddress = 0; // host byte order
    // The kernel's count of datagrams this socket lost for want of receive
    // buffer space, as of the latest datagram read from it.
    std::uint32_t droppedDatagrams = 0;
};

// The two packet families, each with its own socket list and receiver.
enum class SocketFamily { Basic, Extended };

using AddressSource = std::function<std::vector<std::uint32_t>()>;

// Something that kept a search from covering every local address: told to
// the user (the console prints it) instead of showing only as a device that
// never answered.
struct SocketProblem {
    enum class Step {
        NoAddress, // the machine listed no IPv4 address: nothing was sent
        Open,      // no socket could be made on the address
        Send,      // a request did not leave from it
        Receive,   // its socket failed while listening and was closed
    };
    Step step;
    std::uint32_t localAddress = 0; // host byte order; 0 for NoAddress
    int error = 0;                  // errno
};
std::string describeSocketProblem(const SocketProblem& problem);

// Whether `error`, from a search socket's read or send, is what the network
// (or the kernel on its behalf) said about an earlier datagram: that one
// went astray, the socket itself is fine.
bool ReportedByTheNetwork(int error);

// Called from whichever thread met the problem, possibly while the list's
// lock is held: it must not call back into the socket lists.
using SocketProblemSink = std::function<void(const SocketProblem&)>;

// Both socket lists and the lock that guards them (`interfaceLock`): every
// walk and every change of either list holds it.
class InterfaceSockets {
public:
    // `addresses` lists the machine's IPv4 addresses; tests inject their own.
    explicit InterfaceSockets(AddressSource addresses);
    ~InterfaceSockets();
    InterfaceSockets(const InterfaceSockets&) = delete;
    InterfaceSockets& operator=(const InterfaceSockets&) = delete;

    // Makes sure `family`'s list has a live socket for every current local
    // address, dropping dead entries. Failures are silent: an address whose
    // socket cannot be made simply has none until the next refresh.
    void refreshSockets(SocketFamily family);

    // Sends one datagram per live socket to 255.255.255.255:6789. `packetFor`
    // gives the bytes for a socket's local address (some requests carry it).
    void broadcast(SocketFamily family, const std::function<ByteView(std::uint32_t localAddress)>& packetFor);

    // Closes every live socket of both lists.
    void closeAll();

    std::mutex& interfaceLock() { return interfaceLock_; }
    // The list itself; only to be used while holding interfaceLock().
    std::list<InterfaceSocket>& list(SocketFamily family);

    // Closes the socket and marks its entry dead; caller holds interfaceLock().
    static void markDead(InterfaceSocket& entry);

    std::size_t liveSocketCount(SocketFamily family);

    // Where problems go besides the debug trace; set before the receivers
    // start.
    void setProblemSink(SocketProblemSink sink) { problemSink_ = std::move(sink); }
    void report(const SocketProblem& problem) const;

    // Datagrams `family`'s sockets lost to full receive buffers, summed over
    // every socket the list has had. The kernel reports a loss with the next
    // datagram a socket delivers, so a loss behind the last one of a burst
    // shows only as a device missing from the list.
    std::uint64_t droppedDatagrams(SocketFamily family);

private:
    AddressSource addresses_;
    SocketProblemSink problemSink_;
    std::mutex interfaceLock_;
    std::list<InterfaceSocket> basicSockets_;
    std::list<InterfaceSocket> extendedSockets_;
    // What sockets removed from the lists had counted, per family.
    std::uint64_t retiredBasicDrops_ = 0;
    std::uint64_t retiredExtendedDrops_ = 0;
};

} // namespace lorvena
