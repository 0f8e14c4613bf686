#pragma once

#include "onvif/OnvifDeviceConfig.h"
#include "platform/UniqueFd.h"

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lorvena::devsim::onvif {

struct OnvifChangeEvent {
    enum class Kind {
        Configured, // a Set operation changed the settings
        Applied,    // the configured address or port took effect (reboot, or a change without one)
    };
    std::size_t device = 0;
    Kind kind = Kind::Configured;
    OnvifDeviceState before;
    OnvifDeviceState after;
};

struct OnvifSimulatorOptions {
    std::uint16_t discoveryPort = 3702;
    // Each device waits a random time up to this before answering a probe,
    // as WS-Discovery asks, so that a crowd does not answer at once.
    std::chrono::milliseconds maxProbeDelay {500};
    // One line per request, on the simulator's thread:
    //   onvif-probe <source ip>:<port>
    //   onvif <operation> <device address> ok|auth-failed|fault|hostile
    std::function<void(const std::string&)> log;
    // On the simulator's thread. For Applied, the hook runs before the
    // device's service moves, so a lab can give the new address to an
    // interface first (in a loopback namespace all of 127/8 is local).
    std::function<void(const OnvifChangeEvent&)> onChange;
};

// Plays N ONVIF devices inside a network namespace: one WS-Discovery
// responder on the discovery group and port (joined on every local IPv4
// address) answering for all of them, and a SOAP device service per device
// on its address and HTTP port. Served by one thread.
class OnvifSimulator {
public:
    explicit OnvifSimulator(std::vector<OnvifDeviceConfig> devices, OnvifSimulatorOptions options = {});
    ~OnvifSimulator();
    OnvifSimulator(const OnvifSimulator&) = delete;
    OnvifSimulator& operator=(const OnvifSimulator&) = delete;

    // False, with `error`, when the discovery socket cannot be opened. A
    // device whose service cannot listen (its address is not local, the
    // port is taken) answers probes but serves nothing.
    bool start(std::string& error);
    // Ends the thread promptly; safe to call more than once.
    void stop();

    // Thread-safe snapshots.
    std::vector<OnvifDeviceState> devices() const;
    std::vector<std::string> logLines() const; // the most recent lines, oldest first
    std::size_t listeningServices() const;
    std::size_t joinedGroups() const { return joinedGroups_; }

private:
    struct Device {
        OnvifDeviceConfig config;
        OnvifDeviceState state;
        UniqueFd replySocket; // bound to the serving address when it is local
        UniqueFd listener;
        unsigned messageNumber = 0;
    };
    struct Connection {
        UniqueFd socket;
        std::size_t device = 0;
        std::string received;
        std::string unsent;
        bool answered = false;
        std::chrono::steady_clock::time_point opened;
    };
    struct PendingAnswer {
        std::chrono::steady_clock::time_point due;
        std::size_t device = 0;
        sockaddr_in destination {};
        std::string datagram;
    };

    bool openDiscovery(std::string& error);
    void openDeviceSockets(Device& device);
    void run();
    void receiveProbes();
    void sendDueAnswers();
    void acceptAll(std::size_t device);
    // False when the connection is finished.
    bool serve(Connection& connection, short events);
    void answer(Connection& connection, std::string_view body);
    void apply(std::size_t index);
    void log(std::string line);

    std::vector<Device> devices_;
    OnvifSimulatorOptions options_;
    mutable std::mutex mutex_; // guards the devices' state and the log lines
    std::vector<std::string> lines_;
    UniqueFd discovery_;
    UniqueFd wake_;
    std::size_t joinedGroups_ = 0;
    std::vector<Connection> connections_;
    std::vector<PendingAnswer> pending_;
    std::thread thread_;
    std::atomic<bool> stopping_ {false};
};

} // namespace lorvena::devsim::onvif
