#pragma once

#include "devsim/RequestLog.h"
#include "devsim/SimulatedDevice.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lorvena::devsim {

// What a device's web server answers to one request head (request line and
// header lines up to the empty line). Paths served: the three credential
// probes; all need Basic authentication as "admin" and the device's
// password.
struct HttpAnswer {
    std::string path;  // as requested ("-" when the request line is unreadable)
    int status = 0;    // 0: no answer at all (a silent device)
    std::string bytes; // the whole response
};

class HttpResponder {
public:
    static HttpAnswer answer(std::string_view head, const SimulatedDevice& device);
    // For a request whose head did not end within the size cap.
    static HttpAnswer tooLarge(std::string_view start, const SimulatedDevice& device);
};

// The devices' web servers: for each device whose address is configured in
// this namespace (and whose "http" mode is not closed), an HTTP/1.1 listener
// on its address and HTTP port. All of them and their connections are served
// by the caller's thread: it polls `pollDescriptor()` and calls
// `handleEvents()` when that is readable. Each response is followed by the
// end of the connection.
class WebServers {
public:
    static constexpr std::size_t maxRequestBytes = 8192;
    static constexpr std::size_t maxConnections = 256; // more are closed at once

    // `devices` and `log` must outlive the servers.
    WebServers(const std::vector<SimulatedDevice>& devices, RequestLog& log);

    // Opens at most `budget` listeners. False, with `error`, only when the
    // event queue cannot be made; a device whose listener cannot be opened
    // (its address is not local, or the port is taken) has no server.
    bool open(std::size_t budget, std::string& error);
    void close();
    int pollDescriptor() const { return epoll_.get(); }
    void handleEvents();

    // Device `index` changed its address or HTTP port from these: its server
    // moves (and a device left on the old endpoint takes it over).
    void deviceMoved(std::size_t index, std::uint32_t oldAddress, std::uint32_t oldPort);

    std::size_t serverCount() const { return serverCount_.load(); } // thread-safe
    std::uint64_t requestCount() const { return requestCount_.load(); }

private:
    struct Listener {
        UniqueFd socket;
        std::size_t device = 0;
        std::uint64_t endpoint = 0;
    };
    struct Connection {
        UniqueFd socket;
        std::size_t device = 0;
        std::string received;
        std::string unsent;
        bool answered = false; // or silent: what arrives now is discarded
    };

    bool openListener(std::size_t device);
    void closeListener(std::uint64_t id);
    void acceptAll(const Listener& listener);
    void serve(std::uint64_t id, std::uint32_t events);
    // False when the connection has ended (and is gone).
    bool readRequest(std::uint64_t id, Connection& connection);
    bool flush(std::uint64_t id, Connection& connection);
    void respond(std::uint64_t id, Connection& connection, const HttpAnswer& answer);

    const std::vector<SimulatedDevice>& devices_;
    RequestLog& log_;
    UniqueFd epoll_;
    std::unordered_map<std::uint64_t, Listener> listeners_;     // by id
    std::unordered_map<std::uint64_t, std::uint64_t> byEndpoint_; // address:port to listener id
    std::unordered_map<std::uint64_t, Connection> connections_; // by id
    std::uint64_t nextId_ = 1;
    std::atomic<std::size_t> serverCount_ {0};
    std::atomic<std::uint64_t> requestCount_ {0};
};

} // namespace lorvena::devsim
