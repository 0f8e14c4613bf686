#pragma once

#include "devsim/HttpResponder.h"
#include "devsim/ListenerLoop.h"
#include "devsim/RequestLog.h"
#include "devsim/SimulatedDevice.h"
#include "devsim/UpgradeReceiver.h"
#include "devsim/UpgradeStore.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lorvena::devsim {

// The devices' web servers: for each device whose address is configured in
// this namespace (and whose "http" mode is not closed), an HTTP/1.1 listener
// on its address and HTTP port. All of them and their connections are served
// by the caller's thread: it polls `pollDescriptor()` and calls
// `handleEvents()` when that is readable. Each response is followed by the
// end of the connection (a hostile device's answer may never end: then the
// client's leaving ends it). A connection that starts with the upgrade
// command is a firmware upload instead (UpgradeReceiver).
class WebServers : private ListenerLoop::Owner {
public:
    static constexpr std::size_t maxRequestBytes = 8192;
    static constexpr std::size_t maxConnections = 256; // more are closed at once

    // Where completed uploads go besides the store: a directory to write
    // each package to (empty: none), named after the device's address, and
    // a call for each completed upload (the simulator's restart plan).
    struct UploadSinks {
        std::string directory;
        std::function<void(std::size_t device)> completed;
    };

    // `devices`, `log` and `upgrades` must outlive the servers.
    WebServers(const std::vector<SimulatedDevice>& devices, RequestLog& log, UpgradeStore& upgrades,
        UploadSinks sinks = {});

    // Opens at most `budget` listeners. False, with `error`, only when the
    // event queue cannot be made; a device whose listener cannot be opened
    // (its address is not local, or the port is taken) has no server.
    bool open(std::size_t budget, std::string& error);
    void close();
    int pollDescriptor() const { return loop_.queue(); }
    void handleEvents() { loop_.handleEvents(); }

    // Device `index` changed its address or HTTP port from these: its server
    // moves (and a device left on the old endpoint takes it over).
    void deviceMoved(std::size_t index, std::uint32_t oldAddress, std::uint32_t oldPort);

    std::size_t serverCount() const { return serverCount_.load(); } // thread-safe
    std::uint64_t requestCount() const { return requestCount_.load(); }

private:
    struct Connection {
        UniqueFd socket;
        std::size_t device = 0;
        std::string received;
        std::string unsent;
        bool answered = false; // or silent: what arrives now is discarded
        bool closeWhenSent = true;
        bool stalled = false; // an upload the device stopped reading
        std::unique_ptr<UpgradeReceiver> upload;
        // A hostile answer: filler still to follow `unsent` (made a piece at
        // a time, so a huge one costs no memory), and the timer of a
        // dripping one (its epoll entry: the connection's id | dripTimerTag).
        std::uint64_t fillerLeft = 0;
        char filler = 0;
        UniqueFd dripTimer;
    };

    static constexpr std::uint64_t dripTimerTag = 1ull << 63;
    // One call sends at most this much filler before the thread serves the
    // others again.
    static constexpr std::size_t fillerBytesPerTurn = 1024 * 1024;

    bool full() const override { return connections_.size() >= maxConnections; }
    void adopt(std::uint64_t id, UniqueFd socket, std::size_t device) override;
    void event(std::uint64_t id, std::uint32_t events) override;
    bool openListener(std::size_t device);
    void serve(std::uint64_t id, std::uint32_t events);
    // False when the connection has ended (and is gone).
    bool readRequest(std::uint64_t id, Connection& connection);
    // False when the connection has ended (and is gone).
    bool takeBytes(std::uint64_t id, Connection& connection, std::string_view bytes);
    bool takeUpload(std::uint64_t id, Connection& connection, std::string_view bytes);
    void uploadEnded(const Connection& connection, const std::string& outcome);
    void savePackage(std::size_t device);
    void sendThenRead(std::uint64_t id, Connection& connection, std::string bytes);
    void forget(std::uint64_t id);
    bool flush(std::uint64_t id, Connection& connection);
    void waitWritable(std::uint64_t id, const Connection& connection);
    bool startDrip(std::uint64_t id, Connection& connection, std::chrono::milliseconds interval);
    void dripOne(std::uint64_t id, Connection& connection);
    void respond(std::uint64_t id, Connection& connection, const HttpAnswer& answer);

    const std::vector<SimulatedDevice>& devices_;
    RequestLog& log_;
    UpgradeStore& upgrades_;
    UploadSinks sinks_;
    ListenerLoop loop_ {*this};
    std::unordered_map<std::uint64_t, Connection> connections_; // by id
    std::atomic<std::size_t> serverCount_ {0};
    std::atomic<std::uint64_t> requestCount_ {0};
};

} // namespace lorvena::devsim
