#pragma once

#include "devsim/InterfaceAddresses.h"
#include "devsim/ModifyRequest.h"
#include "devsim/RequestLog.h"
#include "devsim/SearchResponder.h"
#include "devsim/SimulatedDevice.h"
#include "devsim/Timers.h"
#include "devsim/UpgradeStore.h"
#include "devsim/VideoServers.h"
#include "devsim/WebServers.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lorvena::devsim {

struct SimulatorOptions {
    // 0.0.0.0 receives broadcasts; a unicast address receives only datagrams
    // sent to that address.
    std::string bindAddress = "0.0.0.0";
    std::uint16_t port = 6789;
    std::string logPath; // empty: no log
    // Each completed firmware upload is also written here, as a file named
    // after the device's address (empty: kept in memory only).
    std::string upgradeDirectory;
};

struct RequestCounts {
    std::uint64_t oldSearch = 0;
    std::uint64_t basicSearch = 0;
    std::uint64_t extendedSearch = 0;
    std::uint64_t unknown = 0;       // datagrams on the port that were no request we know
    std::uint64_t datagramsSent = 0; // replies and fault datagrams
    std::uint64_t oldModify = 0; // modify requests, counted once handled
    std::uint64_t basicModify = 0;
    std::uint64_t extendedModify = 0;
    std::uint64_t changesApplied = 0; // devices changed by modify requests
    std::uint64_t httpRequests = 0;   // request heads the web servers read
    std::uint64_t uploads = 0;        // upgrade commands read
    std::uint64_t uploadsEnded = 0;   // uploads whose outcome is known (and logged)
    std::uint64_t videoServerLogins = 0;  // answered, accepted or refused
    std::uint64_t videoServerUpdates = 0; // updates whose outcome is known (and logged)
    std::uint64_t restarts = 0;       // simulated restarts whose address is back
};

// A population of simulated devices behind one listening socket, plus each
// device's web server (which also takes firmware uploads) and video-server
// service, all served by its own thread. Usable in-process from
// tests (inside a private network namespace) and by the lorvena-devsim
// program. Modify requests change the devices; when a device's address
// changes, its alias in the namespace, its reply socket and its web server
// move with it.
class Simulator {
public:
    Simulator(std::vector<SimulatedDevice> devices, SimulatorOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the log and the sockets and starts the thread. False, with
    // `error` saying why, when something cannot be opened.
    bool start(std::string& error);
    // Ends the thread promptly; safe to call more than once.
    void stop();

    RequestCounts counts() const;
    std::uint16_t port() const { return boundPort_; } // the port actually bound
    std::size_t ownReplySockets() const { return responder_.ownSocketCount(); }
    std::size_t webServers() const { return web_.serverCount(); } // listening web servers
    // Thread-safe snapshots of the devices' current state.
    std::vector<SimulatedDevice> devices() const;
    SimulatedDevice device(std::size_t index) const;
    std::size_t deviceCount() const { return devices_.size(); }
    std::size_t videoServers() const { return video_.serverCount(); } // listening video-server services
    // Thread-safe snapshots of a device's last firmware upload and its
    // video-server service's last update.
    UpgradeRecord upgrade(std::size_t index) const { return upgrades_.upload(index); }
    VideoServerRecord videoServer(std::size_t index) const { return upgrades_.videoServer(index); }

private:
    // What a change leaves to do once its reply (if any) has gone out from
    // the old address.
    struct Retired {
        UniqueFd socket;
        std::optional<ConfiguredAddress> alias;
    };

    bool openListeningSocket(std::string& error);
    void run();
    void receiveAll();
    void handle(ByteView datagram, const sockaddr_in& source, int interfaceIndex);
    void modify(RequestKind kind, ByteView datagram, const sockaddr_in& source);
    std::uint8_t check(const ModifyRequest& request, const SimulatedDevice& device) const;
    Retired apply(std::size_t index, const NetworkChange& change);
    void release(Retired& retired);
    // A simulated restart after a completed upload: the device's address
    // leaves its interface and comes back.
    void scheduleRestart(std::size_t index);
    void takeDown(std::size_t index);
    void bringBack(std::uint32_t address);

    std::vector<SimulatedDevice> devices_; // changed only by the thread, under stateMutex_
    mutable std::mutex stateMutex_;
    SimulatorOptions options_;
    SearchResponder responder_;
    RequestLog log_;
    UpgradeStore upgrades_;
    Timers timers_; // only the thread touches them
    WebServers web_;
    VideoServers video_;
    // Addresses taken down by a restart, to put back (also on stop).
    std::vector<ConfiguredAddress> down_;
    UniqueFd listening_;
    UniqueFd wake_;
    std::uint16_t boundPort_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::thread thread_;
    std::atomic<bool> stopping_ {false};

    std::atomic<std::uint64_t> oldSearch_ {0};
    std::atomic<std::uint64_t> basicSearch_ {0};
    std::atomic<std::uint64_t> extendedSearch_ {0};
    std::atomic<std::uint64_t> unknown_ {0};
    std::atomic<std::uint64_t> datagramsSent_ {0};
    std::atomic<std::uint64_t> oldModify_ {0};
    std::atomic<std::uint64_t> basicModify_ {0};
    std::atomic<std::uint64_t> extendedModify_ {0};
    std::atomic<std::uint64_t> changesApplied_ {0};
    std::atomic<std::uint64_t> restarts_ {0};
};

} // namespace lorvena::devsim
