#pragma once

#include "devsim/RequestLog.h"
#include "devsim/SearchResponder.h"
#include "devsim/SimulatedDevice.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
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
};

struct RequestCounts {
    std::uint64_t oldSearch = 0;
    std::uint64_t basicSearch = 0;
    std::uint64_t extendedSearch = 0;
    std::uint64_t unknown = 0;       // datagrams on the port that were no request we know
    std::uint64_t datagramsSent = 0; // replies and fault datagrams
};

// A population of simulated devices behind one listening socket, served by
// its own thread. Usable in-process from tests (inside a private network
// namespace) and by the lorvena-devsim program.
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
    const std::vector<SimulatedDevice>& devices() const { return devices_; }

private:
    bool openListeningSocket(std::string& error);
    void run();
    void receiveAll();
    void handle(ByteView datagram, const sockaddr_in& source, int interfaceIndex);

    std::vector<SimulatedDevice> devices_;
    SimulatorOptions options_;
    SearchResponder responder_;
    RequestLog log_;
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
};

} // namespace lorvena::devsim
