#pragma once

#include "devsim/ListenerLoop.h"
#include "devsim/RequestLog.h"
#include "devsim/SimulatedDevice.h"
#include "devsim/Timers.h"
#include "devsim/UpgradeStore.h"
#include "devsim/VideoServerSession.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace lorvena::devsim {

// The video-server services: for each device that has one, a listener on
// its address and video-server port, served like the web servers by the
// caller's thread (`pollDescriptor`, `handleEvents`); the device's writing
// after an update is paced by `timers`.
class VideoServers : private ListenerLoop::Owner {
public:
    static constexpr std::size_t maxConnections = 64; // more are closed at once

    // Everything passed must outlive the servers.
    VideoServers(const std::vector<SimulatedDevice>& devices, RequestLog& log, UpgradeStore& upgrades, Timers& timers);

    // Opens at most `budget` listeners; false, with `error`, only when the
    // event queue cannot be made.
    bool open(std::size_t budget, std::string& error);
    void close();
    int pollDescriptor() const { return loop_.queue(); }
    void handleEvents() { loop_.handleEvents(); }
    // Device `index` changed its address: its service moves along.
    void deviceMoved(std::size_t index);

    std::size_t serverCount() const { return serverCount_.load(); } // thread-safe

private:
    struct Connection {
        UniqueFd socket;
        std::size_t device = 0;
        std::unique_ptr<VideoServerSession> session;
        std::string unsent;
        bool closeWhenSent = false;
        // Drip only: what is still to go out, a byte at a time.
        std::string dripping;
    };

    bool full() const override { return connections_.size() >= maxConnections; }
    void adopt(std::uint64_t id, UniqueFd socket, std::size_t device) override;
    void event(std::uint64_t id, std::uint32_t events) override;
    bool openListener(std::size_t device);
    void dripNext(std::uint64_t id);
    void serve(std::uint64_t id, std::uint32_t events);
    void apply(std::uint64_t id, Connection& connection, VideoServerSession::Step step);
    void startWriting(std::uint64_t id, std::size_t device);
    void writingStep(std::uint64_t id, int step);
    void send(std::uint64_t id, Connection& connection, const std::string& bytes);
    // False when the connection has ended (and is gone).
    bool flush(std::uint64_t id, Connection& connection);
    void drop(std::uint64_t id);

    const std::vector<SimulatedDevice>& devices_;
    RequestLog& log_;
    UpgradeStore& upgrades_;
    Timers& timers_;
    ListenerLoop loop_ {*this};
    std::unordered_map<std::uint64_t, Connection> connections_;
    std::atomic<std::size_t> serverCount_ {0};
};

} // namespace lorvena::devsim
